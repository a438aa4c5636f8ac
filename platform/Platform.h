// The operating-system boundary. The class library talks to the desktop only through TPlatform;
// the headless backend implements it in memory for tests, the desktop backends
// (X11, Win32) on a real desktop.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "base/Types.h"

namespace platform {

using TWindowId = std::uint32_t;  // 0: no window
constexpr TWindowId NoWindow = 0;

struct TWindowParams {
  std::string ClassName;  // the window class, e.g. "TForm1"
  std::string Caption;
  TRect Bounds;  // screen coordinates, outer size
  bool Borderless = false;
  bool StayOnTop = false;
  bool NoTaskbar = false;
  TWindowId Owner = NoWindow;
};

enum TMouseButtonId { pbLeft, pbRight, pbMiddle };

// Modifier state carried by input events.
enum TShiftFlag : unsigned { ksShift = 1, ksAlt = 2, ksCtrl = 4 };
using TShiftState = unsigned;

enum TCursorShape { csArrow, csIBeam, csHand, csSizeAll, csCross, csWait, csNo, csSizeWE, csSizeNS };

enum TEventKind {
  evKeyDown,  // Key: virtual key code
  evKeyUp,
  evChar,       // Char: code point; Ctrl+letter as 1..26, Backspace 8, Tab 9, Enter 13, Esc 27
  evMouseDown,  // Button, client X/Y, screen position
  evMouseUp,
  evMouseMove,
  evMouseLeave,  // the pointer left the window (no button held)
  evActivate,    // the window became the active window; ByClick when a click activated it
  evDeactivate,
  evExpose,          // the window's contents must be presented again
  evClose,           // the user asked to close the window
  evSettingsChange,  // the desktop announced new settings (locale)
  evBoundsChange,    // Bounds: the window is not where the program put it (a window manager moved,
                     // clamped or refused a move or resize); the program follows
  evScaleChange      // Scale: the desktop asks for another display scale where the window is (it
                     // moved to a monitor of another scale, or the setting changed); Bounds: the
                     // place the desktop suggests for it. The program resizes the window itself.
};

struct TEvent {
  TEvent() = default;
  TEvent(TEventKind kind, TWindowId window) : Kind(kind), Window(window) {}
  TEventKind Kind = evExpose;
  TWindowId Window = NoWindow;
  int Key = 0;
  std::uint32_t Char = 0;
  TShiftState Shift = 0;
  TMouseButtonId Button = pbLeft;
  TPoint Client;  // position relative to the window's top-left corner
  TPoint Screen;
  TRect Bounds;        // evBoundsChange: the window's real place and size on the screen
  double Scale = 1.0;  // evScaleChange: the new desktop scale, as DesktopScale reports it
  bool ByClick = false;
};

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  // Top-level windows.
  virtual TWindowId CreateWindow(const TWindowParams& params) = 0;
  virtual void DestroyWindow(TWindowId window) = 0;
  virtual void ShowWindow(TWindowId window, bool visible) = 0;
  virtual void SetWindowBounds(TWindowId window, const TRect& bounds) = 0;
  virtual void SetWindowCaption(TWindowId window, const std::string& caption) = 0;
  virtual void SetWindowOpacity(TWindowId window, std::uint8_t opacity) = 0;
  virtual void SetWindowStates(TWindowId window, bool stayOnTop, bool noTaskbar) = 0;
  virtual void MinimizeWindow(TWindowId window) = 0;
  virtual void ActivateWindow(TWindowId window) = 0;
  // Shows the part `dirty` of a window's pixel buffer (the buffer covers the whole window).
  virtual void Present(TWindowId window, const TSurface& pixels, const TRect& dirty) = 0;
  // Shows several parts of it as one frame; a backend that can send them together (and wait for
  // the display once) does so, the others show each in turn.
  virtual void PresentAreas(TWindowId window, const TSurface& pixels, std::span<const TRect> areas) {
    for (const TRect& area : areas) Present(window, pixels, area);
  }
  // Makes `surface` (its Width and Height as they are) a view over the memory the backend
  // presents the window from, so that painting needs no copy before a Present; false, and the
  // surface unchanged, where the backend cannot (the caller then keeps a buffer of its own).
  // The view is valid until the next AttachSurface or DestroyWindow of the window.
  virtual bool AttachSurface(TWindowId window, TSurface& surface) {
    (void)window;
    (void)surface;
    return false;
  }
  virtual void SetCursor(TCursorShape shape) = 0;
  virtual void SetCapture(TWindowId window) = 0;
  virtual void ReleaseCapture() = 0;

  // Is there a top-level window of any process with this class and caption (case-insensitive)?
  virtual bool FindWindow(const std::string& className, const std::string& caption) = 0;

  // Positions and sizes at this boundary are device pixels. The display scale the desktop asks
  // for where `window` is (NoWindow: the primary screen): 1.0 at 96 pixels per inch, 2.0 at 192.
  // The class library turns it into the window's whole scale factor.
  virtual double DesktopScale(TWindowId window) {
    (void)window;
    return 1.0;
  }
  virtual TPoint PrimaryScreenSize() = 0;
  virtual TPoint CursorPos() = 0;

  // Events and time. WaitEvent returns false when the deadline (clock milliseconds) passes first.
  virtual std::uint64_t NowMs() = 0;
  virtual bool WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) = 0;

  // Desktop services.
  virtual std::optional<std::string> ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual void Beep() = 0;
  virtual void OpenUrl(const std::string& url) = 0;
  virtual void SwitchInputMethod(const std::string& name) = 0;  // empty: the default layout
  // The user's decimal separator (the C library's locale by default; a point when it has none).
  virtual char LocaleDecimalSeparator();

  // A modal message box is shown / dismissed (drawn by the class library itself); lets a test
  // backend report it. Nothing to do on a real desktop.
  virtual void MessageBoxShown(const std::string& caption, const std::string& text) {
    (void)caption;
    (void)text;
  }
  virtual void MessageBoxClosed() {}
};

// The backend the program runs on; set once at start-up by the entry.
TPlatform& Platform();
void SetPlatform(TPlatform* platform);

}  // namespace platform
