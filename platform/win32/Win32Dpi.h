// Pixels per inch on Windows: the display scale of a window, of the primary monitor and of the
// monitor under a rectangle, and window frames measured at a given DPI. The calls that know
// per-monitor DPI came with later Windows versions (8.1, 10 1607); they are looked up at run
// time, and where they are missing the system's one DPI stands for every monitor.
#pragma once

#include "base/Types.h"
#include "platform/win32/Win32Api.h"

namespace platform::win32 {

// 96 at 100 %.
constexpr unsigned DefaultDpi = 96;

// The DPI the system gives a window of this process (that of its monitor for a program aware of
// per-monitor DPI).
unsigned WindowDpi(HWND window);
// The DPI of the primary monitor, or of the monitor that holds most of `area` (screen pixels).
unsigned PrimaryMonitorDpi();
unsigned MonitorDpi(const TRect& area);

// The window rectangle whose client area is `client`, with the frame of a window of these styles
// on a monitor of `dpi`.
RECT OuterRect(const TRect& client, DWORD style, DWORD exStyle, unsigned dpi);

}  // namespace platform::win32
