// The spin edit.
//
//   TTimerSpeedButton     press-and-hold repeat, focus rectangle
//   TCnSpinButton         arrow geometry, focus mark, keys, glyphs
//   TCnSpinEdit           value and bounds, stepping, key filter, paste and cut, size rule
#include "controls/CnSpin.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Runtime.h"
#include "platform/Keys.h"

// =============================================================================================
// TTimerSpeedButton
// =============================================================================================

TTimerSpeedButton::TTimerSpeedButton(TComponent* owner) : TSpeedButton(owner) {}

TTimerSpeedButton::~TTimerSpeedButton() = default;

void TTimerSpeedButton::SetRepeatFlags(TRepeatFlags flags) {
  if (m_repeatFlags == flags) return;
  m_repeatFlags = flags;
  Invalidate();
}

void TTimerSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TSpeedButton::MouseDown(button, shift, x, y);
  if (!(m_repeatFlags & rfAutoRepeat)) return;
  if (!m_repeatTimer) m_repeatTimer = new TTimer(this);
  m_repeatTimer->SetOnTimer([this](TObject* sender) { RepeatTick(sender); });
  m_repeatTimer->SetInterval(InitialRepeatDelay);
  m_repeatTimer->SetEnabled(true);
}

void TTimerSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TSpeedButton::MouseUp(button, shift, x, y);
  if (m_repeatTimer) m_repeatTimer->SetEnabled(false);
}

void TTimerSpeedButton::RepeatTick(TObject*) {
  m_repeatTimer->SetInterval(RepeatInterval);
  if (State() != bsDown || !MouseCapture()) return;
  try {
    Click();
  } catch (...) {
    m_repeatTimer->SetEnabled(false);
    throw;
  }
}

void TTimerSpeedButton::Paint() {
  TSpeedButton::Paint();
  if (!(m_repeatFlags & rfFocusRect)) return;
  TRect r = ClientRect().Inflate(-3, -3);
  if (State() == bsDown) r = r.Offset(1, 1);
  Canvas().DrawFocusRect(r);
}

// =============================================================================================
// TCnSpinButton
// =============================================================================================

TCnSpinButton::TCnSpinButton(TComponent* owner) : TWinControl(owner) {
  auto makeArrow = [this] {
    auto* arrow = new TTimerSpeedButton(this);
    arrow->SetParent(this);
    arrow->SetVisible(true);
    arrow->SetEnabled(true);
    arrow->SetRepeatFlags(rfAutoRepeat);
    arrow->OnClick = [this](TObject* sender) { ArrowClick(sender); };
    arrow->OnMouseDown = [this](TObject* sender, TMouseButton b, TShiftState s, int x, int y) {
      ArrowMouseDown(sender, b, s, x, y);
    };
    return arrow;
  };
  m_upArrow = makeArrow();
  m_downArrow = makeArrow();
  SetUpGlyph(nullptr);
  SetDownGlyph(nullptr);
  SetBounds(Left(), Top(), 20, 25);
  m_focusedArrow = m_upArrow;
}

TCnSpinButton::~TCnSpinButton() = default;

void TCnSpinButton::WndProc(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DLGC_WANTARROWS;
    return;
  }
  TWinControl::WndProc(m);
}

TBitmap* TCnSpinButton::UpGlyph() const { return &m_upArrow->Glyph(); }
TBitmap* TCnSpinButton::DownGlyph() const { return &m_downArrow->Glyph(); }
int TCnSpinButton::UpNumGlyphs() const { return m_upArrow->NumGlyphs(); }
int TCnSpinButton::DownNumGlyphs() const { return m_downArrow->NumGlyphs(); }
void TCnSpinButton::SetUpNumGlyphs(int n) { m_upArrow->SetNumGlyphs(n); }
void TCnSpinButton::SetDownNumGlyphs(int n) { m_downArrow->SetNumGlyphs(n); }

void TCnSpinButton::SetUpGlyph(const TBitmap* glyph) {
  if (glyph) {
    m_upArrow->SetGlyph(*glyph);
    return;
  }
  m_upArrow->Glyph().LoadFromResourceName("CNSPINEDITUP");
  m_upArrow->SetNumGlyphs(1);
  m_upArrow->GlyphChanged();
}

void TCnSpinButton::SetDownGlyph(const TBitmap* glyph) {
  if (glyph) {
    m_downArrow->SetGlyph(*glyph);
    return;
  }
  m_downArrow->Glyph().LoadFromResourceName("CNSPINEDITDOWN");
  m_downArrow->SetNumGlyphs(1);
  m_downArrow->GlyphChanged();
}

void TCnSpinButton::FitArrows(int& width, int& height) {
  if (!m_upArrow || Loading()) return;
  if (width < 15) width = 15;
  m_upArrow->SetBounds(0, 0, width, height / 2);
  const int upper = m_upArrow->Height();
  m_downArrow->SetBounds(0, upper - 1, width, height - upper + 1);
}

void TCnSpinButton::SetBounds(int left, int top, int width, int height) {
  FitArrows(width, height);
  TWinControl::SetBounds(left, top, width, height);
}

void TCnSpinButton::ApplyFit() {
  int width = Width(), height = Height();
  FitArrows(width, height);
  if (width != Width() || height != Height()) TWinControl::SetBounds(Left(), Top(), width, height);
}

void TCnSpinButton::Resize() {
  TWinControl::Resize();
  ApplyFit();
}

void TCnSpinButton::Loaded() {
  TWinControl::Loaded();
  ApplyFit();
}

void TCnSpinButton::Notification(TComponent* component, bool removing) {
  TWinControl::Notification(component, removing);
  if (removing && component == m_focusControl) m_focusControl = nullptr;
}

void TCnSpinButton::FocusArrow(TTimerSpeedButton* arrow) {
  if (!TabStop() || !CanFocus() || arrow == m_focusedArrow) return;
  m_focusedArrow->SetRepeatFlags(m_focusedArrow->RepeatFlags() & ~rfFocusRect);
  m_focusedArrow = arrow;
  if (Focused()) {
    arrow->SetRepeatFlags(arrow->RepeatFlags() | rfFocusRect);
    Invalidate();
  }
}

void TCnSpinButton::ArrowMouseDown(TObject* sender, TMouseButton button, TShiftState, int, int) {
  if (button != mbLeft) return;
  if (auto* arrow = dynamic_cast<TTimerSpeedButton*>(sender)) FocusArrow(arrow);
  if (m_focusControl && m_focusControl->TabStop() && m_focusControl->CanFocus() && !m_focusControl->Focused())
    m_focusControl->SetFocus();
  else if (TabStop() && !Focused() && CanFocus())
    SetFocus();
}

void TCnSpinButton::ArrowClick(TObject* sender) {
  if (sender == m_upArrow) {
    if (OnUpClick) OnUpClick(this);
  } else if (OnDownClick) {
    OnDownClick(this);
  }
}

void TCnSpinButton::DoEnter() {
  m_focusedArrow->SetRepeatFlags(m_focusedArrow->RepeatFlags() | rfFocusRect);
  TWinControl::DoEnter();
}

void TCnSpinButton::DoExit() {
  m_focusedArrow->SetRepeatFlags(m_focusedArrow->RepeatFlags() & ~rfFocusRect);
  TWinControl::DoExit();
}

void TCnSpinButton::KeyDown(int& key, TShiftState) {
  // The pair's own keys; no OnKeyDown.
  switch (key) {
    case platform::VK_SPACE: m_focusedArrow->Click(); break;
    case platform::VK_UP:
      FocusArrow(m_upArrow);
      m_upArrow->Click();
      break;
    case platform::VK_DOWN:
      FocusArrow(m_downArrow);
      m_downArrow->Click();
      break;
    default: break;
  }
}

// =============================================================================================
// TCnSpinEdit
// =============================================================================================

TCnSpinEdit::TCnSpinEdit(TComponent* owner) : TCustomEdit(owner) {
  m_arrowPair = new TCnSpinButton(this);
  m_arrowPair->SetWidth(15);
  m_arrowPair->SetHeight(17);
  m_arrowPair->SetVisible(true);
  m_arrowPair->SetParent(this);
  m_arrowPair->SetFocusControl(this);
  m_arrowPair->OnUpClick = [this](TObject* sender) { StepUp(sender); };
  m_arrowPair->OnDownClick = [this](TObject* sender) { StepDown(sender); };
  SetText("0");
  // The text is a number, never a caption copied from the name.
  SetControlStyle(ControlStyle() & ~csSetCaption);
  m_increment = 1;
  m_editorEnabled = true;
}

TCnSpinEdit::~TCnSpinEdit() { m_arrowPair = nullptr; }

std::int32_t TCnSpinEdit::Value() const {
  std::int32_t v = 0;
  return TryStrToInt(Text(), v) ? v : m_minValue;
}

void TCnSpinEdit::SetValue(std::int32_t v) { SetText(IntToStr(ClampValue(v))); }

std::int32_t TCnSpinEdit::ClampValue(std::int32_t v) const {
  if (m_maxValue == m_minValue) return v;
  if (v < m_minValue) return m_minValue;
  if (v > m_maxValue) return m_maxValue;
  return v;
}

namespace {
// Plain 32-bit two's-complement addition, wrapping.
std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
}  // namespace

void TCnSpinEdit::StepUp(TObject*) {
  if (ReadOnly())
    MessageBeep(0);
  else
    SetValue(WrapAdd(Value(), m_increment));
}

void TCnSpinEdit::StepDown(TObject*) {
  if (ReadOnly())
    MessageBeep(0);
  else
    SetValue(WrapAdd(Value(), static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(m_increment))));
}

bool TCnSpinEdit::IsAcceptedChar(char32_t key) const {
  const char32_t separator = static_cast<unsigned char>(DecimalSeparator());
  using namespace platform;
  const bool control = key < ccFirstPrintable;
  bool accepted =
      (key >= '0' && key <= '9') || key == '+' || key == '-' || key == separator || (control && key != ccEnter);
  if (accepted && !m_editorEnabled) accepted = control && key != ccBackspace;
  return accepted;
}

void TCnSpinEdit::KeyDown(int& key, TShiftState shift) {
  if (key == platform::VK_UP)
    StepUp(this);
  else if (key == platform::VK_DOWN)
    StepDown(this);
  TCustomEdit::KeyDown(key, shift);
}

void TCnSpinEdit::KeyPress(char32_t& key) {
  if (!IsAcceptedChar(key)) {
    key = 0;
    MessageBeep(0);
  }
  if (key != 0) TCustomEdit::KeyPress(key);
}

void TCnSpinEdit::WndProc(TMessage& m) {
  if ((m.Msg == WM_PASTE || m.Msg == WM_CUT) && (!m_editorEnabled || ReadOnly())) return;
  TCustomEdit::WndProc(m);
}

void TCnSpinEdit::DoEnter() {
  // A press on the entry box places the caret; a press on an arrow does not count.
  if (AutoSelect() && !(ControlState() & csLButtonDown)) SelectAll();
  TCustomEdit::DoEnter();
}

void TCnSpinEdit::DoExit() {
  TCustomEdit::DoExit();
  const std::int32_t v = Value();
  if (ClampValue(v) != v) SetValue(v);
}

int TCnSpinEdit::MinEditHeight() const {
  const int font = LineHeight();
  const int smaller = std::min(SystemFontTextHeight(), font);
  return font + smaller / 4 + GetSystemMetrics(SM_CYBORDER) * 4 + 2;
}

void TCnSpinEdit::UpdateEditRect() {
  TRect r;
  Perform(EM_GETRECT, 0, reinterpret_cast<std::intptr_t>(&r));
  r = {0, 0, ClientWidth() - m_arrowPair->Width() - 2, ClientHeight() + 1};
  Perform(EM_SETRECTNP, 0, reinterpret_cast<std::intptr_t>(&r));
  Perform(EM_GETRECT, 0, reinterpret_cast<std::intptr_t>(&r));
}

void TCnSpinEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  SizeChanged();
  UpdateEditRect();
}

void TCnSpinEdit::Resize() {
  TCustomEdit::Resize();
  if (HandleAllocated()) SizeChanged();
}

void TCnSpinEdit::SizeChanged() {
  if (!m_arrowPair) return;
  const int minHeight = MinEditHeight();
  if (Height() < minHeight) {
    SetHeight(minHeight);  // a new size change places the arrows
    return;
  }
  const int w = m_arrowPair->Width();
  if (Ctl3D())
    m_arrowPair->SetBounds(Width() - w - 5, 0, w, Height() - 5);
  else
    m_arrowPair->SetBounds(Width() - w, 1, w, Height() - 3);
  UpdateEditRect();
}

bool TCnSpinEdit::GetPropertyText(std::string_view name, std::string& v) {
  auto part = [&](std::string_view prefix, TControl* c) {
    return name.substr(0, prefix.size()) == prefix && c->GetPropertyText(name.substr(prefix.size()), v);
  };
  if (name == "Value")
    v = PropInt(Value());
  else if (name == "MinValue")
    v = PropInt(m_minValue);
  else if (name == "MaxValue")
    v = PropInt(m_maxValue);
  else if (name == "Increment")
    v = PropInt(m_increment);
  else if (name == "EditorEnabled")
    v = PropBool(m_editorEnabled);
  else if (part("ArrowPair.", m_arrowPair) || part("UpArrow.", m_arrowPair->UpArrow()) ||
           part("DownArrow.", m_arrowPair->DownArrow()))
    return true;
  else
    return TCustomEdit::GetPropertyText(name, v);
  return true;
}
