// TCnEdit.
//
//   construction, properties, Value
//   keys: the character filter, Enter as Tab, Ctrl+Enter on the link button
//   paste filter, entering and leaving (exit correction)
//   link button: tracking, cursor
//   painting: the control's own text, the link button
#include "controls/CnEdit.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/Runtime.h"
#include "platform/Keys.h"

namespace {

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

// The characters Ctrl+A, Ctrl+C, Backspace, Enter, Ctrl+V, Ctrl+X and Ctrl+Z, which edit rather
// than insert.
bool IsEditControlKey(char32_t c) {
  using namespace platform;
  return c == ccCtrlA || c == ccCtrlC || c == ccBackspace || c == ccEnter || c == ccCtrlV || c == ccCtrlX ||
         c == ccCtrlZ;
}

}  // namespace

// =============================================================================================
// Construction, properties, Value
// =============================================================================================

TCnEdit::TCnEdit(TComponent* owner) : TEdit(owner) {
  m_buttonWidth = GetSystemMetrics(SM_CXVSCROLL);
  m_acceptNegative = true;
}

TCnEdit::~TCnEdit() = default;

void TCnEdit::CreateParams(TEditCreateParams& params) {
  TEdit::CreateParams(params);
  params.MultiLine = true;
}

void TCnEdit::SetLinkStyle(TLinkStyle v) {
  if (m_linkStyle == v) return;
  m_linkStyle = v;
  if (HandleAllocated()) UpdateEditRect();
}

void TCnEdit::SetButtonCursor(TCursor v) {
  if (m_buttonCursor == v) return;
  m_buttonCursor = v;
  Perform(WM_SETCURSOR);
}

TCnEditValue TCnEdit::Value() const {
  switch (m_textType) {
    case IntegerText: return StrToInt(Text());
    case FloatText: return StrToFloat(Text());
    default: return Text();
  }
}

bool TCnEdit::IsIdentChar(char32_t c, bool first) {
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  return first ? letter : letter || IsDigit(c);
}

bool TCnEdit::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Value") {
    const TCnEditValue value = Value();
    if (const auto* i = std::get_if<std::int32_t>(&value))
      v = IntToStr(*i);
    else if (const auto* d = std::get_if<double>(&value))
      v = FloatToStr(*d);
    else
      v = std::get<std::string>(value);
  } else if (name == "TextType")
    v = PropInt(m_textType);
  else if (name == "EnterAsTab")
    v = PropBool(m_enterAsTab);
  else if (name == "AcceptNegative")
    v = PropBool(m_acceptNegative);
  else if (name == "AcceptCharList")
    v = m_acceptCharList;
  else if (name == "LinkStyle")
    v = PropInt(m_linkStyle);
  else if (name == "Alignment")
    v = PropInt(m_alignment);
  else if (name == "ButtonWidth")
    v = PropInt(m_buttonWidth);
  else if (name == "ButtonPressed")
    v = PropBool(m_buttonPressed);
  else if (name == "ButtonCursor")
    v = PropInt(m_buttonCursor);
  else if (name == "TextMargins")
    v = PropInt(TextMargins().X) + " " + PropInt(TextMargins().Y);
  else
    return TEdit::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// Keys
// =============================================================================================

bool TCnEdit::InCharList(char32_t key) const {
  if (m_acceptCharList.empty()) return true;
  const std::u32string list = Utf8ToChars(m_acceptCharList);
  return list.find(key) != std::u32string::npos;
}

bool TCnEdit::Accepts(char32_t key) const {
  const std::string& text = Text();
  switch (m_textType) {
    case IntegerText:
    case FloatText: {
      if (key == '-' && !m_acceptNegative) return false;
      const bool point = m_textType == FloatText && key == '.';
      if (key != '-' && !IsDigit(key) && !point) return false;
      if (key == '-' && (text.find('-') != std::string::npos || SelStart() != 0)) return false;
      if (point && text.find('.') != std::string::npos) return false;
      return true;
    }
    case IdentText: return IsIdentChar(key, SelStart() == 0) && InCharList(key);
    default: return InCharList(key);
  }
}

void TCnEdit::KeyPress(char32_t& key) {
  if (key == platform::ccEnter) {
    if (m_enterAsTab) {
      // The top-most ancestor moves the focus on to the next control in its tab order.
      if (TWinControl* top = Parent()) {
        while (top->Parent()) top = top->Parent();
        top->Perform(WM_NEXTDLGCTL, 0, 0);
      }
      key = 0;
    } else {
      MessageBeep(0);
    }
  } else if (!IsEditControlKey(key) && !Accepts(key)) {
    key = 0;  // refused silently
  }
  TEdit::KeyPress(key);
}

void TCnEdit::KeyDown(int& key, TShiftState shift) {
  if (m_linkStyle != lsNone && key == platform::VK_RETURN && shift == ssCtrl) {
    ButtonClick();
    // No line break follows.
    if (Application) Application->RemovePendingChar(U'\n');
    return;
  }
  TEdit::KeyDown(key, shift);
}

// =============================================================================================
// Paste, entering and leaving
// =============================================================================================

void TCnEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PASTE: PasteFiltered(); return;
    case WM_SETCURSOR:
      if (m_linkStyle != lsNone) {
        if (TCustomForm* form = GetParentForm()) {
          const TPoint p = ScreenToClient(form->ClientToScreen(form->LastMousePos()));
          if (TRect{Width() - m_buttonWidth - 4, 0, ClientWidth(), ClientHeight()}.Contains(p)) {
            m.Result = m_buttonCursor;
            return;
          }
        }
      }
      break;
    default: break;
  }
  TEdit::WndProc(m);
}

void TCnEdit::PasteFiltered() {
  const std::optional<std::string> clip = platform::Platform().ClipboardText();
  if (!clip) return;
  std::u32string chars = Utf8ToChars(*clip);
  for (int i = static_cast<int>(chars.size()) - 1; i >= 0; --i) {
    const char32_t c = chars[i];
    bool keep = true;
    switch (m_textType) {
      case IntegerText: keep = c == '-' || IsDigit(c); break;
      case FloatText: keep = c == '-' || c == '.' || IsDigit(c); break;
      case IdentText: keep = IsIdentChar(c, i == 0); break;
      default: break;
    }
    if (!keep) chars.erase(chars.begin() + i);
  }
  // The filtered text becomes the clipboard's only content, then the edit pastes as usual.
  platform::Platform().SetClipboardText(CharsToUtf8(chars));
  TMessage paste{WM_PASTE, 0, 0, 0};
  TEdit::WndProc(paste);
}

void TCnEdit::DoEnter() {
  if (m_linkStyle != lsNone) UpdateEditRect();
  TEdit::DoEnter();
  if (AutoSelect()) SelectAll();
}

void TCnEdit::DoExit() {
  TEdit::DoExit();
  CorrectOnExit();
  Invalidate();
}

void TCnEdit::CorrectOnExit() {
  if (m_textType == IntegerText) {
    if (Text().empty()) SetText("0");
    std::int32_t value = 0;
    if (!TryStrToInt(Text(), value)) SetText("0");
  } else if (m_textType == FloatText) {
    if (Text().find('.') == 0) SetText("0" + Text());
    const std::string& t = Text();
    const size_t point = t.find('.');
    if (t.empty() || (point != std::string::npos && point == t.size() - 1)) SetText(Text() + "0");
    double value = 0;
    if (!TryStrToFloat(Text(), value, '.')) SetText("0");
  }
}

// =============================================================================================
// Link button
// =============================================================================================

TRect TCnEdit::ButtonRect() const { return {ClientWidth() - m_buttonWidth, 0, ClientWidth(), ClientHeight()}; }

void TCnEdit::UpdateEditRect() {
  TRect r{0, 0, ClientWidth() - 2, ClientHeight() + 1};
  if (m_linkStyle != lsNone) r.Right -= m_buttonWidth;
  Perform(EM_SETRECT, 0, reinterpret_cast<std::intptr_t>(&r));
  Invalidate();
}

TPoint TCnEdit::TextMargins() const {
  const int b = BorderStyle() == bsNone ? 0 : Ctl3D() ? 1 : 2;
  const int margin = LoWord(const_cast<TCnEdit*>(this)->Perform(EM_GETMARGINS));
  return {margin + b, b};
}

void TCnEdit::TrackButton(int x, int y) {
  const bool pressed = ButtonRect().Contains({x, y});
  if (pressed == m_buttonPressed) return;
  m_buttonPressed = pressed;
  InvalidateRect(ButtonRect());
}

void TCnEdit::StopTracking() {
  if (!m_buttonTracking) return;
  TrackButton(-1, -1);
  m_buttonTracking = false;
  SetMouseCapture(false);
}

void TCnEdit::ButtonClick() {
  if (OnButtonClick) OnButtonClick(this);
}

void TCnEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && m_linkStyle != lsNone &&
      TRect{Width() - m_buttonWidth, 0, Width(), Height()}.Contains({x, y})) {
    SetMouseCapture(true);
    m_buttonTracking = true;
    TrackButton(x, y);
  }
  TEdit::MouseDown(button, shift, x, y);
}

void TCnEdit::MouseMove(TShiftState shift, int x, int y) {
  if (m_buttonTracking) TrackButton(x, y);
  TEdit::MouseMove(shift, x, y);
}

void TCnEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const bool wasPressed = m_buttonPressed;
  StopTracking();
  if (button == mbLeft && m_linkStyle != lsNone && wasPressed) ButtonClick();
  TEdit::MouseUp(button, shift, x, y);
}

// =============================================================================================
// Painting
// =============================================================================================

int TCnEdit::AlignedX(int line) const {
  const TPoint margins = TextMargins();
  if (Focused()) return margins.X - ScrollX();
  const int width = TFontEngine::Instance().TextWidth(Font().Desc(), DisplayLine(line));
  switch (m_alignment) {
    case taRightJustify: return ClientWidth() - width - margins.X - 1;
    case taCenter: return (ClientWidth() - width) / 2;
    default: return margins.X;
  }
}

int TCnEdit::LineX(int line) const { return m_linkStyle == lsNone ? AlignedX(line) : TEdit::LineX(line); }

int TCnEdit::FirstLineY() const {
  if (m_linkStyle != lsNone) return TEdit::FirstLineY();
  return TextMargins().Y - (Focused() ? TopLine() * LineHeight() : 0);
}

void TCnEdit::PaintClient(TCanvas& canvas) {
  if (!m_textCanvas) m_textCanvas = std::make_unique<TCanvas>();
  TCanvas& c = *m_textCanvas;
  c.AttachLike(canvas);
  c.Font().Assign(Font());
  TRect r;
  if (m_linkStyle != lsNone) {
    r = ButtonRect();
  } else {
    r = ClientRect();
    if (!Ctl3D() && BorderStyle() == bsSingle) {
      c.Brush().Color = clWindowFrame;
      c.Brush().Style = bsSolid;
      c.FrameRect(r);
      r = r.Inflate(-1, -1);
    }
    c.Brush().Color = Color();
    c.Brush().Style = bsSolid;
  }

  // The text, clipped to r, over r filled with the brush.
  TCanvas text;
  text.AttachLike(c);
  text.IntersectClipRect(r);
  text.Brush() = c.Brush();
  text.FillRect(r);
  text.Font().Assign(Font());
  text.Brush().Style = bsClear;
  const int lh = LineHeight();
  const int y0 = m_linkStyle == lsNone ? FirstLineY() : TextMargins().Y;
  for (int i = 0; i < LineCount(); ++i) {
    const int y = y0 + i * lh;
    if (y + lh <= 0) continue;
    if (y >= ClientHeight()) break;
    text.TextOut(AlignedX(i), y, DisplayLine(i));
  }

  if (m_linkStyle == lsNone) {
    c.Detach();
    return;
  }
  c.DrawEdge(r, edgeRaised, bfRect | bfMiddle | (m_buttonPressed ? unsigned{bfFlat} : 0u));
  const int mid = r.Width() / 2 - 1 + (m_buttonPressed ? 1 : 0);
  c.Brush().Color = clBlack;
  c.Brush().Style = bsSolid;
  if (m_linkStyle == lsEllipsis) {
    // Half the client height, rounded half to even.
    const int h = ClientHeight();
    const int half = h / 2 + ((h % 2 != 0 && (h / 2) % 2 != 0) ? 1 : 0);
    const int y = half + r.Top - 1;
    for (int dx : {-4, 0, 4}) c.FillRect(Bounds(r.Left + mid + dx, y, 2, 2));
  } else {
    for (int i = 0; i < 4; ++i) c.FillRect({r.Left + 4 + i, r.Top + 7 + i, r.Left + 11 - i, r.Top + 8 + i});
  }
  c.Detach();
  // The edit paints the rest.
  canvas.ExcludeClipRect(r);
  TEdit::PaintClient(canvas);
}
