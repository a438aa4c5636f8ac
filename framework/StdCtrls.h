// The edit control: TCustomEdit (the desktop's edit box, drawn and driven by the class library
// itself) and its published form TEdit.
//
// Texts are UTF-8. Caret and selection positions count characters (code points); a line break of
// a multi-line edit is the two characters "\r\n".
//
// Painting runs in two layers. PaintClient draws the background and the text; subclasses that
// paint their own text replace it. The selection highlight and the caret are always drawn by the
// edit afterwards, at the positions LineX / FirstLineY give, so they stay visible over any text a
// subclass draws (the caret is inverted like a desktop caret, the selected characters are drawn
// again in the highlight colours).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Utf8.h"
#include "framework/Controls.h"

class TTimer;

// System metrics of the classic desktop.
enum TSystemMetric : int { SM_CXVSCROLL = 2, SM_CXBORDER = 5, SM_CYBORDER = 6 };
int GetSystemMetrics(int index);
// The text height (tmHeight) of the system font, the font of a fresh screen device context.
int SystemFontTextHeight();
// The platform's default beep (the type is accepted for the desktop's signature; all sound alike).
void MessageBeep(unsigned type);

// Edit messages beyond those every control knows.
enum : std::uint32_t {
  EM_GETSEL = 0x00B0,  // Result: low word the start, high word the end of the selection
  EM_SETSEL = 0x00B1,  // WParam: anchor, LParam: caret (-1: the end of the text)
  EM_CANUNDO = 0x00C6,
  EM_EMPTYUNDOBUFFER = 0x00CD,
};
// EM_SETMARGINS flags.
enum : int { EC_LEFTMARGIN = 1, EC_RIGHTMARGIN = 2 };

// How the edit is created (the platform's window styles that matter here).
struct TEditCreateParams {
  bool MultiLine = false;
};

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* owner);
  ~TCustomEdit() override;
  const char* ClassName() const override { return "TCustomEdit"; }
  void WndProc(TMessage& message) override;

  // --- properties -----------------------------------------------------------------------------
  bool AutoSelect() const { return m_autoSelect; }
  void SetAutoSelect(bool v) { m_autoSelect = v; }
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool v);
  TBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TBorderStyle v);
  bool Ctl3D() const { return m_ctl3D; }
  void SetCtl3D(bool v);
  bool HideSelection() const { return m_hideSelection; }
  void SetHideSelection(bool v);
  // 0: no limit. Limits what the user types and pastes, not texts set by the program.
  int MaxLength() const { return m_maxLength; }
  void SetMaxLength(int v) { m_maxLength = v < 0 ? 0 : v; }
  // 0: none; otherwise every character is shown as this one and the text cannot be copied.
  char32_t PasswordChar() const { return m_passwordChar; }
  void SetPasswordChar(char32_t v);
  bool ReadOnly() const { return m_readOnly; }
  void SetReadOnly(bool v) { m_readOnly = v; }
  // The input method switched to while the edit has the focus (empty: none).
  const std::string& ImeName() const { return m_imeName; }
  void SetImeName(const std::string& v) { m_imeName = v; }
  bool IsMultiLine() const { return m_multiLine; }

  // --- selection, in characters ---------------------------------------------------------------
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const;
  // Replaces the selection as typing would (OnChange when the text changes).
  void SetSelText(const std::string& text);
  void SelectAll();
  void ClearSelection();
  // The caret position (the moving end of the selection).
  int CaretPos() const { return m_caret; }

  void CopyToClipboard() { Perform(WM_COPY); }
  void CutToClipboard() { Perform(WM_CUT); }
  void PasteFromClipboard() { Perform(WM_PASTE); }
  bool CanUndo() const { return m_canUndo; }
  void Undo() { Perform(WM_UNDO); }
  void ClearUndo() {
    m_canUndo = false;
    m_undoRun = urNone;
  }

  TNotifyEvent OnChange;

  int BorderWidth() const override;
  void DoEnter() override;
  void DoExit() override;
  bool GetPropertyText(std::string_view name, std::string& value) override;

  // The formatting rectangle (client coordinates): where the text is laid out.
  const TRect& FormatRect() const { return m_formatRect; }
  // The height of one line of text (the font's tmHeight).
  int LineHeight() const;
  int ScrollX() const { return m_scrollX; }
  int TopLine() const { return m_topLine; }
  bool CaretShown() const { return m_caretOn; }

 protected:
  virtual void CreateParams(TEditCreateParams& params) { (void)params; }
  void CreateWnd() override;
  // Fires OnChange; runs once for every change of the text.
  virtual void Change();
  void TextChanged() override;
  void FontChanged() override;
  void Resize() override;
  void DefaultKeyHandler(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  TCursor DefaultCursor() const override { return crIBeam; }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void PaintNonClient(TCanvas& canvas) override;
  void PaintWindow(TCanvas& canvas) override;
  // The edit's own drawing of the client area: background, then the text of the visible lines.
  virtual void PaintClient(TCanvas& canvas);
  // Where line `line` starts horizontally and where line 0 lies vertically (client
  // coordinates, scrolling applied). Painting, the overlay and mouse hits all use these.
  virtual int LineX(int line) const;
  virtual int FirstLineY() const;
  // The text as shown: every character replaced by PasswordChar when one is set.
  std::string DisplayText() const;
  // One line of DisplayText (without its line break).
  std::string DisplayLine(int line) const;
  int LineCount() const { return static_cast<int>(Lines().size()); }
  // Sets the height from the font when AutoSize is on and the border single.
  void AdjustHeight();
  // The edit has the form's focus (whether or not the form is the active window).
  bool HoldsFocus() const;

 private:
  struct TLine {
    int Start = 0;   // first character
    int Length = 0;  // characters, without the line break
  };
  enum TUndoRun { urNone, urTyping, urBackspace, urDelete };

  std::vector<TLine> Lines() const;
  int LineOf(int pos) const;
  int TextLength() const;
  int PrefixWidth(int line, int column) const;
  int CharFromPos(int x, int y) const;
  // Caret movement steps over a "\r\n" pair of a multi-line edit as one character.
  int PrevPos(int pos) const;
  int NextPos(int pos) const;
  int WordLeft(int pos) const;
  int WordRight(int pos) const;
  void SelectWordAt(int pos);
  // Sets anchor and caret (clamped), scrolls the caret into view and restarts the blink.
  void SetSelection(int anchor, int caret);
  void MoveCaret(int pos, bool extend);
  // Replaces characters [from, to) by `with`, as a user edit: undo, caret, OnChange.
  void ReplaceRange(int from, int to, const std::u32string& with, TUndoRun run);
  void InsertTyped(const std::u32string& chars);
  void DeleteBackward();
  void DeleteForward(bool cut);
  void DoCopy();
  void DoCut();
  void DoPaste();
  void DoClear();
  void DoUndo();
  void HandleKeyDown(int key, TShiftState shift);
  void HandleChar(char32_t ch);
  void UpdateFormatRect();
  TRect AdjustedRect(TRect r) const;
  void ScrollCaretIntoView();
  void RestartCaret();
  // The caret blinks only while it can be seen: its edit holds the focus of the active form and
  // the caret lies inside the form's area (not while the window is inactive or a compact square).
  void CaretTick();
  TRect CaretRect() const;  // client coordinates
  // Whether the caret may show at all: the edit holds the focus of an active, showing form
  // (cheap); and whether the caret at `caret` lies inside the form's area.
  bool CaretMayShow() const;
  bool CaretFits(const TRect& caret) const;
  // Forgets where the last paint put the caret: whatever may move it calls this.
  void ForgetCaretPlace() { m_caretPlace.reset(); }
  // Starts or stops the blink as the caret may show and fits, at its place now or at `caret`
  // (none: it may not show); a caret that starts blinking starts on.
  void SyncCaretBlink(bool invalidate);
  void SyncCaretBlinkAt(const std::optional<TRect>& caret, bool invalidate);
  void FormAreaChanged() override;
  void PaintOverlay(TCanvas& canvas);

  bool m_autoSelect = true;
  bool m_autoSize = true;
  TBorderStyle m_borderStyle = bsSingle;
  bool m_ctl3D = true;
  bool m_hideSelection = true;
  int m_maxLength = 0;
  char32_t m_passwordChar = 0;
  bool m_readOnly = false;
  std::string m_imeName;
  bool m_multiLine = false;

  int m_anchor = 0;
  int m_caret = 0;
  int m_scrollX = 0;
  int m_topLine = 0;
  int m_leftMargin = 0;
  int m_rightMargin = 0;
  TRect m_formatRect;
  bool m_mouseSelecting = false;
  int m_preferredX = -1;  // caret x kept while moving up and down in a multi-line edit

  bool m_canUndo = false;
  std::string m_undoText;
  int m_undoAnchor = 0;
  int m_undoCaret = 0;
  TUndoRun m_undoRun = urNone;
  int m_undoRunPos = -1;  // where the current typing or deleting run continues

  TTimer* m_caretTimer = nullptr;  // owned
  bool m_caretOn = false;
  // Where the last paint put the caret (client coordinates): a blink redraws it there without
  // laying the text out again. Anything that moves the caret also repaints the edit, which
  // records the new place before the next blink.
  std::optional<TRect> m_caretPlace;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
  const char* ClassName() const override { return "TEdit"; }
};
