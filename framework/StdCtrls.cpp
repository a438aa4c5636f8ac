// The edit control.
//
//   helpers            system metrics, beep
//   construction       properties, focus, the caret's blink
//   layout             lines, formatting rectangle, scrolling, hit testing
//   selection          anchor and caret, word selection
//   editing            typed characters, deleting, clipboard, single-level undo
//   messages           keys, edit messages, mouse
//   painting           border, background and text, then selection and caret
#include "framework/StdCtrls.h"

#include <algorithm>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "platform/Keys.h"

// =============================================================================================
// Helpers
// =============================================================================================

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXVSCROLL: return 16;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    default: return 0;
  }
}

int SystemFontTextHeight() { return 16; }

void MessageBeep(unsigned) { platform::Platform().Beep(); }

namespace {
bool IsBlank(char32_t c) { return c == ' ' || c == '\t'; }
bool IsBreak(char32_t c) { return c == '\r' || c == '\n'; }
}  // namespace

// =============================================================================================
// Construction, properties, focus
// =============================================================================================

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 25);
  SetTabStop(true);
  SetColor(clWindow);
  m_caretTimer = new TTimer(this);
  m_caretTimer->SetEnabled(false);
  m_caretTimer->SetInterval(500);
  m_caretTimer->SetOnTimer([this](TObject*) { CaretTick(); });
  UpdateFormatRect();
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::SetAutoSize(bool v) {
  if (m_autoSize == v) return;
  m_autoSize = v;
  AdjustHeight();
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
  if (m_borderStyle == v) return;
  m_borderStyle = v;
  UpdateFormatRect();
  AdjustHeight();
  Invalidate();
}

void TCustomEdit::SetCtl3D(bool v) {
  if (m_ctl3D == v) return;
  m_ctl3D = v;
  UpdateFormatRect();
  AdjustHeight();
  Invalidate();
}

void TCustomEdit::SetHideSelection(bool v) {
  if (m_hideSelection == v) return;
  m_hideSelection = v;
  Invalidate();
}

void TCustomEdit::SetPasswordChar(char32_t v) {
  if (m_passwordChar == v) return;
  m_passwordChar = v;
  Invalidate();
}

int TCustomEdit::BorderWidth() const {
  if (m_borderStyle != bsSingle) return 0;
  return m_ctl3D ? 2 : 1;
}

int TCustomEdit::LineHeight() const { return TFontEngine::Instance().Metrics(Font().Desc()).Height; }

void TCustomEdit::AdjustHeight() {
  if (!m_autoSize || m_borderStyle != bsSingle) return;
  SetHeight(LineHeight() + (m_ctl3D ? 8 : 6) * GetSystemMetrics(SM_CYBORDER));
}

void TCustomEdit::CreateWnd() {
  TEditCreateParams params;
  CreateParams(params);
  m_multiLine = params.MultiLine;
  UpdateFormatRect();
  AdjustHeight();
}

void TCustomEdit::Change() {
  if (!OnChange) return;
  // The change notification is a message of its own: an error escaping OnChange is shown where
  // that message is dispatched, and whoever changed the text (a key, a write by the program)
  // goes on normally.
  if (Application)
    Application->Guard([this] { OnChange(this); });
  else
    OnChange(this);
}

void TCustomEdit::TextChanged() {
  // A text set by the program: caret at the start, nothing to undo, scrolled home.
  m_anchor = m_caret = 0;
  m_scrollX = 0;
  m_topLine = 0;
  m_preferredX = -1;
  ForgetCaretPlace();
  ClearUndo();
  Invalidate();
  RestartCaret();
  Change();
}

void TCustomEdit::FontChanged() {
  TWinControl::FontChanged();
  if (!m_multiLine) m_leftMargin = m_rightMargin = 0;
  UpdateFormatRect();
  AdjustHeight();
  ScrollCaretIntoView();
}

void TCustomEdit::Resize() {
  TWinControl::Resize();
  // A size change restores the default formatting rectangle, as the platform edit does.
  UpdateFormatRect();
  ScrollCaretIntoView();
}

bool TCustomEdit::HoldsFocus() const {
  const TCustomForm* form = GetParentForm();
  return form && form->ActiveControl() == this;
}

void TCustomEdit::DoEnter() {
  RestartCaret();
  if (!m_imeName.empty()) platform::Platform().SwitchInputMethod(m_imeName);
  if (m_autoSelect && !(ControlState() & csLButtonDown) && !m_multiLine) SelectAll();
  TWinControl::DoEnter();
}

void TCustomEdit::DoExit() {
  m_caretTimer->SetEnabled(false);
  m_caretOn = false;
  ForgetCaretPlace();
  m_mouseSelecting = false;
  if (!m_imeName.empty()) platform::Platform().SwitchInputMethod("");
  Invalidate();
  TWinControl::DoExit();
}

void TCustomEdit::RestartCaret() {
  ForgetCaretPlace();
  if (!HoldsFocus()) return;
  // On again with a full period, where it can be seen.
  m_caretTimer->SetEnabled(false);
  m_caretOn = false;
  SyncCaretBlink(false);
  Invalidate();
}

void TCustomEdit::CaretTick() {
  if (!CaretMayShow()) return SyncCaretBlink(false);
  const TRect caret = m_caretPlace ? *m_caretPlace : CaretRect();
  if (!CaretFits(caret)) return SyncCaretBlink(false);
  m_caretOn = !m_caretOn;
  // The caret inverts what lies beneath it, so a blink inverts it again where the last paint put
  // it. Where the screen no longer shows what that paint left, the place is painted again.
  const auto invert = [this](TCanvas& canvas) { canvas.InvertRect(*m_caretPlace); };
  if (!m_caretPlace || !DrawNow(caret, invert)) InvalidateRect(caret);
}

TRect TCustomEdit::CaretRect() const {
  const auto lines = Lines();
  const int li = LineOf(m_caret);
  const int x = LineX(li) + PrefixWidth(li, m_caret - lines[li].Start);
  const int y = FirstLineY() + li * LineHeight();
  return {x, y, x + 1, y + LineHeight()};
}

bool TCustomEdit::CaretMayShow() const {
  const TCustomForm* form = GetParentForm();
  return form && form->Active() && form->ActiveControl() == this && Showing();
}

bool TCustomEdit::CaretFits(const TRect& caret) const {
  const TCustomForm* form = GetParentForm();
  if (!form) return false;
  const TPoint origin = ClientFormOrigin();
  const TRect onForm = caret.Offset(origin.X, origin.Y);
  return !onForm.Intersect(FormRect()).Intersect({0, 0, form->Width(), form->Height()}).IsEmpty();
}

void TCustomEdit::SyncCaretBlink(bool invalidate) {
  std::optional<TRect> caret;
  if (CaretMayShow()) caret = CaretRect();
  SyncCaretBlinkAt(caret, invalidate);
}

void TCustomEdit::SyncCaretBlinkAt(const std::optional<TRect>& caret, bool invalidate) {
  const bool show = caret && CaretFits(*caret);
  if (show == m_caretTimer->Enabled()) return;
  m_caretTimer->SetEnabled(show);
  m_caretOn = show;
  if (show && invalidate) InvalidateRect(*caret);
}

void TCustomEdit::FormAreaChanged() { SyncCaretBlink(true); }

bool TCustomEdit::GetPropertyText(std::string_view name, std::string& v) {
  if (name == "Text")
    v = Text();
  else if (name == "SelStart")
    v = PropInt(SelStart());
  else if (name == "SelLength")
    v = PropInt(SelLength());
  else if (name == "SelText")
    v = SelText();
  else if (name == "ReadOnly")
    v = PropBool(m_readOnly);
  else if (name == "MaxLength")
    v = PropInt(m_maxLength);
  else if (name == "AutoSelect")
    v = PropBool(m_autoSelect);
  else if (name == "AutoSize")
    v = PropBool(m_autoSize);
  else if (name == "HideSelection")
    v = PropBool(m_hideSelection);
  else if (name == "PasswordChar")
    v = m_passwordChar ? CharsToUtf8(std::u32string(1, m_passwordChar)) : "";
  else if (name == "BorderStyle")
    v = PropInt(m_borderStyle);
  else if (name == "Ctl3D")
    v = PropBool(m_ctl3D);
  else if (name == "TabStop")
    v = PropBool(TabStop());
  else if (name == "TabOrder")
    v = PropInt(TabOrder());
  else if (name == "CanUndo")
    v = PropBool(m_canUndo);
  else if (name == "Focused")
    v = PropBool(Focused());
  else if (name == "CaretVisible")
    v = PropBool(Focused() && m_caretOn);
  else if (name == "CaretBlinking")
    v = PropBool(m_caretTimer->Enabled());
  else if (name == "ScrollX")
    v = PropInt(m_scrollX);
  else if (name == "ImeName")
    v = m_imeName;
  else
    return TWinControl::GetPropertyText(name, v);
  return true;
}

// =============================================================================================
// Layout
// =============================================================================================

// Lines in characters, found on the text's bytes: a break (CR LF, or LF alone) is never part of
// a longer sequence, and each NextCodePoint step is one character as Utf8ToChars counts them.
std::vector<TCustomEdit::TLine> TCustomEdit::Lines() const {
  std::vector<TLine> lines;
  int start = 0, index = 0;
  bool afterCr = false;
  for (size_t i = 0; i < m_text.size(); ++index) {
    const char32_t c = NextCodePoint(m_text, i);
    if (m_multiLine && c == '\n') {
      lines.push_back({start, (afterCr ? index - 1 : index) - start});
      start = index + 1;
    }
    afterCr = c == '\r';
  }
  lines.push_back({start, index - start});
  return lines;
}

int TCustomEdit::LineOf(int pos) const {
  const auto lines = Lines();
  int li = 0;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i)
    if (lines[i].Start <= pos) li = i;
  return li;
}

int TCustomEdit::TextLength() const { return static_cast<int>(Utf8ToChars(m_text).size()); }

std::string TCustomEdit::DisplayText() const {
  if (!m_passwordChar) return m_text;
  std::u32string s = Utf8ToChars(m_text);
  for (char32_t& c : s)
    if (!m_multiLine || !IsBreak(c)) c = m_passwordChar;
  return CharsToUtf8(s);
}

std::string TCustomEdit::DisplayLine(int line) const {
  if (!m_multiLine && !m_passwordChar) return line == 0 ? m_text : std::string();
  const auto lines = Lines();
  if (line < 0 || line >= static_cast<int>(lines.size())) return {};
  size_t from = 0;
  for (int k = 0; k < lines[line].Start && from < m_text.size(); ++k) NextCodePoint(m_text, from);
  size_t to = from;
  for (int k = 0; k < lines[line].Length && to < m_text.size(); ++k) NextCodePoint(m_text, to);
  if (!m_passwordChar) return m_text.substr(from, to - from);
  std::string hidden;
  for (int k = 0; k < lines[line].Length; ++k) AppendUtf8(hidden, m_passwordChar);
  return hidden;
}

// The width of the first `column` characters of a line, measured on its bytes as they are.
int TCustomEdit::PrefixWidth(int line, int column) const {
  const std::string text = DisplayLine(line);
  size_t end = 0;
  for (int i = 0; i < column && end < text.size(); ++i) NextCodePoint(text, end);
  return TFontEngine::Instance().TextWidth(Font().Desc(), std::string_view(text).substr(0, end));
}

int TCustomEdit::LineX(int) const { return m_formatRect.Left - m_scrollX; }
int TCustomEdit::FirstLineY() const { return m_formatRect.Top - m_topLine * LineHeight(); }

TRect TCustomEdit::AdjustedRect(TRect r) const {
  const int lh = LineHeight();
  if (m_borderStyle == bsSingle) {
    if (m_ctl3D) {
      r = r.Inflate(-1, 0);
      if (r.Height() >= lh + 2) r = r.Inflate(0, -1);
    } else {
      const int bw = GetSystemMetrics(SM_CXBORDER) + 1, bh = GetSystemMetrics(SM_CYBORDER) + 1;
      r = r.Inflate(-bw, 0);
      if (r.Height() >= lh + 2 * bh) r = r.Inflate(0, -bh);
    }
  }
  r.Left += m_leftMargin;
  r.Right -= m_rightMargin;
  r.Right = std::max(r.Right, r.Left + TFontEngine::Instance().Metrics(Font().Desc()).AveCharWidth);
  const int lines = m_multiLine ? std::max(1, r.Height() / std::max(1, lh)) : 1;
  r.Bottom = std::min(r.Top + lines * lh, ClientHeight());
  return r;
}

void TCustomEdit::UpdateFormatRect() {
  m_formatRect = AdjustedRect({0, 0, ClientWidth(), ClientHeight()});
  ForgetCaretPlace();
}

void TCustomEdit::ScrollCaretIntoView() {
  ForgetCaretPlace();
  const auto lines = Lines();
  const int li = LineOf(m_caret);
  const int width = std::max(1, m_formatRect.Width());
  const int cx = PrefixWidth(li, m_caret - lines[li].Start);
  if (cx < m_scrollX)
    m_scrollX = std::max(0, cx - width / 3);
  else if (cx - m_scrollX > width - 1)
    m_scrollX = std::max(0, cx - width + 1 + width / 3);
  if (m_multiLine) {
    const int visible = std::max(1, m_formatRect.Height() / std::max(1, LineHeight()));
    if (li < m_topLine)
      m_topLine = li;
    else if (li >= m_topLine + visible)
      m_topLine = li - visible + 1;
  } else {
    m_topLine = 0;
  }
}

int TCustomEdit::CharFromPos(int x, int y) const {
  const auto lines = Lines();
  const int lh = std::max(1, LineHeight());
  int li = 0;
  if (m_multiLine) {
    const int dy = y - FirstLineY();
    li = std::clamp(dy < 0 ? -1 : dy / lh, 0, static_cast<int>(lines.size()) - 1);
  }
  const std::u32string s = Utf8ToChars(DisplayLine(li));
  const TFontDesc desc = Font().Desc();
  const int x0 = LineX(li);
  int prev = 0;
  for (int col = 0; col < static_cast<int>(s.size()); ++col) {
    const int next = TFontEngine::Instance().TextWidth(desc, CharsToUtf8(std::u32string_view(s).substr(0, col + 1)));
    if (x < x0 + (prev + next) / 2) return lines[li].Start + col;
    prev = next;
  }
  return lines[li].Start + static_cast<int>(s.size());
}

// =============================================================================================
// Selection
// =============================================================================================

int TCustomEdit::SelStart() const { return std::min(m_anchor, m_caret); }
int TCustomEdit::SelLength() const { return std::abs(m_caret - m_anchor); }

std::string TCustomEdit::SelText() const {
  const std::u32string s = Utf8ToChars(m_text);
  return CharsToUtf8(std::u32string_view(s).substr(SelStart(), SelLength()));
}

void TCustomEdit::SetSelStart(int v) { SetSelection(v, v); }
void TCustomEdit::SetSelLength(int v) { SetSelection(SelStart(), SelStart() + v); }
void TCustomEdit::SelectAll() { SetSelection(0, TextLength()); }
void TCustomEdit::ClearSelection() { Perform(WM_CLEAR); }

void TCustomEdit::SetSelText(const std::string& text) {
  ReplaceRange(SelStart(), SelStart() + SelLength(), Utf8ToChars(text), urNone);
}

void TCustomEdit::SetSelection(int anchor, int caret) {
  const int n = TextLength();
  m_anchor = std::clamp(anchor, 0, n);
  m_caret = std::clamp(caret, 0, n);
  m_undoRun = urNone;
  m_preferredX = -1;
  ScrollCaretIntoView();
  RestartCaret();
  Invalidate();
}

void TCustomEdit::MoveCaret(int pos, bool extend) { SetSelection(extend ? m_anchor : pos, pos); }

int TCustomEdit::PrevPos(int pos) const {
  if (pos <= 0) return 0;
  const std::u32string s = Utf8ToChars(m_text);
  if (m_multiLine && pos >= 2 && s[pos - 1] == '\n' && s[pos - 2] == '\r') return pos - 2;
  return pos - 1;
}

int TCustomEdit::NextPos(int pos) const {
  const std::u32string s = Utf8ToChars(m_text);
  const int n = static_cast<int>(s.size());
  if (pos >= n) return n;
  if (m_multiLine && pos + 1 < n && s[pos] == '\r' && s[pos + 1] == '\n') return pos + 2;
  return pos + 1;
}

int TCustomEdit::WordLeft(int pos) const {
  const std::u32string s = Utf8ToChars(m_text);
  pos = std::min(pos, static_cast<int>(s.size()));
  while (pos > 0 && (IsBlank(s[pos - 1]) || IsBreak(s[pos - 1]))) --pos;
  while (pos > 0 && !IsBlank(s[pos - 1]) && !IsBreak(s[pos - 1])) --pos;
  return pos;
}

int TCustomEdit::WordRight(int pos) const {
  const std::u32string s = Utf8ToChars(m_text);
  const int n = static_cast<int>(s.size());
  while (pos < n && !IsBlank(s[pos]) && !IsBreak(s[pos])) ++pos;
  while (pos < n && (IsBlank(s[pos]) || IsBreak(s[pos]))) ++pos;
  return pos;
}

void TCustomEdit::SelectWordAt(int pos) {
  const std::u32string s = Utf8ToChars(m_text);
  const int n = static_cast<int>(s.size());
  if (m_passwordChar) {
    SelectAll();
    return;
  }
  if (pos >= n) pos = n - 1;
  if (pos < 0 || IsBreak(s[pos])) {
    SetSelection(std::max(pos, 0), std::max(pos, 0));
    return;
  }
  const bool blank = IsBlank(s[pos]);
  auto same = [&](char32_t c) { return !IsBreak(c) && IsBlank(c) == blank; };
  int from = pos, to = pos;
  while (from > 0 && same(s[from - 1])) --from;
  while (to < n && same(s[to])) ++to;
  SetSelection(from, to);
}

// =============================================================================================
// Editing
// =============================================================================================

void TCustomEdit::ReplaceRange(int from, int to, const std::u32string& with, TUndoRun run) {
  const std::u32string s = Utf8ToChars(m_text);
  const int n = static_cast<int>(s.size());
  from = std::clamp(from, 0, n);
  to = std::clamp(to, from, n);
  std::u32string replaced = s.substr(0, from) + with + s.substr(to);
  const int caret = from + static_cast<int>(with.size());
  if (replaced == s) {
    m_anchor = m_caret = caret;
    ScrollCaretIntoView();
    RestartCaret();
    Invalidate();
    return;
  }
  // A run of typing (or of deleting with one key) is one undo step.
  bool continues = false;
  if (run != urNone && run == m_undoRun) {
    if (run == urTyping)
      continues = from == to && from == m_undoRunPos;
    else if (run == urBackspace)
      continues = to == m_undoRunPos;
    else
      continues = from == m_undoRunPos;
  }
  if (!continues) {
    m_undoText = m_text;
    m_undoAnchor = m_anchor;
    m_undoCaret = m_caret;
    m_canUndo = true;
  }
  m_undoRun = run;
  m_undoRunPos = run == urTyping ? caret : from;
  m_text = CharsToUtf8(replaced);
  m_anchor = m_caret = caret;
  m_preferredX = -1;
  ScrollCaretIntoView();
  RestartCaret();
  Invalidate();
  Change();
}

void TCustomEdit::InsertTyped(const std::u32string& chars) {
  if (m_readOnly) return;
  const int start = SelStart(), length = SelLength();
  if (m_maxLength > 0 && TextLength() - length + static_cast<int>(chars.size()) > m_maxLength) {
    MessageBeep(0);
    return;
  }
  ReplaceRange(start, start + length, chars, urTyping);
}

void TCustomEdit::DeleteBackward() {
  if (m_readOnly) return;
  if (SelLength() > 0) {
    DoClear();
    return;
  }
  if (m_caret > 0) ReplaceRange(PrevPos(m_caret), m_caret, {}, urBackspace);
}

void TCustomEdit::DeleteForward(bool cut) {
  if (m_readOnly && !cut) return;
  if (SelLength() == 0) {
    if (m_caret >= TextLength()) return;
    if (!cut) {
      ReplaceRange(m_caret, NextPos(m_caret), {}, urDelete);
      return;
    }
    SetSelection(m_caret, NextPos(m_caret));
  }
  Perform(cut ? WM_CUT : WM_CLEAR);
}

void TCustomEdit::DoCopy() {
  if (m_passwordChar || SelLength() == 0) return;
  platform::Platform().SetClipboardText(SelText());
}

void TCustomEdit::DoCut() {
  if (m_passwordChar) return;
  DoCopy();
  DoClear();
}

void TCustomEdit::DoClear() {
  if (m_readOnly || SelLength() == 0) return;
  ReplaceRange(SelStart(), SelStart() + SelLength(), {}, urNone);
}

void TCustomEdit::DoPaste() {
  if (m_readOnly) return;
  const std::optional<std::string> clip = platform::Platform().ClipboardText();
  if (!clip) return;
  std::u32string chars = Utf8ToChars(*clip);
  if (!m_multiLine) {
    // A one-line edit takes the text up to its first line break.
    const auto cut = std::find_if(chars.begin(), chars.end(), IsBreak);
    chars.erase(cut, chars.end());
  } else {
    std::u32string lines;
    for (size_t i = 0; i < chars.size(); ++i) {
      if (chars[i] == '\n' && (i == 0 || chars[i - 1] != '\r')) lines += U'\r';
      lines += chars[i];
    }
    chars = std::move(lines);
  }
  const int start = SelStart(), length = SelLength();
  if (m_maxLength > 0) {
    const int room = std::max(0, m_maxLength - (TextLength() - length));
    if (static_cast<int>(chars.size()) > room) chars.resize(room);
  }
  ReplaceRange(start, start + length, chars, urNone);
}

void TCustomEdit::DoUndo() {
  if (!m_canUndo || m_readOnly) return;
  const std::string old = m_text;
  const int oldAnchor = m_anchor, oldCaret = m_caret;
  m_text = m_undoText;
  m_undoText = old;
  const int n = TextLength();
  m_anchor = std::clamp(m_undoAnchor, 0, n);
  m_caret = std::clamp(m_undoCaret, 0, n);
  m_undoAnchor = oldAnchor;
  m_undoCaret = oldCaret;
  m_undoRun = urNone;
  m_preferredX = -1;
  ScrollCaretIntoView();
  RestartCaret();
  Invalidate();
  if (m_text != old) Change();
}

// =============================================================================================
// Messages: keys, edit messages, mouse
// =============================================================================================

void TCustomEdit::WndProc(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    return;
  }
  TWinControl::WndProc(m);
}

void TCustomEdit::DefaultKeyHandler(TMessage& m) {
  if (m.Msg == WM_KEYDOWN)
    HandleKeyDown(static_cast<int>(m.WParam), static_cast<TShiftState>(m.LParam));
  else if (m.Msg == WM_CHAR)
    HandleChar(static_cast<char32_t>(m.WParam));
}

void TCustomEdit::HandleKeyDown(int key, TShiftState shift) {
  using namespace platform;
  const bool extend = (shift & ssShift) != 0, ctrl = (shift & ssCtrl) != 0;
  const auto lines = Lines();
  const int li = LineOf(m_caret);
  auto moveLines = [&](int delta) {
    const int target = std::clamp(li + delta, 0, static_cast<int>(lines.size()) - 1);
    const int x = m_preferredX >= 0 ? m_preferredX : PrefixWidth(li, m_caret - lines[li].Start);
    int col = 0;
    const int len = lines[target].Length;
    while (col < len && (PrefixWidth(target, col) + PrefixWidth(target, col + 1)) / 2 <= x) ++col;
    MoveCaret(lines[target].Start + col, extend);
    m_preferredX = x;
  };
  switch (key) {
    case VK_LEFT: MoveCaret(ctrl ? WordLeft(m_caret) : PrevPos(m_caret), extend); break;
    case VK_RIGHT: MoveCaret(ctrl ? WordRight(m_caret) : NextPos(m_caret), extend); break;
    case VK_UP:
      if (m_multiLine)
        moveLines(-1);
      else
        MoveCaret(ctrl ? WordLeft(m_caret) : PrevPos(m_caret), extend);
      break;
    case VK_DOWN:
      if (m_multiLine)
        moveLines(1);
      else
        MoveCaret(ctrl ? WordRight(m_caret) : NextPos(m_caret), extend);
      break;
    case VK_PRIOR:
    case VK_NEXT:
      if (m_multiLine) {
        const int page = std::max(1, m_formatRect.Height() / std::max(1, LineHeight()));
        moveLines(key == VK_PRIOR ? -page : page);
      }
      break;
    case VK_HOME: MoveCaret(m_multiLine && !ctrl ? lines[li].Start : 0, extend); break;
    case VK_END: MoveCaret(m_multiLine && !ctrl ? lines[li].Start + lines[li].Length : TextLength(), extend); break;
    case VK_DELETE: DeleteForward(extend); break;
    case VK_INSERT:
      if (ctrl)
        Perform(WM_COPY);
      else if (extend)
        Perform(WM_PASTE);
      break;
    default: break;
  }
}

void TCustomEdit::HandleChar(char32_t ch) {
  using namespace platform;
  switch (ch) {
    case ccCtrlA: SelectAll(); break;
    case ccCtrlC: Perform(WM_COPY); break;
    case ccCtrlV: Perform(WM_PASTE); break;
    case ccCtrlX: Perform(WM_CUT); break;
    case ccCtrlZ: Perform(WM_UNDO); break;
    case ccBackspace: DeleteBackward(); break;
    case ccEnter:
    case ccLineFeed:
      if (m_multiLine)
        InsertTyped(U"\r\n");
      else if (ch == ccEnter)
        MessageBeep(0);
      break;
    default:
      if (ch >= ccFirstPrintable && ch != ccDelete) InsertTyped(std::u32string(1, ch));
      break;
  }
}

void TCustomEdit::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_COPY: DoCopy(); break;
    case WM_CUT: DoCut(); break;
    case WM_PASTE: DoPaste(); break;
    case WM_CLEAR: DoClear(); break;
    case WM_UNDO:
      m.Result = m_canUndo;
      DoUndo();
      break;
    case EM_CANUNDO: m.Result = m_canUndo; break;
    case EM_EMPTYUNDOBUFFER: ClearUndo(); break;
    case EM_GETSEL:
      m.Result = (SelStart() & 0xFFFF) | (static_cast<std::intptr_t>((SelStart() + SelLength()) & 0xFFFF) << 16);
      break;
    case EM_SETSEL: {
      const int anchor = static_cast<int>(m.WParam), caret = static_cast<int>(m.LParam);
      if (anchor < 0)
        SetSelection(m_caret, m_caret);
      else
        SetSelection(anchor, caret < 0 ? TextLength() : caret);
      break;
    }
    case EM_GETRECT:
      if (m.LParam) *reinterpret_cast<TRect*>(m.LParam) = m_formatRect;
      break;
    case EM_SETRECT:
    case EM_SETRECTNP:
      // Only a multi-line edit honours a formatting rectangle of its own.
      if (!m_multiLine) break;
      if (m.LParam)
        m_formatRect = AdjustedRect(*reinterpret_cast<const TRect*>(m.LParam));
      else
        UpdateFormatRect();
      ScrollCaretIntoView();
      if (m.Msg == EM_SETRECT) Invalidate();
      break;
    case EM_GETMARGINS:
      m.Result = (m_leftMargin & 0xFFFF) | (static_cast<std::intptr_t>(m_rightMargin & 0xFFFF) << 16);
      break;
    case EM_SETMARGINS:
      if (m.WParam & EC_LEFTMARGIN) m_leftMargin = LoWord(m.LParam);
      if (m.WParam & EC_RIGHTMARGIN) m_rightMargin = HiWord(m.LParam);
      UpdateFormatRect();
      ScrollCaretIntoView();
      Invalidate();
      break;
    default: break;
  }
}

void TCustomEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    const int pos = CharFromPos(x, y);
    if (shift & ssDouble)
      SelectWordAt(pos);
    else
      SetSelection((shift & ssShift) ? m_anchor : pos, pos);
    m_mouseSelecting = !(shift & ssDouble);
    if (!HoldsFocus() && CanFocus()) SetFocus();
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TCustomEdit::MouseMove(TShiftState shift, int x, int y) {
  if (m_mouseSelecting && (ControlState() & csLButtonDown)) {
    const int pos = CharFromPos(x, y);
    if (pos != m_caret) MoveCaret(pos, true);
  }
  TWinControl::MouseMove(shift, x, y);
}

void TCustomEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) m_mouseSelecting = false;
  TWinControl::MouseUp(button, shift, x, y);
}

// =============================================================================================
// Painting
// =============================================================================================

void TCustomEdit::PaintNonClient(TCanvas& canvas) {
  if (m_borderStyle != bsSingle) return;
  if (m_ctl3D)
    canvas.DrawEdge({0, 0, Width(), Height()}, edgeSunken, bfRect);
  else
    TWinControl::PaintNonClient(canvas);
}

void TCustomEdit::PaintWindow(TCanvas& canvas) {
  PaintClient(canvas);
  PaintOverlay(canvas);
}

void TCustomEdit::PaintClient(TCanvas& canvas) {
  canvas.Brush().Color = Color();
  canvas.Brush().Style = bsSolid;
  canvas.FillRect(ClientRect());
  TCanvas text;
  text.AttachLike(canvas);
  text.IntersectClipRect(m_formatRect);
  text.Font().Assign(Font());
  if (!Enabled()) text.Font().SetColor(clGrayText);
  text.Brush().Style = bsClear;
  const int lh = LineHeight(), y0 = FirstLineY();
  for (int i = m_topLine; i < LineCount(); ++i) {
    const int y = y0 + i * lh;
    if (y >= ClientHeight()) break;
    text.TextOut(LineX(i), y, DisplayLine(i));
  }
}

void TCustomEdit::PaintOverlay(TCanvas& canvas) {
  if (SelLength() > 0 && (Focused() || !m_hideSelection)) {
    const auto lines = Lines();
    const int lh = LineHeight(), y0 = FirstLineY();
    const int from = SelStart(), to = SelStart() + SelLength();
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
      const int a = std::max(from, lines[i].Start), b = std::min(to, lines[i].Start + lines[i].Length);
      if (a >= b) continue;
      const int x0 = LineX(i) + PrefixWidth(i, a - lines[i].Start);
      const int x1 = LineX(i) + PrefixWidth(i, b - lines[i].Start);
      const int y = y0 + i * lh;
      const TRect band{x0, y, x1, y + lh};
      // The selected characters again, in the highlight colours, at the same places.
      TCanvas h;
      h.AttachLike(canvas);
      h.IntersectClipRect(m_formatRect);
      h.IntersectClipRect(band);
      h.Brush().Color = clHighlight;
      h.Brush().Style = bsSolid;
      h.FillRect(band);
      h.Font().Assign(Font());
      h.Font().SetColor(clHighlightText);
      h.Brush().Style = bsClear;
      h.TextOut(LineX(i), y, DisplayLine(i));
    }
  }
  // Painted means seen: a caret that stopped blinking while its form was inactive, or while it
  // lay outside the form, starts again here (on, with a full period), and one that no longer
  // shows stops. Its place is kept for the blinks.
  m_caretPlace.reset();
  if (CaretMayShow()) m_caretPlace = CaretRect();
  SyncCaretBlinkAt(m_caretPlace, false);
  // The caret inverts what lies beneath it, as the desktop's caret does.
  if (Focused() && m_caretOn && m_caretPlace) canvas.InvertRect(*m_caretPlace);
}
