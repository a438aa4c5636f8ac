// Controls: placement, state, mouse messages, painting and focus.
//
//   TControl         construction, WindowProc and mouse messages, bounds, state, looks, painting
//   TWinControl      children, window creation, key messages, focus and tab order, painting
//   TGraphicControl  TCustomControl
#include "framework/Controls.h"

#include <algorithm>

#include "framework/Forms.h"

TShiftState KeysToShiftState(std::intptr_t keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  return s;
}

// =============================================================================================
// TControl
// =============================================================================================

TControl::TControl(TComponent* owner) : TComponent(owner) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  m_font.OnChange = [this] {
    if (!m_fontFromParent) m_parentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  if (Application) Application->ControlDestroying(this);
  if (m_parent) m_parent->RemoveControl(this);
}

std::intptr_t TControl::Perform(std::uint32_t msg, std::intptr_t wparam, std::intptr_t lparam) {
  TMessage m{msg, wparam, lparam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEMOVE: HandleMouseMessage(m); break;
    default: break;
  }
}

void TControl::HandleMouseMessage(TMessage& m) {
  const int x = PointParamX(m.LParam), y = PointParamY(m.LParam);
  const TShiftState shift = KeysToShiftState(m.WParam);
  switch (m.Msg) {
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    case WM_LBUTTONDOWN:
      if (m_controlStyle & csCaptureMouse) SetMouseCapture(true);
      if (m_controlStyle & csClickEvents) m_controlState |= csClicked;
      m_controlState |= csLButtonDown;
      MouseDown(mbLeft, shift, x, y);
      break;
    case WM_LBUTTONDBLCLK:
      // The second press of a double click raises OnDblClick; its release clicks nothing.
      if (m_controlStyle & csCaptureMouse) SetMouseCapture(true);
      m_controlState |= csLButtonDown;
      if (m_controlStyle & csClickEvents) DblClick();
      MouseDown(mbLeft, shift | ssDouble, x, y);
      break;
    case WM_LBUTTONUP:
      if (m_controlStyle & csCaptureMouse) SetMouseCapture(false);
      m_controlState &= ~csLButtonDown;
      if (m_controlState & csClicked) {
        m_controlState &= ~csClicked;
        if (ClientRect().Contains({x, y})) Click();
      }
      MouseUp(mbLeft, shift, x, y);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: MouseDown(mbRight, m.Msg == WM_RBUTTONDBLCLK ? shift | ssDouble : shift, x, y); break;
    case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: MouseDown(mbMiddle, m.Msg == WM_MBUTTONDBLCLK ? shift | ssDouble : shift, x, y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); break;
  }
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}

bool TControl::MouseCapture() const { return Application && Application->CaptureControl() == this; }

void TControl::SetMouseCapture(bool capture) {
  if (!Application || MouseCapture() == capture) return;
  Application->SetCaptureControl(capture ? this : nullptr);
}

void TControl::SetParent(TWinControl* parent) {
  if (m_parent == parent) return;
  if (m_parent) {
    Invalidate();
    m_parent->RemoveControl(this);
  }
  m_parent = parent;
  if (parent) {
    parent->InsertControl(this);
    ParentFontChanged();
    ParentColorChanged();
    if (auto* self = dynamic_cast<TWinControl*>(this); self && parent->HandleAllocated()) self->HandleNeeded();
    if (m_align != alNone) parent->AlignControls();
    Invalidate();
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == m_left && top == m_top && width == m_width && height == m_height) return;
  const bool resized = width != m_width || height != m_height;
  Invalidate();
  m_left = left;
  m_top = top;
  m_width = width;
  m_height = height;
  if (resized) Resize();
  Invalidate();
  if (m_parent && m_align != alNone && resized) m_parent->AlignControls();
}

void TControl::SetClientWidth(int w) { SetWidth(w + (Width() - ClientWidth())); }
void TControl::SetClientHeight(int h) { SetHeight(h + (Height() - ClientHeight())); }

TPoint TControl::ClientOrigin() const {
  if (!m_parent) return {m_left, m_top};
  const TPoint p = m_parent->ClientOrigin();
  return {p.X + m_left, p.Y + m_top};
}
TPoint TControl::ClientToScreen(TPoint p) const {
  const TPoint o = ClientOrigin();
  return {p.X + o.X, p.Y + o.Y};
}
TPoint TControl::ScreenToClient(TPoint p) const {
  const TPoint o = ClientOrigin();
  return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetAlign(TAlign align) {
  if (m_align == align) return;
  m_align = align;
  if (m_parent) m_parent->AlignControls();
}

void TControl::SetVisible(bool v) {
  if (m_visible == v) return;
  VisibleChanging();
  Invalidate();
  m_visible = v;
  Invalidate();
  if (!v) {
    if (auto* self = dynamic_cast<TWinControl*>(this))
      if (TCustomForm* form = GetParentForm(); form && form != this) form->DefocusControl(self);
    if (Application) Application->ControlDestroying(this);  // no longer captured or hovered
  }
  if (m_parent && m_align != alNone) m_parent->AlignControls();
  Perform(CM_VISIBLECHANGED, v);
}

bool TControl::Showing() const {
  if (!m_visible) return false;
  if (!m_parent) return AsForm() != nullptr;
  return m_parent->Showing();
}

void TControl::SetEnabled(bool v) {
  if (m_enabled == v) return;
  m_enabled = v;
  Invalidate();
  if (!v)
    if (auto* self = dynamic_cast<TWinControl*>(this)) self->PassFocusOn();
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::EnabledChain() const {
  for (const TControl* c = this; c; c = c->m_parent)
    if (!c->m_enabled) return false;
  return true;
}

void TControl::SetParentFont(bool v) {
  if (m_parentFont == v) return;
  m_parentFont = v;
  if (v) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!m_parentFont || !m_parent) return;
  m_fontFromParent = true;
  m_font.Assign(m_parent->Font());
  m_fontFromParent = false;
}

void TControl::FontChanged() {
  Perform(CM_FONTCHANGED);
  Invalidate();
}

void TControl::SetColor(TColor c) {
  if (m_color == c) return;
  m_color = c;
  m_parentColor = false;
  ColorChanged();
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool v) {
  if (m_parentColor == v) return;
  m_parentColor = v;
  if (v) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!m_parentColor || !m_parent || m_color == m_parent->Color()) return;
  m_color = m_parent->Color();
  ColorChanged();
}

void TControl::SetCursor(TCursor c) { m_cursor = c; }

void TControl::SetText(const std::string& t) {
  if (m_text == t) return;
  m_text = t;
  TextChanged();
  Perform(CM_TEXTCHANGED);
}

TCustomForm* TControl::GetParentForm() const {
  const TControl* c = this;
  while (c->m_parent) c = c->m_parent;
  return const_cast<TCustomForm*>(c->AsForm());
}

TRect TControl::FormRect() const {
  TPoint p{m_left, m_top};
  const TControl* c = this;
  if (c->AsForm()) return {0, 0, m_width, m_height};
  for (const TWinControl* parent = m_parent; parent; parent = parent->m_parent) {
    if (parent->AsForm()) break;
    p.X += parent->m_left + parent->BorderWidth();
    p.Y += parent->m_top + parent->BorderWidth();
  }
  return Bounds(p.X, p.Y, m_width, m_height);
}

void TControl::Invalidate() {
  if (TCustomForm* form = GetParentForm()) form->InvalidateFormRect(FormRect());
}

TPoint TControl::ClientFormOrigin() const {
  const TRect outer = FormRect();
  int inset = 0;
  if (auto* w = dynamic_cast<const TWinControl*>(this); w && !AsForm()) inset = w->BorderWidth();
  return {outer.Left + inset, outer.Top + inset};
}

TRect TControl::ClientPaintClip() const {
  TRect clip = FormRect();
  for (const TControl* c = this; c; c = c->m_parent) {
    const TPoint origin = c->ClientFormOrigin();
    clip = clip.Intersect(Bounds(origin.X, origin.Y, c->ClientWidth(), c->ClientHeight()));
  }
  return clip;
}

bool TControl::PaintedOverIn(const TRect& formRect) const {
  auto shows = [&](const TControl* c) { return c->Visible() && !c->FormRect().Intersect(formRect).IsEmpty(); };
  if (auto* w = dynamic_cast<const TWinControl*>(this)) {
    for (const TControl* child : w->Controls())
      if (shows(child)) return true;
  }
  // A parent paints its windowless children first, then its windowed ones, each in list order.
  for (const TControl* c = this; c->m_parent; c = c->m_parent) {
    const std::vector<TControl*>& siblings = c->m_parent->Controls();
    const auto self = std::find(siblings.begin(), siblings.end(), c);
    for (auto it = siblings.begin(); it != siblings.end(); ++it) {
      const TControl* s = *it;
      const bool later = s->IsWindowed() == c->IsWindowed() ? it > self : s->IsWindowed();
      if (s != c && later && shows(s)) return true;
    }
  }
  return false;
}

void TControl::InvalidateRect(const TRect& clientRect) {
  TCustomForm* form = GetParentForm();
  if (!form) return;
  const TPoint origin = ClientFormOrigin();
  form->InvalidateFormRect(clientRect.Offset(origin.X, origin.Y).Intersect(FormRect()));
}

bool TControl::DrawNow(const TRect& clientRect, const std::function<void(TCanvas&)>& draw) {
  TCustomForm* form = GetParentForm();
  if (!form) return false;
  const TPoint origin = ClientFormOrigin();
  const TRect area = clientRect.Offset(origin.X, origin.Y).Intersect(ClientPaintClip());
  if (area.IsEmpty()) return true;  // nothing of it shows
  return !PaintedOverIn(area) && form->DrawOnSurface(origin, area, draw);
}

void TControl::Update() {
  if (TCustomForm* form = GetParentForm()) form->PaintPending();
}

bool TControl::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Left")
    v = PropInt(m_left);
  else if (name == "Top")
    v = PropInt(m_top);
  else if (name == "Width")
    v = PropInt(m_width);
  else if (name == "Height")
    v = PropInt(m_height);
  else if (name == "ClientWidth")
    v = PropInt(ClientWidth());
  else if (name == "ClientHeight")
    v = PropInt(ClientHeight());
  else if (name == "Visible")
    v = PropBool(m_visible);
  else if (name == "Enabled")
    v = PropBool(m_enabled);
  else if (name == "Color")
    v = PropColor(m_color);
  else if (name == "Cursor")
    v = PropInt(m_cursor);
  else if (name == "Hint")
    v = m_hint;
  else if (name == "Align")
    v = PropInt(m_align);
  else if (name == "Font.Color")
    v = PropColor(m_font.Color());
  else if (name == "Font.Name")
    v = m_font.Name();
  else if (name == "Font.Height")
    v = PropInt(m_font.Height());
  else if (name == "Font.Style")
    v = PropInt(m_font.Style());
  else if (name == "ParentFont")
    v = PropBool(m_parentFont);
  else
    return TComponent::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// TWinControl
// =============================================================================================

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Children owned elsewhere must not keep a dangling parent.
  while (!m_children.empty()) m_children.back()->SetParent(nullptr);
}

void TWinControl::InsertControl(TControl* c) {
  m_children.push_back(c);
  if (auto* w = dynamic_cast<TWinControl*>(c)) m_tabList.push_back(w);
}

void TWinControl::RemoveControl(TControl* c) {
  m_children.erase(std::remove(m_children.begin(), m_children.end(), c), m_children.end());
  if (auto* w = dynamic_cast<TWinControl*>(c))
    m_tabList.erase(std::remove(m_tabList.begin(), m_tabList.end(), w), m_tabList.end());
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool recurse) {
  auto hit = [&](TControl* c) {
    return c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p);
  };
  // Windowed children lie above windowless ones; within each group the last is on top.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
      TControl* c = *it;
      if (c->IsWindowed() != (pass == 0) || !hit(c)) continue;
      if (recurse && c->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(c);
        const TPoint inner{p.X - c->Left() - w->BorderWidth(), p.Y - c->Top() - w->BorderWidth()};
        // Children are clipped to the client area: a press on the border is the control's own.
        if (!w->ClientRect().Contains(inner)) return c;
        if (TControl* deeper = w->ControlAtPos(inner, allowDisabled, true)) return deeper;
      }
      return c;
    }
  }
  return nullptr;
}

void TWinControl::HandleNeeded() {
  if (m_handleAllocated) return;
  if (auto* form = dynamic_cast<TCustomForm*>(this)) {
    form->Handle();
    return;
  }
  if (Parent()) Parent()->HandleNeeded();
  CreateHandleTree();
}

void TWinControl::CreateHandleTree() {
  if (m_handleAllocated) return;
  m_handleAllocated = true;
  CreateWnd();
  for (TControl* c : std::vector<TControl*>(m_children))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandleTree();
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->m_tabList;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!Parent()) return;
  auto& list = Parent()->m_tabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
}

bool TWinControl::Focused() const {
  TCustomForm* form = GetParentForm();
  return form && form->Active() && form->ActiveControl() == this;
}

bool TWinControl::CanFocus() const {
  TCustomForm* form = GetParentForm();
  if (!form) return false;
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm();
  if (!form) return;
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  form->SetFocusedControl(this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* c : m_tabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int n = static_cast<int>(list.size());
  int start = static_cast<int>(std::find(list.begin(), list.end(), current) - list.begin());
  if (start == n) start = goForward ? n - 1 : 0;
  for (int step = 1; step <= n; ++step) {
    const int i = ((goForward ? start + step : start - step) % n + n) % n;
    TWinControl* c = list[i];
    if (c == current) break;
    if ((!checkTabStop || c->TabStop()) && c->CanFocus()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop)) next->SetFocus();
}

bool TWinControl::ContainsFocus(const TCustomForm& form) const {
  for (const TWinControl* a = form.ActiveControl(); a; a = a->Parent())
    if (a == this) return true;
  return false;
}

void TWinControl::PassFocusOn() {
  TCustomForm* form = GetParentForm();
  if (!form || form == this || !ContainsFocus(*form)) return;
  // As Tab would: the focused control's exit step (OnExit and its corrections) runs first, then
  // the next tab stop's enter step. With no tab stop left nothing holds the focus, and the exit
  // step still runs.
  if (TWinControl* next = form->FindNextControl(form->ActiveControl(), true, true))
    next->SetFocus();
  else
    form->SetFocusedControl(nullptr);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::KeyDown(int& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(int& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char32_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage& m) {
  int key = static_cast<int>(m.WParam);
  const TShiftState shift = static_cast<TShiftState>(m.LParam);
  TCustomForm* form = GetParentForm();
  if (form && form != this && form->KeyPreview()) {
    form->KeyDown(key, shift);
    if (key == 0) return true;
  }
  if (m.Msg == WM_KEYDOWN)
    KeyDown(key, shift);
  else
    KeyUp(key, shift);
  m.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  char32_t key = static_cast<char32_t>(m.WParam);
  TCustomForm* form = GetParentForm();
  if (form && form != this && form->KeyPreview()) {
    form->KeyPress(key);
    if (key == 0) return true;
  }
  KeyPress(key);
  m.WParam = static_cast<std::intptr_t>(key);
  return key == 0;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN: {
      if (DoKeyDown(m)) return;
      const int key = static_cast<int>(m.WParam);
      const TShiftState shift = static_cast<TShiftState>(m.LParam);
      if (key == platform::VK_TAB && !(shift & (ssCtrl | ssAlt)) && !(Perform(WM_GETDLGCODE) & DLGC_WANTTAB)) {
        if (TCustomForm* form = GetParentForm()) {
          if (Application) Application->RemovePendingChar(U'\t');
          form->SelectNext(form->ActiveControl(), !(shift & ssShift), true);
        }
        return;
      }
      DefaultKeyHandler(m);
      return;
    }
    case WM_KEYUP:
      if (!DoKeyDown(m)) DefaultKeyHandler(m);
      return;
    case WM_CHAR:
      if (!DoKeyPress(m)) DefaultKeyHandler(m);
      return;
    case WM_SETCURSOR: {
      // The cursor of the control under the pointer, else this control's, else the default.
      TCursor c = Screen ? Screen->Cursor() : crDefault;
      if (c == crDefault) {
        TControl* under = nullptr;
        if (TCustomForm* form = GetParentForm()) {
          const TPoint screen = form->ClientToScreen(form->LastMousePos());
          under = ControlAtPos(ScreenToClient(screen), false, false);
        }
        if (under && !under->IsWindowed()) c = under->Cursor();
        if (c == crDefault) c = Cursor();
        if (c == crDefault) c = DefaultCursor();
      }
      m.Result = c;
      return;
    }
    case WM_GETDLGCODE: m.Result = 0; return;
    case CM_DIALOGCHAR:
      // Offered to every child (hidden ones too) until one takes it.
      for (TControl* c : std::vector<TControl*>(m_children)) {
        c->WindowProc(m);
        if (m.Result) return;
      }
      return;
    default: break;
  }
  TControl::WndProc(m);
  if (m.Msg < CM_BASE || m.Msg > CM_PARENTCOLORCHANGED) DefaultHandler(m);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* c : std::vector<TControl*>(m_children)) c->ParentFontChanged();
}

void TWinControl::ColorChanged() {
  TControl::ColorChanged();
  for (TControl* c : std::vector<TControl*>(m_children)) c->ParentColorChanged();
}

TPoint TWinControl::ClientOrigin() const {
  const TPoint p = TControl::ClientOrigin();
  return {p.X + BorderWidth(), p.Y + BorderWidth()};
}

void TWinControl::AlignControls() {
  if (m_aligning) return;
  m_aligning = true;
  TRect r = ClientRect();
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : std::vector<TControl*>(m_children)) {
      if (c->Align() != pass || !c->Visible()) continue;
      switch (pass) {
        case alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), c->Height());
          r.Top += c->Height();
          break;
        case alBottom:
          c->SetBounds(r.Left, r.Bottom - c->Height(), r.Width(), c->Height());
          r.Bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(r.Left, r.Top, c->Width(), r.Height());
          r.Left += c->Width();
          break;
        case alRight:
          c->SetBounds(r.Right - c->Width(), r.Top, c->Width(), r.Height());
          r.Right -= c->Width();
          break;
        default: c->SetBounds(r.Left, r.Top, r.Width(), r.Height()); break;
      }
    }
  }
  m_aligning = false;
}

void TWinControl::PaintNonClient(TCanvas& canvas) {
  if (BorderWidth() <= 0) return;
  canvas.Brush().Color = clWindowFrame;
  canvas.Brush().Style = bsSolid;
  canvas.FrameRect({0, 0, Width(), Height()});
}

void TWinControl::Resize() {
  AlignControls();
  if (GetParentForm() != this) return;
  if (TWinControl* focused = static_cast<TCustomForm*>(this)->ActiveControl()) focused->FormAreaChanged();
}

void TWinControl::PaintWindow(TCanvas& canvas) {
  canvas.Brush().Color = Color();
  canvas.Brush().Style = bsSolid;
  canvas.FillRect(ClientRect());
}

void TWinControl::PaintTo(TSurface& surface, TPoint origin, const TRect& clip) {
  const TRect outer = Bounds(origin.X, origin.Y, Width(), Height()).Intersect(clip);
  if (outer.IsEmpty()) return;
  const int bw = BorderWidth();
  if (bw > 0) {
    m_paintCanvas.Attach(&surface, origin, outer);
    PaintNonClient(m_paintCanvas);
  }
  const TPoint clientOrigin{origin.X + bw, origin.Y + bw};
  const TRect clientClip = Bounds(clientOrigin.X, clientOrigin.Y, ClientWidth(), ClientHeight()).Intersect(outer);
  if (clientClip.IsEmpty()) {
    m_paintCanvas.Detach();
    return;
  }
  m_paintCanvas.Attach(&surface, clientOrigin, clientClip);
  PaintWindow(m_paintCanvas);
  m_paintCanvas.Detach();
  // Windowless children are painted on this control's surface, below every windowed child.
  // Painting adds or removes no children, so the list is walked as it is (no copy per paint).
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < m_children.size(); ++i) {
      TControl* c = m_children[i];
      if (c->IsWindowed() != (pass == 1) || !c->Visible()) continue;
      c->PaintTo(surface, {clientOrigin.X + c->Left(), clientOrigin.Y + c->Top()}, clientClip);
    }
  }
}

// =============================================================================================
// TGraphicControl and TCustomControl
// =============================================================================================

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

void TGraphicControl::PaintTo(TSurface& surface, TPoint origin, const TRect& clip) {
  const TRect area = Bounds(origin.X, origin.Y, Width(), Height()).Intersect(clip);
  if (area.IsEmpty()) return;
  m_canvas.Attach(&surface, origin, area);
  Paint();
  m_canvas.Detach();
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::PaintWindow(TCanvas& canvas) {
  if (!(ControlStyle() & csOpaque)) TWinControl::PaintWindow(canvas);
  m_canvas.AttachLike(canvas);
  Paint();
  m_canvas.Detach();
}
