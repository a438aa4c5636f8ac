// Forms, the application object, the screen object and the standard message box.
//
//   TCustomForm / TForm  top-level windows: platform window, pixel buffer, focus, activation,
//                        key preview, showing, closing, modal loop
//   TTimerQueue          the timers that tick through the message loop
//   TApplication         start-up, the message loop, dispatch of platform events, errors
//   TScreen              the primary screen and the open forms
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/DirtyRegion.h"
#include "framework/Controls.h"
#include "framework/SysUtils.h"

class TTimer;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  const char* ClassName() const override { return "TCustomForm"; }
  const TCustomForm* AsForm() const override { return this; }
  // The platform window class name (the form's class name).
  virtual std::string WindowClassName() const { return ClassName(); }
  void WndProc(TMessage& message) override;

  TBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TBorderStyle s) { m_borderStyle = s; }
  TFormStyle FormStyle() const { return m_formStyle; }
  void SetFormStyle(TFormStyle s);
  TPosition Position() const { return m_position; }
  void SetPosition(TPosition p) { m_position = p; }
  bool AlphaBlend() const { return m_alphaBlend; }
  void SetAlphaBlend(bool v);
  int AlphaBlendValue() const { return m_alphaBlendValue; }
  void SetAlphaBlendValue(int v);
  bool KeyPreview() const { return m_keyPreview; }
  void SetKeyPreview(bool v) { m_keyPreview = v; }
  int PixelsPerInch() const { return 96; }
  // Device pixels per pixel of the window description (1, 2 or 3), chosen when the platform
  // window is created and again when the desktop asks for another scale where the window is.
  // Everything above the platform stays in the description's pixels; only the pixel buffer and
  // the platform calls are in device pixels.
  int Scale() const { return m_scale; }
  // The pointer's screen position in the window's logical pixels.
  TPoint CursorPos() const;

  TWinControl* ActiveControl() const { return m_activeControl; }
  void SetActiveControl(TWinControl* c);
  // Moves the keyboard focus; the old control's exit step runs before the new one's enter step.
  bool SetFocusedControl(TWinControl* c);
  // Takes the focus away from `c` (and its children) when it can no longer hold it.
  void DefocusControl(TWinControl* c);
  bool Active() const { return m_active; }

  void SetBounds(int left, int top, int width, int height) override;
  TPoint ClientOrigin() const override { return {Left(), Top()}; }
  bool CanFocus() const override { return Visible() && Enabled(); }

  // The platform window; created on first need (asks for it create it).
  platform::TWindowId Handle();
  bool HasHandle() const { return m_window != platform::NoWindow; }

  void Show();
  void Hide();
  // Raises the window and asks the desktop to make it the active window.
  void BringToFront();
  void Close();
  // Shows the form as a modal box owned by the form the user was working in (the innermost open
  // box, else the active form, else the main form): the box stands above its owner, takes the
  // activation, and gives it back to the owner when it closes.
  int ShowModal();
  int ModalResult() const { return m_modalResult; }
  void SetModalResult(int r) { m_modalResult = r; }
  void Release();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;

  // Painting: the pixel buffer, the pending area and painting it.
  void InvalidateFormRect(const TRect& r);
  bool NeedsPaint() const { return !m_dirty.IsEmpty(); }
  void PaintPending();
  const TSurface& Surface() const { return m_surface; }
  // Paints the whole window now into the surface (for screenshots).
  void PaintAll();
  // Runs `draw` on a canvas with this origin and clip (form coordinates) and presents the area,
  // when the form is shown and no paint is pending there; false otherwise (see TControl::DrawNow).
  bool DrawOnSurface(TPoint origin, const TRect& area, const std::function<void(TCanvas&)>& draw);

  // The last pointer position over this form (client), for cursor and hover decisions.
  TPoint LastMousePos() const { return m_lastMouse; }
  void SetLastMousePos(TPoint p) { m_lastMouse = p; }

  bool GetPropertyText(std::string_view name, std::string& value) override;

  // Runs DoCreate after the window description has been applied (the entry calls it).
  void DoCreate();

 protected:
  void KeyPressPreview(char32_t& key) { KeyPress(key); }
  virtual void DoShow();
  virtual void Activated(bool active, bool byClick);
  void TextChanged() override;
  friend class TApplication;
  friend class TWinControl;

 private:
  void CreatePlatformWindow();
  int ChooseScale() const;
  void FollowDesktopScale(double desktopScale, TPoint deviceTopLeft);
  void AllocateSurface();
  void InvalidateAll();
  TPoint LogicalScreenSize() const;
  platform::TEvent ToLogical(platform::TEvent e) const;
  void ApplyWindowStates();
  platform::TWindowId OwnerWindow();
  friend class TApplication;

  TBorderStyle m_borderStyle = bsSizeable;
  TFormStyle m_formStyle = fsNormal;
  TPosition m_position = poDesigned;
  bool m_alphaBlend = false;
  int m_alphaBlendValue = 255;
  bool m_keyPreview = false;
  TWinControl* m_activeControl = nullptr;
  bool m_active = false;
  bool m_shownOnce = false;
  int m_modalResult = 0;
  bool m_inModal = false;
  TCustomForm* m_modalOwner = nullptr;  // while shown modally
  platform::TWindowId m_window = platform::NoWindow;
  int m_scale = 1;
  TSurface m_surface;
  TDirtyRegion m_dirty;
  TDirtyRegion m_painting;            // the area being painted now (kept for its capacity)
  TCanvas m_drawCanvas;               // for drawing outside a paint
  std::vector<TRect> m_presentAreas;  // the same in device pixels
  TPoint m_lastMouse{-1, -1};
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  const char* ClassName() const override { return "TForm"; }
};

// Timers tick through the message loop, each at its own due time, in order.
class TTimerQueue {
 public:
  void Schedule(TTimer* timer, std::uint64_t due);
  void Cancel(TTimer* timer);
  std::optional<std::uint64_t> NextDue() const;
  // Fires every timer due at or before now, earliest first.
  void FireDue(std::uint64_t now);

 private:
  std::multimap<std::uint64_t, TTimer*> m_queue;
};

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  // The executable's name up to its first ".", every character after the first lower-cased.
  const std::string& Title() const { return m_title; }
  void SetTitle(const std::string& t) { m_title = t; }
  static std::string TitleFromExeName(const std::string& exePath);

  // The hidden owner window of every top-level window of the program.
  platform::TWindowId Handle();
  int ExStyle() const { return m_exStyle; }
  void SetExStyle(int style);

  void Initialize();
  template <class TFormClass>
  TFormClass* CreateForm() {
    auto* form = new TFormClass(this);
    if (!m_mainForm) m_mainForm = form;
    return form;
  }
  TCustomForm* MainForm() const { return m_mainForm; }
  void SetMainForm(TCustomForm* f) { m_mainForm = f; }
  void Run();
  void Terminate() { m_terminated = true; }
  bool Terminated() const { return m_terminated; }
  // Takes and dispatches one platform message (or fires due timers); paints first when idle.
  void HandleMessage();
  void ProcessMessages();

  // Shows an error in the standard error box (the message, a full stop when the message's last
  // character sorts above ".", the application's title as caption).
  void ShowException(const std::exception& e);
  void HandleException(const std::exception& e) { ShowException(e); }
  // Runs f, catching an escaping error and showing it.
  void Guard(const std::function<void()>& f);
  // A modal box with a text, an OK button and the title as caption.
  void MessageBox(const std::string& text, const std::string& caption, bool errorIcon);

  TTimerQueue& Timers() { return m_timers; }
  // Runs when the desktop announces new settings (the locale's decimal separator).
  std::function<void()> OnSettingsChange;

  // Non-owning pointers kept by the dispatcher, cleared when the control goes away.
  void ControlDestroying(TControl* c);
  TControl* CaptureControl() const { return m_capture; }
  void SetCaptureControl(TControl* c);
  TControl* MouseControl() const { return m_mouseControl; }
  // Drops the next typed character if it is `ch` (a key handled on key-down makes none).
  void RemovePendingChar(char32_t ch) { m_dropChar = ch; }

  std::vector<TCustomForm*>& Forms() { return m_forms; }
  TCustomForm* ModalForm() const { return m_modalStack.empty() ? nullptr : m_modalStack.back(); }
  void PushModal(TCustomForm* f) { m_modalStack.push_back(f); }
  void PopModal() { m_modalStack.pop_back(); }
  // The form a box opened now stands on (see TCustomForm::ShowModal); nothing when none is shown.
  TCustomForm* ModalOwnerFor(const TCustomForm* box) const;
  TCustomForm* FormOfWindow(platform::TWindowId w) const;

 private:
  void Dispatch(const platform::TEvent& e);
  void DispatchMouse(TCustomForm* form, const platform::TEvent& e);
  void DispatchKey(TCustomForm* form, const platform::TEvent& e);
  void UpdateMouseControl(TControl* c);
  // Shows the cursor that the windowed control under the pointer asks for.
  void UpdateCursor(TControl* c);
  void PaintForms();

  std::string m_title;
  platform::TWindowId m_window = platform::NoWindow;
  int m_exStyle = 0;
  TCustomForm* m_mainForm = nullptr;
  bool m_terminated = false;
  TTimerQueue m_timers;
  std::vector<TCustomForm*> m_forms;
  std::vector<TCustomForm*> m_modalStack;
  TControl* m_capture = nullptr;
  TControl* m_mouseControl = nullptr;
  std::optional<char32_t> m_dropChar;
  // Double-click detection: the previous press.
  struct {
    bool valid = false;
    TMouseButton button = mbLeft;
    TPoint screen;
    std::uint64_t time = 0;
  } m_lastPress;
  TShiftState m_buttons = 0;
};

// The whole scale factor (1 to 3) for a desktop scale: the nearest one, where a desktop halfway
// between two (150 %, 250 %) gets the larger only when the window, `windowSize` logical pixels,
// still fits the screen of `screenSize` device pixels at it.
int WholeDisplayScale(double desktopScale, TPoint windowSize, TPoint screenSize);

// The primary screen in logical pixels: the device size divided by the main form's scale (the
// desktop's whole scale before the main form has a window).
class TScreen {
 public:
  int Width() const;
  int Height() const;
  int Scale() const;
  TCursor Cursor() const { return m_cursor; }
  void SetCursor(TCursor c) { m_cursor = c; }

 private:
  TCursor m_cursor = crDefault;
};

// The program's application and screen objects (created by the entry, one per run).
extern TApplication* Application;
extern TScreen* Screen;

// The extended window style flag that keeps a window off the taskbar.
constexpr int GWL_EXSTYLE = -20;
constexpr int WS_EX_TOOLWINDOW = 0x80;
int GetWindowLongA(platform::TWindowId window, int index);
int SetWindowLongA(platform::TWindowId window, int index, int value);
