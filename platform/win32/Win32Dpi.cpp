#include "platform/win32/Win32Dpi.h"

namespace platform::win32 {

namespace {

// A function of a system library by name; null where this Windows lacks it. The detour through
// a plain function pointer type is the conversion the compiler accepts between pointer types of
// unrelated functions.
template <class TFunction>
TFunction Lookup(HMODULE library, const char* name) {
  if (!library) return nullptr;
  return reinterpret_cast<TFunction>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

struct TDpiCalls {
  UINT(WINAPI* ForWindow)(HWND) = nullptr;                                          // Windows 10 1607
  BOOL(WINAPI* AdjustWindowRectForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;  // Windows 10 1607
  HRESULT(WINAPI* ForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;               // Windows 8.1
};

const TDpiCalls& Calls() {
  static const TDpiCalls calls = [] {
    TDpiCalls c;
    HMODULE user = GetModuleHandleW(L"user32.dll");
    c.ForWindow = Lookup<decltype(c.ForWindow)>(user, "GetDpiForWindow");
    c.AdjustWindowRectForDpi = Lookup<decltype(c.AdjustWindowRectForDpi)>(user, "AdjustWindowRectExForDpi");
    c.ForMonitor = Lookup<decltype(c.ForMonitor)>(LoadLibraryW(L"shcore.dll"), "GetDpiForMonitor");
    return c;
  }();
  return calls;
}

// The one DPI of the whole system, as every Windows version reports it.
unsigned SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<unsigned>(dpi) : DefaultDpi;
}

unsigned DpiOf(HMONITOR monitor) {
  constexpr int EffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the DPI the user's scale setting gives
  UINT x = 0, y = 0;
  if (monitor && Calls().ForMonitor && SUCCEEDED(Calls().ForMonitor(monitor, EffectiveDpi, &x, &y)) && x > 0) return x;
  return SystemDpi();
}

}  // namespace

unsigned WindowDpi(HWND window) {
  const UINT dpi = window && Calls().ForWindow ? Calls().ForWindow(window) : 0;
  return dpi > 0 ? dpi : DpiOf(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
}

unsigned PrimaryMonitorDpi() { return DpiOf(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)); }

unsigned MonitorDpi(const TRect& area) {
  const RECT r{area.Left, area.Top, area.Right, area.Bottom};
  return DpiOf(MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY));
}

RECT OuterRect(const TRect& client, DWORD style, DWORD exStyle, unsigned dpi) {
  RECT r{client.Left, client.Top, client.Right, client.Bottom};
  if (Calls().AdjustWindowRectForDpi)
    Calls().AdjustWindowRectForDpi(&r, style, FALSE, exStyle, dpi);
  else
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return r;
}

}  // namespace platform::win32
