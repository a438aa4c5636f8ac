// Xlib helpers of the desktop backend: the atoms it uses, the properties a window manager reads
// from a top-level window, and the search for top-level windows of any process.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace platform::x11 {

// Every atom the backend uses, interned in one round trip at start. _MOTIF_WM_HINTS is created
// when the server does not know it yet: a window manager started later still reads the hint.
struct TAtoms {
  explicit TAtoms(Display* display);
  Atom Utf8String, Targets, Clipboard, ClipboardData, Incr, WmProtocols, WmDeleteWindow, WmState, NetWmPing, NetWmName,
      NetWmState, NetWmStateAbove, NetWmStateSkipTaskbar, NetWmStateSkipPager, NetWmWindowType, NetWmWindowTypeNormal,
      NetWmWindowTypeDialog, NetWmWindowOpacity, NetWmPid, NetActiveWindow, NetClientList, NetSupportingWmCheck,
      NetFrameExtents, NetWmUserTime, MotifWmHints, OrvantaTime;
};

// Replaces Xlib's default error handler, which ends the program: a request about a window that
// has just gone (destroyed, or reparented by a window manager meanwhile) is ignored, other errors
// are reported on standard error and the program goes on.
void InstallLastingErrorHandler();

// Window class (res_name and res_class) of a window not mapped yet.
void SetClassHint(Display* display, Window window, const std::string& className);

// The caption as _NET_WM_NAME (UTF-8) and as WM_NAME (Latin-1 where it fits, else compound text).
void SetCaption(Display* display, const TAtoms& atoms, Window window, const std::string& caption);

// Stay-on-top and no-taskbar (which includes no pager entry) as the _NET_WM_STATE property, for
// a window that is not mapped or that no window manager looks after.
void WriteWindowStates(Display* display, const TAtoms& atoms, Window window, bool above, bool skipTaskbar);

// The same states asked of the window manager for a mapped window (EWMH client messages).
void RequestWindowStates(Display* display, const TAtoms& atoms, Window window, bool above, bool skipTaskbar);

// The "no decorations" hint (_MOTIF_WM_HINTS) on or off.
void SetNoDecorations(Display* display, const TAtoms& atoms, Window window, bool none);

// Is an EWMH window manager running on the display's default screen now?
bool HasWindowManager(Display* display, const TAtoms& atoms);

// Is there a top-level window, of any process, whose class (res_class or res_name) and caption
// equal these, without regard to letter case? Looks at every child of the root window (hidden
// and withdrawn windows stay there), at the window manager's client list, and, where there is
// no client list, at the client windows inside frames. The properties of all windows of one
// level are asked for together, so the number of round trips does not grow with the number of
// windows; the server is not grabbed.
bool FindTopLevelWindow(Display* display, const TAtoms& atoms, const std::string& className,
                        const std::string& caption);

// ASCII case-insensitive equality.
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace platform::x11
