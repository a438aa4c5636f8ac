// The headless backend: a virtual desktop in memory with a virtual clock. Windows are records,
// time moves only when told, beeps, opened addresses and message boxes are reported to an
// observer, the clipboard is a string. The headless driver and the tests run the program on it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

class THeadlessPlatform : public TPlatform {
 public:
  struct TWindowRecord {
    TWindowParams Params;
    std::string Caption;
    TRect Bounds;
    bool Visible = false;
    bool Minimized = false;
    bool Foreign = false;  // a window of another program
    std::uint8_t Opacity = 255;
    bool StayOnTop = false;
    bool NoTaskbar = false;
    TSurface Pixels;  // what the window shows
    // Presents since the last ForgetPresents, and the union of their dirty rectangles: what an
    // idle program costs the desktop.
    int Presents = 0;
    TRect PresentedArea;
  };

  // What the program does by itself, reported as it happens.
  struct TObserver {
    std::function<void()> Beep;
    std::function<void(const std::string&)> OpenUrl;
    std::function<void(const std::string&, const std::string&)> MessageBoxShown;
    std::function<void()> MessageBoxClosed;
  };
  TObserver Observer;
  // Asked for more input when nothing is queued and no timer is due; false when there is none
  // (WaitEvent then returns at once and the clock stays where it is).
  std::function<bool()> OnIdle;

  // --- the virtual desktop, for drivers and tests ------------------------------------------
  // The primary screen in device pixels and the display scale the desktop asks for.
  void SetScreenSize(int w, int h) { m_screen = {w, h}; }
  void SetDesktopScale(double scale) { m_desktopScale = scale; }
  // The display changes its scale under the program's windows (the setting changed, or they
  // moved to a monitor of another scale): each is told, with its present place as the suggestion.
  void ChangeDesktopScale(double scale);
  TWindowId AddForeignWindow(const std::string& className, const std::string& caption);
  const TWindowRecord* Window(TWindowId id) const;
  void ForgetPresents(TWindowId id);
  // Visible windows from top to bottom.
  std::vector<TWindowId> ZOrder() const;
  TWindowId WindowAt(TPoint screen) const;
  TWindowId ActiveWindow() const { return m_active; }
  // Makes `id` the active window (NoWindow: a window of no program), with the events.
  void Activate(TWindowId id, bool byClick);
  TPoint Pointer() const { return m_pointer; }
  // Input as a desktop would deliver it.
  void MovePointer(TPoint screen, TShiftState shift);
  void Press(TMouseButtonId button, TShiftState shift);
  void Release(TMouseButtonId button, TShiftState shift);
  void Key(bool down, int vk, TShiftState shift);
  void Char(std::uint32_t ch, TShiftState shift);
  void Push(const TEvent& e) { m_queue.push_back(e); }
  bool HasQueuedEvents() const { return !m_queue.empty(); }
  // Moves the clock forward by ms; WaitEvent delivers the timers due on the way.
  void Wait(std::uint64_t ms) { m_waitUntil = m_now + ms; }
  bool Waiting() const { return m_waitUntil.has_value(); }
  void SetDecimalSeparator(char c) { m_decimal = c; }
  TCursorShape CurrentCursor() const { return m_cursor; }
  TWindowId CaptureWindow() const { return m_capture; }
  int BeepCount() const { return m_beeps; }
  const std::vector<std::string>& OpenedUrls() const { return m_urls; }

  // --- TPlatform ------------------------------------------------------------------------------
  TWindowId CreateWindow(const TWindowParams& params) override;
  void DestroyWindow(TWindowId window) override;
  void ShowWindow(TWindowId window, bool visible) override;
  void SetWindowBounds(TWindowId window, const TRect& bounds) override;
  void SetWindowCaption(TWindowId window, const std::string& caption) override;
  void SetWindowOpacity(TWindowId window, std::uint8_t opacity) override;
  void SetWindowStates(TWindowId window, bool stayOnTop, bool noTaskbar) override;
  void MinimizeWindow(TWindowId window) override;
  void ActivateWindow(TWindowId window) override { Activate(window, false); }
  void Present(TWindowId window, const TSurface& pixels, const TRect& dirty) override;
  void PresentAreas(TWindowId window, const TSurface& pixels, std::span<const TRect> areas) override;
  void SetCursor(TCursorShape shape) override { m_cursor = shape; }
  void SetCapture(TWindowId window) override { m_capture = window; }
  void ReleaseCapture() override { m_capture = NoWindow; }
  bool FindWindow(const std::string& className, const std::string& caption) override;
  double DesktopScale(TWindowId) override { return m_desktopScale; }
  TPoint PrimaryScreenSize() override { return m_screen; }
  TPoint CursorPos() override { return m_pointer; }
  std::uint64_t NowMs() override { return m_now; }
  bool WaitEvent(TEvent& event, std::optional<std::uint64_t> deadline) override;
  std::optional<std::string> ClipboardText() override { return m_clipboard; }
  void SetClipboardText(const std::string& text) override { m_clipboard = text; }
  void Beep() override;
  void OpenUrl(const std::string& url) override;
  void SwitchInputMethod(const std::string& name) override { m_inputMethod = name; }
  char LocaleDecimalSeparator() override { return m_decimal; }
  void MessageBoxShown(const std::string& caption, const std::string& text) override;
  void MessageBoxClosed() override;

 private:
  TWindowRecord* Find(TWindowId id);
  TEvent MouseEvent(TEventKind kind, TWindowId window, TMouseButtonId button, TShiftState shift) const;
  TWindowId PointerTarget() const;

  std::map<TWindowId, TWindowRecord> m_windows;
  std::vector<TWindowId> m_stack;  // bottom first
  TWindowId m_nextId = 1;
  TWindowId m_active = NoWindow;
  TWindowId m_hover = NoWindow;
  TWindowId m_capture = NoWindow;
  TPoint m_screen{1920, 1080};
  double m_desktopScale = 1.0;
  TPoint m_pointer{0, 0};
  unsigned m_buttonsDown = 0;
  std::deque<TEvent> m_queue;
  std::uint64_t m_now = 0;
  std::optional<std::uint64_t> m_waitUntil;
  std::optional<std::string> m_clipboard;
  std::string m_inputMethod;
  TCursorShape m_cursor = csArrow;
  char m_decimal = '.';
  int m_beeps = 0;
  std::vector<std::string> m_urls;
};

}  // namespace platform
