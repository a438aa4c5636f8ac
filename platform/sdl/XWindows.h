// Xlib helpers of the desktop backend: what SDL 2.26 does not do for a window (class hint,
// window-manager states, both caption properties) and the search for top-level windows of any
// process.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>

namespace platform::x11 {

// Replaces Xlib's default error handler, which ends the program: a request about a window that
// has just gone (destroyed or reparented by a window manager meanwhile) is ignored, other errors
// are reported on standard error and the program goes on.
void InstallLastingErrorHandler();

// Collects the X errors of one display while alive, instead of Xlib's default handler, which
// ends the process. Windows of other programs can vanish between two requests, so every walk
// over foreign windows runs under a trap.
class TXErrorTrap {
 public:
  explicit TXErrorTrap(Display* display);
  ~TXErrorTrap();
  TXErrorTrap(const TXErrorTrap&) = delete;
  TXErrorTrap& operator=(const TXErrorTrap&) = delete;

  // Waits for the server's answers to everything sent so far; true when any of them failed.
  bool Failed();

 private:
  static int Handler(Display* display, XErrorEvent* error);

  Display* m_display;
  XErrorHandler m_previousHandler;
  TXErrorTrap* m_outer;
  bool m_failed = false;
};

// Window class (res_name and res_class) of a window not mapped yet.
void SetClassHint(Display* display, Window window, const std::string& className);

// The caption as _NET_WM_NAME (UTF-8) and as WM_NAME (Latin-1 where it fits, else compound text).
void SetCaption(Display* display, Window window, const std::string& caption);

// The caption a window carries: _NET_WM_NAME, else WM_NAME; nothing when it has neither.
std::optional<std::string> Caption(Display* display, Window window);

// Stay-on-top and no-taskbar (which includes no pager entry) as the _NET_WM_STATE property.
// Only a window that is not mapped may write it; other atoms in the property are kept.
void WriteWindowStates(Display* display, Window window, bool above, bool skipTaskbar);

// The same states asked of the window manager for a mapped window (EWMH client messages).
void RequestWindowStates(Display* display, Window window, bool above, bool skipTaskbar);

// The atom names in a window's _NET_WM_STATE property (for checks).
std::string WindowStateNames(Display* display, Window window);

// Is an EWMH window manager running on the display's default screen?
bool HasWindowManager(Display* display);

// Makes `window` a transient window of `owner` (kept above it by the window manager).
void SetTransientFor(Display* display, Window window, Window owner);

// Is there a top-level window, of any process, whose class (res_class or res_name) and caption
// equal these, without regard to letter case? Looks at every child of the root window (hidden
// and withdrawn windows stay there) and, below a window manager's frame, at the client window
// that carries WM_STATE.
bool FindTopLevelWindow(Display* display, const std::string& className, const std::string& caption);

// ASCII case-insensitive equality.
bool EqualNoCase(const std::string& a, const std::string& b);

}  // namespace platform::x11
