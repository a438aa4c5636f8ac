// Forms, the application object and the message loop.
//
//   TCustomForm    platform window, showing and closing, activation, focus, painting
//   TTimerQueue    due times of the timers
//   TApplication   start-up, message loop, event dispatch (mouse, keys), errors
//   TScreen, window-style helpers
#include "framework/Forms.h"

#include <algorithm>
#include <span>
#include <utility>

#include "framework/ExtCtrls.h"
#include "framework/MessageBox.h"
#include "platform/Keys.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

using platform::Platform;

// =============================================================================================
// TCustomForm
// =============================================================================================

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);
  SetControlStyle(ControlStyle() | csAcceptsControls);
  if (Application) Application->Forms().push_back(this);
}

TCustomForm::~TCustomForm() {
  if (Application) {
    auto& forms = Application->Forms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (Application->MainForm() == this) Application->SetMainForm(nullptr);
  }
  if (m_window != platform::NoWindow) Platform().DestroyWindow(m_window);
}

platform::TWindowId TCustomForm::Handle() {
  if (m_window == platform::NoWindow) CreatePlatformWindow();
  return m_window;
}

void TCustomForm::CreatePlatformWindow() {
  platform::TWindowParams p;
  p.ClassName = WindowClassName();
  p.Caption = Caption();
  m_scale = ChooseScale();
  p.Bounds = BoundsRect().ScaledBy(m_scale);
  p.Borderless = m_borderStyle == bsNone;
  p.StayOnTop = m_formStyle == fsStayOnTop;
  p.NoTaskbar = Application && (Application->ExStyle() & WS_EX_TOOLWINDOW);
  p.Owner = OwnerWindow();
  m_window = Platform().CreateWindow(p);
  if (m_alphaBlend) Platform().SetWindowOpacity(m_window, static_cast<std::uint8_t>(m_alphaBlendValue));
  m_surface.Scale = m_scale;
  AllocateSurface();
  InvalidateAll();
  CreateHandleTree();
}

// The window's pixels: painted straight into the backend's memory where it offers it.
void TCustomForm::AllocateSurface() {
  TSurface surface;
  surface.Width = Width() * m_scale;
  surface.Height = Height() * m_scale;
  surface.Scale = m_scale;
  // A backend's memory is not cleared first: the first paint covers the whole window.
  if (!Platform().AttachSurface(m_window, surface)) surface.Resize(surface.Width, surface.Height);
  m_surface = std::move(surface);
}

// A box takes the scale of the form it is opened over, so that it matches it.
int TCustomForm::ChooseScale() const {
  if (m_window != platform::NoWindow) return m_scale;
  if (m_modalOwner && m_modalOwner->HasHandle()) return m_modalOwner->Scale();
  return WholeDisplayScale(Platform().DesktopScale(platform::NoWindow), {Width(), Height()},
                           Platform().PrimaryScreenSize());
}

namespace {
int FloorDiv(int v, int d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }
TPoint FloorDiv(TPoint p, int d) { return {FloorDiv(p.X, d), FloorDiv(p.Y, d)}; }
}  // namespace

// The desktop asks for another scale where the window is. The window keeps its size in the
// description's pixels and takes the whole factor for the new scale; it moves to the place the
// desktop suggests, gets a buffer of the new device size and is painted again in full (text is
// rasterised at the new device height on the way). Nothing above the platform sees a change but
// the scale and, as the screen's pixels are the scale's, its place.
void TCustomForm::FollowDesktopScale(double desktopScale, TPoint deviceTopLeft) {
  if (m_window == platform::NoWindow) return;
  const int scale = WholeDisplayScale(desktopScale, {Width(), Height()}, Platform().PrimaryScreenSize());
  if (scale == m_scale) return;
  m_scale = scale;
  AllocateSurface();
  InvalidateAll();
  const TPoint topLeft = FloorDiv(deviceTopLeft, scale);
  TWinControl::SetBounds(topLeft.X, topLeft.Y, Width(), Height());
  Platform().SetWindowBounds(m_window, BoundsRect().ScaledBy(scale));
}

TPoint TCustomForm::LogicalScreenSize() const {
  const TPoint s = Platform().PrimaryScreenSize();
  const int scale = ChooseScale();
  return {s.X / scale, s.Y / scale};
}

TPoint TCustomForm::CursorPos() const { return FloorDiv(Platform().CursorPos(), ChooseScale()); }

// Device pixels from the platform into the window description's pixels: a device pixel belongs
// to the logical pixel that covers it.
platform::TEvent TCustomForm::ToLogical(platform::TEvent e) const {
  if (m_scale == 1) return e;
  e.Client = FloorDiv(e.Client, m_scale);
  e.Screen = FloorDiv(e.Screen, m_scale);
  const TPoint topLeft = FloorDiv(TPoint{e.Bounds.Left, e.Bounds.Top}, m_scale);
  e.Bounds = Bounds(topLeft.X, topLeft.Y, e.Bounds.Width() / m_scale, e.Bounds.Height() / m_scale);
  return e;
}

int WholeDisplayScale(double desktopScale, TPoint windowSize, TPoint screenSize) {
  const double clamped = std::clamp(desktopScale, 1.0, 3.0);
  const int lower = static_cast<int>(clamped);
  const double fraction = clamped - lower;
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1;
  const int upper = lower + 1;
  const bool fits = windowSize.X * upper <= screenSize.X && windowSize.Y * upper <= screenSize.Y;
  return fits ? upper : lower;
}

// A box shown modally is owned by the form it was opened over, every other window by the
// application's hidden window.
platform::TWindowId TCustomForm::OwnerWindow() {
  if (m_modalOwner) return m_modalOwner->Handle();
  return Application ? Application->Handle() : platform::NoWindow;
}

void TCustomForm::ApplyWindowStates() {
  if (m_window == platform::NoWindow) return;
  const bool noTaskbar = Application && (Application->ExStyle() & WS_EX_TOOLWINDOW);
  Platform().SetWindowStates(m_window, m_formStyle == fsStayOnTop, noTaskbar);
}

void TCustomForm::SetFormStyle(TFormStyle s) {
  if (m_formStyle == s) return;
  m_formStyle = s;
  ApplyWindowStates();
}

void TCustomForm::SetAlphaBlend(bool v) {
  if (m_alphaBlend == v) return;
  m_alphaBlend = v;
  if (m_window) Platform().SetWindowOpacity(m_window, v ? static_cast<std::uint8_t>(m_alphaBlendValue) : 255);
}

void TCustomForm::SetAlphaBlendValue(int v) {
  v = std::clamp(v, 0, 255);
  if (m_alphaBlendValue == v) return;
  m_alphaBlendValue = v;
  if (m_window && m_alphaBlend) Platform().SetWindowOpacity(m_window, static_cast<std::uint8_t>(v));
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != Width() || height != Height();
  const bool changed = resized || left != Left() || top != Top();
  TWinControl::SetBounds(left, top, width, height);
  if (!changed || m_window == platform::NoWindow) return;
  if (resized) {
    AllocateSurface();
    InvalidateAll();
  }
  Platform().SetWindowBounds(m_window, BoundsRect().ScaledBy(m_scale));
}

void TCustomForm::TextChanged() {
  if (m_window) Platform().SetWindowCaption(m_window, Caption());
}

void TCustomForm::SetActiveControl(TWinControl* c) {
  if (c && !c->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetFocusedControl(c);
}

bool TCustomForm::SetFocusedControl(TWinControl* c) {
  if (c == m_activeControl) return true;
  TWinControl* old = m_activeControl;
  m_activeControl = c;
  if (old) {
    old->Invalidate();
    old->DoExit();
  }
  if (c && m_activeControl == c) {
    c->Invalidate();
    c->DoEnter();
  }
  return true;
}

void TCustomForm::DefocusControl(TWinControl* c) {
  for (TWinControl* a = m_activeControl; a; a = a->Parent()) {
    if (a != c) continue;
    // The focus goes to the nearest parent that can still hold it.
    TWinControl* p = c->Parent();
    while (p && p != this && !p->CanFocus()) p = p->Parent();
    m_activeControl = (p == this) ? nullptr : p;
    return;
  }
}

void TCustomForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ACTIVATE: {
      const int state = LoWord(m.WParam);
      if (state == WA_INACTIVE)
        Activated(false, false);
      else if (state == WA_ACTIVE || state == WA_CLICKACTIVE)
        Activated(true, state == WA_CLICKACTIVE);
      return;
    }
    case WM_NEXTDLGCTL: SelectNext(m_activeControl, m.WParam == 0, true); return;
    case WM_CLOSE: Close(); return;
    default: TWinControl::WndProc(m);
  }
}

void TCustomForm::Activated(bool active, bool) {
  if (m_active == active) return;
  m_active = active;
  if (m_activeControl) m_activeControl->Invalidate();
  if (active) {
    if (OnActivate) OnActivate(this);
  } else if (OnDeactivate) {
    OnDeactivate(this);
  }
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::Show() {
  if (Visible() && m_window) return;
  const bool first = !m_shownOnce;
  if (first && m_position == poScreenCenter) {
    const TPoint s = LogicalScreenSize();
    SetBounds((s.X - Width()) / 2, (s.Y - Height()) / 2, Width(), Height());
  }
  m_shownOnce = true;
  Handle();
  SetVisible(true);
  DoShow();
  // The first frame is ready before the window appears: no blank window, not even briefly.
  InvalidateAll();
  PaintPending();
  Platform().ShowWindow(m_window, true);
  ApplyWindowStates();
  // Not every desktop gives a new window the focus (a window manager may pass over one without
  // a taskbar button): the window asks for it.
  if (first) Platform().ActivateWindow(m_window);
}

void TCustomForm::BringToFront() {
  if (Visible() && m_window) Platform().ActivateWindow(m_window);
}

void TCustomForm::Hide() {
  if (!Visible()) return;
  if (m_window) Platform().ShowWindow(m_window, false);
  SetVisible(false);
  if (OnHide) OnHide(this);
}

void TCustomForm::Close() {
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (m_inModal) {
    if (m_modalResult == mrNone) m_modalResult = mrCancel;
    return;
  }
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  if (action == caMinimize) {
    if (m_window) Platform().MinimizeWindow(m_window);
    return;
  }
  Hide();
}

int TCustomForm::ShowModal() {
  m_modalResult = mrNone;
  m_inModal = true;
  m_modalOwner = Application->ModalOwnerFor(this);
  // A box must never open behind a window that stays on top: its owner's, or (with no window of
  // this program to stand on) a running copy's.
  if (!m_modalOwner || m_modalOwner->FormStyle() == fsStayOnTop) SetFormStyle(fsStayOnTop);
  Show();
  Application->PushModal(this);
  Platform().ActivateWindow(m_window);
  while (m_modalResult == mrNone && !Application->Terminated()) Application->HandleMessage();
  Application->PopModal();
  m_inModal = false;
  Hide();
  TCustomForm* owner = std::exchange(m_modalOwner, nullptr);
  if (owner && owner->Visible() && owner->HasHandle()) Platform().ActivateWindow(owner->Handle());
  return m_modalResult;
}

void TCustomForm::Release() { Hide(); }

void TCustomForm::InvalidateFormRect(const TRect& r) { m_dirty.Add(r.Intersect({0, 0, Width(), Height()})); }

void TCustomForm::InvalidateAll() {
  m_dirty.Clear();
  m_dirty.Add({0, 0, Width(), Height()});
}

// Each dirty rectangle is painted on its own (a pixel's value depends only on what covers it, so
// overlapping rectangles paint their overlap the same twice) and all are presented together.
void TCustomForm::PaintPending() {
  if (m_dirty.IsEmpty() || m_window == platform::NoWindow || !Visible()) return;
  std::swap(m_painting, m_dirty);
  m_dirty.Clear();
  m_presentAreas.clear();
  for (const TRect& r : m_painting.Rects()) {
    PaintTo(m_surface, {0, 0}, r);
    m_presentAreas.push_back(r.ScaledBy(m_scale));
  }
  Platform().PresentAreas(m_window, m_surface, m_presentAreas);
}

bool TCustomForm::DrawOnSurface(TPoint origin, const TRect& area, const std::function<void(TCanvas&)>& draw) {
  if (m_window == platform::NoWindow || !Visible()) return false;
  for (const TRect& r : m_dirty.Rects())
    if (!r.Intersect(area).IsEmpty()) return false;
  m_drawCanvas.Attach(&m_surface, origin, area);
  draw(m_drawCanvas);
  m_drawCanvas.Detach();
  const TRect device = area.ScaledBy(m_scale);
  Platform().PresentAreas(m_window, m_surface, std::span<const TRect>(&device, 1));
  return true;
}

void TCustomForm::PaintAll() {
  if (m_window == platform::NoWindow) return;
  InvalidateAll();
  PaintPending();
}

bool TCustomForm::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Caption")
    v = Caption();
  else if (name == "AlphaBlend")
    v = PropBool(m_alphaBlend);
  else if (name == "AlphaBlendValue")
    v = PropInt(m_alphaBlendValue);
  else if (name == "KeyPreview")
    v = PropBool(m_keyPreview);
  else if (name == "Active")
    v = PropBool(m_active);
  else if (name == "FormStyle")
    v = PropInt(m_formStyle);
  else if (name == "BorderStyle")
    v = PropInt(m_borderStyle);
  else if (name == "ActiveControl")
    v = m_activeControl ? m_activeControl->Name() : "";
  else if (name == "Scale")
    v = PropInt(m_scale);
  else
    return TWinControl::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// TTimerQueue
// =============================================================================================

void TTimerQueue::Schedule(TTimer* timer, std::uint64_t due) {
  Cancel(timer);
  m_queue.emplace(due, timer);
}

void TTimerQueue::Cancel(TTimer* timer) {
  for (auto it = m_queue.begin(); it != m_queue.end();) {
    if (it->second == timer)
      it = m_queue.erase(it);
    else
      ++it;
  }
}

std::optional<std::uint64_t> TTimerQueue::NextDue() const {
  if (m_queue.empty()) return std::nullopt;
  return m_queue.begin()->first;
}

void TTimerQueue::FireDue(std::uint64_t now) {
  // One tick per call for each due timer, in due order; a handler may change the queue.
  while (!m_queue.empty() && m_queue.begin()->first <= now) {
    // The entry moves to its next due time as it is (no allocation a tick).
    auto entry = m_queue.extract(m_queue.begin());
    TTimer* t = entry.mapped();
    entry.key() += static_cast<std::uint64_t>(std::max(1, t->Interval()));
    m_queue.insert(std::move(entry));
    Application->Guard([t] { t->Tick(); });
  }
}

// =============================================================================================
// TApplication
// =============================================================================================

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
  // Forms first, while the application object still answers their questions.
  while (!Components().empty()) delete Components().back();
  if (m_window != platform::NoWindow) Platform().DestroyWindow(m_window);
}

std::string TApplication::TitleFromExeName(const std::string& exePath) {
  std::string name = exePath.substr(exePath.find_last_of('/') == std::string::npos ? 0 : exePath.find_last_of('/') + 1);
  name = name.substr(0, name.find('.'));
  for (size_t i = 1; i < name.size(); ++i)
    if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] - 'A' + 'a');
  return name;
}

platform::TWindowId TApplication::Handle() {
  if (m_window == platform::NoWindow) {
    platform::TWindowParams p;
    p.ClassName = "TApplication";
    p.Caption = m_title;
    p.Bounds = {0, 0, 0, 0};
    p.Borderless = true;
    p.NoTaskbar = (m_exStyle & WS_EX_TOOLWINDOW) != 0;
    m_window = Platform().CreateWindow(p);
  }
  return m_window;
}

void TApplication::SetExStyle(int style) {
  if (m_exStyle == style) return;
  m_exStyle = style;
  for (TCustomForm* f : m_forms) f->ApplyWindowStates();
}

void TApplication::Initialize() {}

void TApplication::Run() {
  if (m_mainForm) m_mainForm->Show();
  while (!m_terminated) HandleMessage();
}

void TApplication::PaintForms() {
  // Painting opens and closes no forms: the list is walked as it is.
  for (size_t i = 0; i < m_forms.size(); ++i) m_forms[i]->PaintPending();
}

void TApplication::HandleMessage() {
  PaintForms();
  platform::TEvent e;
  const auto deadline = m_timers.NextDue();
  if (Platform().WaitEvent(e, deadline)) {
    Guard([&] { Dispatch(e); });
  } else {
    m_timers.FireDue(Platform().NowMs());
  }
}

void TApplication::ProcessMessages() {
  // Dispatches what is due now without waiting.
  const std::uint64_t now = Platform().NowMs();
  platform::TEvent e;
  while (!m_terminated && Platform().WaitEvent(e, now)) Guard([&] { Dispatch(e); });
  m_timers.FireDue(now);
  PaintForms();
}

void TApplication::Guard(const std::function<void()>& f) {
  std::string message;
  bool failed = false;
  try {
    f();
  } catch (const Exception& e) {
    failed = true;
    message = e.Message();
  } catch (const std::exception& e) {
    failed = true;
    message = e.what();
  }
  if (failed) ShowException(Exception(message));
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
  MessageBox(text, m_title, true);
}

void TApplication::MessageBox(const std::string& text, const std::string& caption, bool errorIcon) {
  ShowMessageBox(this, text, caption, errorIcon);
}

// The innermost open box, else the active form, else the main form; only a visible one. The
// active flags lag behind the activation requests (a box that has just closed may still hold
// it), so they decide only after the open boxes.
TCustomForm* TApplication::ModalOwnerFor(const TCustomForm* box) const {
  auto usable = [box](const TCustomForm* f) { return f && f != box && f->Visible(); };
  for (auto it = m_modalStack.rbegin(); it != m_modalStack.rend(); ++it)
    if (usable(*it)) return *it;
  for (TCustomForm* f : m_forms)
    if (usable(f) && f->Active()) return f;
  return usable(m_mainForm) ? m_mainForm : nullptr;
}

TCustomForm* TApplication::FormOfWindow(platform::TWindowId w) const {
  for (TCustomForm* f : m_forms)
    if (f->HasHandle() && f->m_window == w) return f;
  return nullptr;
}

void TApplication::ControlDestroying(TControl* c) {
  if (m_capture == c) {
    m_capture = nullptr;
    Platform().ReleaseCapture();
  }
  if (m_mouseControl == c) m_mouseControl = nullptr;
  for (TCustomForm* f : m_forms)
    if (f->m_activeControl == c) f->m_activeControl = nullptr;
}

void TApplication::SetCaptureControl(TControl* c) {
  if (m_capture == c) return;
  m_capture = c;
  TCustomForm* form = c ? c->GetParentForm() : nullptr;
  if (form && form->HasHandle())
    Platform().SetCapture(form->Handle());
  else
    Platform().ReleaseCapture();
}

void TApplication::Dispatch(const platform::TEvent& deviceEvent) {
  TCustomForm* form = FormOfWindow(deviceEvent.Window);
  using namespace platform;
  if (deviceEvent.Kind == evSettingsChange) {
    if (OnSettingsChange) OnSettingsChange();
    return;
  }
  if (!form) return;
  if (deviceEvent.Kind == evScaleChange) {
    form->FollowDesktopScale(deviceEvent.Scale, {deviceEvent.Bounds.Left, deviceEvent.Bounds.Top});
    return;
  }
  const TEvent e = form->ToLogical(deviceEvent);
  TCustomForm* modal = ModalForm();
  const bool blocked = modal && form != modal;
  switch (e.Kind) {
    case evActivate: form->Perform(WM_ACTIVATE, e.ByClick ? WA_CLICKACTIVE : WA_ACTIVE); break;
    case evDeactivate: form->Perform(WM_ACTIVATE, WA_INACTIVE); break;
    case evClose:
      if (!blocked) form->Perform(WM_CLOSE);
      break;
    case evExpose: form->InvalidateFormRect({0, 0, form->Width(), form->Height()}); break;
    case evBoundsChange: form->SetBounds(e.Bounds.Left, e.Bounds.Top, e.Bounds.Width(), e.Bounds.Height()); break;
    case evKeyDown:
    case evKeyUp:
    case evChar:
      if (!blocked) DispatchKey(form, e);
      break;
    case evMouseDown:
    case evMouseUp:
    case evMouseMove:
    case evMouseLeave:
      if (!blocked) DispatchMouse(form, e);
      break;
    default: break;
  }
}

void TApplication::DispatchKey(TCustomForm* form, const platform::TEvent& e) {
  using namespace platform;
  TWinControl* target = form->ActiveControl();
  if (!target || !target->CanFocus()) target = form;
  TShiftState shift = 0;
  if (e.Shift & platform::ksShift) shift |= ssShift;
  if (e.Shift & platform::ksCtrl) shift |= ssCtrl;
  if (e.Shift & platform::ksAlt) shift |= ssAlt;
  switch (e.Kind) {
    case evKeyDown:
      m_dropChar.reset();
      target->Perform(WM_KEYDOWN, e.Key, shift);
      break;
    case evKeyUp: target->Perform(WM_KEYUP, e.Key, shift); break;
    default: {
      const char32_t ch = static_cast<char32_t>(e.Char);
      if (m_dropChar && *m_dropChar == ch) {
        m_dropChar.reset();
        return;
      }
      m_dropChar.reset();
      if ((shift & ssAlt) && form->Perform(CM_DIALOGCHAR, static_cast<std::intptr_t>(ch))) return;
      target->Perform(WM_CHAR, static_cast<std::intptr_t>(ch));
      break;
    }
  }
}

void TApplication::UpdateMouseControl(TControl* c) {
  if (m_mouseControl == c) return;
  TControl* old = m_mouseControl;
  m_mouseControl = c;
  if (old) old->Perform(CM_MOUSELEAVE);
  if (c && m_mouseControl == c) c->Perform(CM_MOUSEENTER);
}

namespace {
platform::TCursorShape ShapeOf(TCursor c) {
  switch (c) {
    case crIBeam: return platform::csIBeam;
    case crHandPoint: return platform::csHand;
    case crDrag:
    case crSizeAll: return platform::csSizeAll;
    case crCross: return platform::csCross;
    case crHourGlass: return platform::csWait;
    case crNo:
    case crNoDrop: return platform::csNo;
    case crSizeWE: return platform::csSizeWE;
    case crSizeNS: return platform::csSizeNS;
    default: return platform::csArrow;
  }
}
}  // namespace

void TApplication::UpdateCursor(TControl* c) {
  TControl* w = c;
  while (w && !w->IsWindowed()) w = w->Parent();
  if (!w) return;
  const auto cursor = static_cast<TCursor>(w->Perform(WM_SETCURSOR));
  Platform().SetCursor(ShapeOf(cursor));
}

void TApplication::DispatchMouse(TCustomForm* form, const platform::TEvent& e) {
  using namespace platform;
  form->SetLastMousePos(e.Client);
  if (e.Kind == evMouseLeave) {
    if (!m_capture) UpdateMouseControl(nullptr);
    return;
  }
  const TRect clientArea{0, 0, form->Width(), form->Height()};
  TControl* hover = nullptr;
  if (clientArea.Contains(e.Client)) {
    hover = form->ControlAtPos(e.Client, false, true);
    if (!hover) hover = form;
  }
  TControl* target = m_capture ? m_capture : hover;
  if (e.Kind == evMouseMove || e.Kind == evMouseDown) UpdateMouseControl(hover);
  if (!target) return;

  const unsigned bit = e.Button == platform::pbLeft ? ssLeft : e.Button == platform::pbRight ? ssRight : ssMiddle;
  std::uint32_t msg = WM_MOUSEMOVE;
  if (e.Kind == evMouseDown) {
    m_buttons |= bit;
    const std::uint64_t now = Platform().NowMs();
    const TMouseButton button = static_cast<TMouseButton>(e.Button);
    const bool dbl = m_lastPress.valid && m_lastPress.button == button && now - m_lastPress.time <= 500 &&
                     std::abs(e.Screen.X - m_lastPress.screen.X) <= 4 &&
                     std::abs(e.Screen.Y - m_lastPress.screen.Y) <= 4;
    m_lastPress = {!dbl, button, e.Screen, now};
    const std::uint32_t base = button == mbLeft ? WM_LBUTTONDOWN : button == mbRight ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
    msg = dbl && (target->ControlStyle() & csDoubleClicks) ? base + 2 : base;
  } else if (e.Kind == evMouseUp) {
    m_buttons &= ~bit;
    msg = e.Button == platform::pbLeft ? WM_LBUTTONUP : e.Button == platform::pbRight ? WM_RBUTTONUP : WM_MBUTTONUP;
  }
  std::intptr_t keys = 0;
  if (m_buttons & ssLeft) keys |= MK_LBUTTON;
  if (m_buttons & ssRight) keys |= MK_RBUTTON;
  if (m_buttons & ssMiddle) keys |= MK_MBUTTON;
  if (e.Shift & platform::ksShift) keys |= MK_SHIFT;
  if (e.Shift & platform::ksCtrl) keys |= MK_CONTROL;
  const TPoint origin = target->ClientOrigin();
  const TPoint formOrigin = form->ClientOrigin();
  const int x = e.Client.X - (origin.X - formOrigin.X);
  const int y = e.Client.Y - (origin.Y - formOrigin.Y);
  target->Perform(msg, keys, MakePointParam(x, y));
  if (e.Kind == evMouseUp && m_buttons == 0 && m_capture) SetCaptureControl(nullptr);
  if (e.Kind == evMouseMove && hover) UpdateCursor(hover);
}

// =============================================================================================
// TScreen and window styles
// =============================================================================================

int TScreen::Width() const { return Platform().PrimaryScreenSize().X / Scale(); }
int TScreen::Height() const { return Platform().PrimaryScreenSize().Y / Scale(); }
int TScreen::Scale() const {
  if (Application && Application->MainForm() && Application->MainForm()->HasHandle())
    return Application->MainForm()->Scale();
  return WholeDisplayScale(Platform().DesktopScale(platform::NoWindow), {}, Platform().PrimaryScreenSize());
}

int GetWindowLongA(platform::TWindowId window, int index) {
  if (Application && index == GWL_EXSTYLE && window == Application->Handle()) return Application->ExStyle();
  return 0;
}

int SetWindowLongA(platform::TWindowId window, int index, int value) {
  if (!Application || index != GWL_EXSTYLE || window != Application->Handle()) return 0;
  const int old = Application->ExStyle();
  Application->SetExStyle(value);
  return old;
}
