// The edit control the entry boxes build on: editing, selection, clipboard, undo, limits,
// scrolling, the formatting rectangle, the height rule and what it draws.
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "tests/unit/controls/cn_fixture.h"

namespace {

using namespace platform;

class TMultiLineEdit : public TEdit {
 public:
  using TEdit::TEdit;

 protected:
  void CreateParams(TEditCreateParams& p) override { p.MultiLine = true; }
};

class CnStdEditTest : public EntryTest {
 protected:
  void SetUp() override {
    EntryTest::SetUp();
    edit = Add<TEdit>("edit", 10, 10, 120, 25);
    other = Add<TEdit>("other", 10, 50, 120, 25);
    edit->OnChange = [this](TObject*) { log.push_back("change " + edit->Text()); };
    ShowForm();
    edit->SetFocus();
    log.clear();
  }
  TEdit* edit = nullptr;
  TEdit* other = nullptr;
};

TEST_F(CnStdEditTest, TypingReplacesTheSelectionAndEachChangeFiresOnChangeOnce) {
  Type("abcd");
  EXPECT_EQ(edit->Text(), "abcd");
  Key(VK_LEFT, ksShift);
  Key(VK_LEFT, ksShift);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelText(), "cd");
  Type("X");
  EXPECT_EQ(edit->Text(), "abX");
  Key(VK_HOME);
  Key(VK_DELETE);
  Key(VK_END);
  Key(VK_BACK, 0, 8);
  EXPECT_EQ(edit->Text(), "b");
  EXPECT_EQ(log, (std::vector<std::string>{"change a", "change ab", "change abc", "change abcd", "change abX",
                                           "change bX", "change b"}));
  // Deleting at the end and typing over an equal selection change nothing and fire nothing.
  log.clear();
  Key(VK_DELETE);
  Key(VK_LEFT, ksShift);
  Type("b");
  edit->SetText("b");
  EXPECT_TRUE(log.empty());
  // A text set by the program fires once and puts the caret at the start.
  edit->SetText("hello");
  EXPECT_EQ(log, (std::vector<std::string>{"change hello"}));
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(CnStdEditTest, PositionsCountCharactersNotBytes) {
  edit->SetText("长度");
  Key(VK_END);
  EXPECT_EQ(edit->SelStart(), 2);
  Key(VK_LEFT, ksShift);
  EXPECT_EQ(edit->SelText(), "度");
  Key(VK_BACK, 0, 8);
  EXPECT_EQ(edit->Text(), "长");
}

TEST_F(CnStdEditTest, ClipboardKeysAndSingleLevelUndo) {
  edit->SetText("12345");
  edit->SetSelStart(1);
  edit->SetSelLength(3);
  Key('C', ksCtrl, 3);
  EXPECT_EQ(desktop.ClipboardText(), "234");
  Key('X', ksCtrl, 24);
  EXPECT_EQ(edit->Text(), "15");
  Key(VK_END);
  Key('V', ksCtrl, 22);
  EXPECT_EQ(edit->Text(), "15234");
  // A run of typing is one undo step; a second undo brings the run back.
  Type("67");
  Key('Z', ksCtrl, 26);
  EXPECT_EQ(edit->Text(), "15234");
  Key('Z', ksCtrl, 26);
  EXPECT_EQ(edit->Text(), "1523467");
  // A text set by the program cannot be undone.
  edit->SetText("new");
  EXPECT_FALSE(edit->CanUndo());
  Key('Z', ksCtrl, 26);
  EXPECT_EQ(edit->Text(), "new");
  Key('A', ksCtrl, 1);
  EXPECT_EQ(edit->SelLength(), 3);
  // A one-line edit pastes up to the first line break.
  desktop.SetClipboardText("ab\r\ncd");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "ab");
}

TEST_F(CnStdEditTest, LimitsReadOnlyAndPasswordCharacters) {
  edit->SetMaxLength(4);
  Type("12345");
  EXPECT_EQ(edit->Text(), "1234");
  EXPECT_EQ(log.back(), "beep");
  edit->SetText("12");
  Key(VK_END);
  desktop.SetClipboardText("abcdef");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "12ab");

  edit->SetReadOnly(true);
  edit->SelectAll();
  Type("9");
  Key(VK_BACK, 0, 8);
  Key('X', ksCtrl, 24);
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "12ab");
  EXPECT_EQ(desktop.ClipboardText(), "12ab");  // the cut still copied

  edit->SetReadOnly(false);
  edit->SetPasswordChar(U'*');
  desktop.SetClipboardText("kept");
  edit->SelectAll();
  Key('C', ksCtrl, 3);
  Key('X', ksCtrl, 24);
  EXPECT_EQ(desktop.ClipboardText(), "kept");
  EXPECT_EQ(edit->Text(), "12ab");
}

TEST_F(CnStdEditTest, MousePlacesTheCaretDragsAndDoubleClicksSelectAWord) {
  edit->SetText("ab cd");
  other->SetFocus();
  // A press on an unfocused edit focuses it with the caret at the press.
  Press(11 + edit->FormatRect().Left, 20);
  EXPECT_EQ(form->ActiveControl(), edit);
  EXPECT_EQ(edit->SelStart(), 0);
  MoveTo(125, 20);
  Release();
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 5);
  Elapse(600);
  Click(125, 20);
  EXPECT_EQ(edit->CaretPos(), 5);
  Elapse(600);
  Click(12, 20);
  Click(12, 20);  // a double click
  EXPECT_EQ(edit->SelText(), "ab");
}

TEST_F(CnStdEditTest, LongTextsScrollToKeepTheCaretInTheFormattingRectangle) {
  Type("0123456789012345678901234567890123456789");
  EXPECT_GT(edit->ScrollX(), 0);
  Key(VK_HOME);
  EXPECT_EQ(edit->ScrollX(), 0);
  Key(VK_END);
  const int scrolled = edit->ScrollX();
  EXPECT_GT(scrolled, 0);
  // The program's text starts unscrolled.
  edit->SetText("short");
  EXPECT_EQ(edit->ScrollX(), 0);
}

TEST_F(CnStdEditTest, HeightRuleAndFormattingRectangle) {
  const int tm = edit->LineHeight();
  // 3-D: tmHeight + 8; flat: + 6; no border: the height is kept.
  EXPECT_EQ(edit->Height(), tm + 8);
  edit->SetCtl3D(false);
  EXPECT_EQ(edit->Height(), tm + 6);
  EXPECT_EQ(edit->BorderWidth(), 1);
  // Flat: two pixels in on each side, the text one line high.
  EXPECT_EQ(edit->FormatRect(), (TRect{2, 2, edit->ClientWidth() - 2, 2 + tm}));
  edit->SetBorderStyle(bsNone);
  edit->SetHeight(40);
  EXPECT_EQ(edit->Height(), 40);

  // One-line edits keep their default rectangle; multi-line edits take the one they are given,
  // with the border and margins applied to it.
  TRect r{0, 0, 50, 20};
  edit->Perform(EM_SETRECT, 0, reinterpret_cast<std::intptr_t>(&r));
  EXPECT_EQ(edit->FormatRect().Right, edit->ClientWidth());
  auto* multi = Add<TMultiLineEdit>("multi", 10, 80, 120, 25);
  multi->HandleNeeded();
  multi->SetCtl3D(false);
  multi->Perform(EM_SETMARGINS, EC_LEFTMARGIN, 3);
  EXPECT_EQ(LoWord(multi->Perform(EM_GETMARGINS)), 3);
  multi->Perform(EM_SETRECT, 0, reinterpret_cast<std::intptr_t>(&r));
  TRect got;
  multi->Perform(EM_GETRECT, 0, reinterpret_cast<std::intptr_t>(&got));
  EXPECT_EQ(got.Left, 2 + 3);
  EXPECT_EQ(got.Right, 48);
  // Line breaks: Enter inserts one, the caret steps over it as one position.
  multi->SetFocus();
  Type("ab");
  Key(VK_RETURN, 0, 13);
  Type("c");
  EXPECT_EQ(multi->Text(), "ab\r\nc");
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(multi->SelStart(), 2);
  Key(VK_DOWN);
  EXPECT_EQ(multi->SelStart(), 5);
}

TEST_F(CnStdEditTest, CaretBlinksFromTheFocusAndSelectionShowsByHideSelection) {
  EXPECT_TRUE(edit->CaretShown());
  Elapse(499);
  EXPECT_TRUE(edit->CaretShown());
  Elapse(1);
  EXPECT_FALSE(edit->CaretShown());
  Type("x");  // an edit shows the caret again at once
  EXPECT_TRUE(edit->CaretShown());

  edit->SetText("wwww");
  edit->SelectAll();
  const int x = 10 + edit->BorderWidth() + edit->FormatRect().Left + 2;
  const int y = 10 + edit->BorderWidth() + edit->FormatRect().Top + 1;
  EXPECT_EQ(PixelAt(x, y), ColorToRGB(clHighlight));
  other->SetFocus();
  EXPECT_FALSE(edit->CaretShown());
  EXPECT_EQ(PixelAt(x, y), ColorToRGB(clWindow));
  edit->SetHideSelection(false);
  EXPECT_EQ(PixelAt(x, y), ColorToRGB(clHighlight));
}

// A blink presents only the caret's column, and it is the column of the caret as it is now: moving
// the caret, typing, or breaking the text into lines moves it.
TEST_F(CnStdEditTest, EachBlinkPresentsTheCaretColumnWhereTheCaretIsNow) {
  auto blinkColumn = [&] {
    form->PaintPending();
    desktop.ForgetPresents(form->Handle());
    Elapse(500);
    const auto* record = desktop.Window(form->Handle());
    EXPECT_EQ(record->Presents, 1);
    EXPECT_EQ(record->PresentedArea.Width(), 1);
    return record->PresentedArea.Left;
  };
  Type("a");
  desktop.Char(U'\u00e9', 0);  // two bytes, one character
  Type("b");
  const int end = blinkColumn();
  EXPECT_EQ(blinkColumn(), end);  // off, then on again in the same place
  Key(VK_LEFT);
  const int beforeB = blinkColumn();
  EXPECT_LT(beforeB, end);
  Key(VK_LEFT);
  const int beforeE = blinkColumn();
  EXPECT_LT(beforeE, beforeB);
  Type("xx");
  EXPECT_GT(blinkColumn(), beforeE);
  // Lines end at CR LF or LF alone; the caret on the third line stands after its two characters.
  auto* multi = Add<TMultiLineEdit>("multi", 10, 80, 120, 60);
  multi->HandleNeeded();
  multi->SetText("abcd\r\nc\nde");
  multi->SetFocus();
  Key(VK_END, ksCtrl);
  EXPECT_EQ(multi->SelStart(), 10);
  const int lastLine = blinkColumn();
  Key(VK_UP);
  EXPECT_EQ(multi->SelStart(), 7);  // after the c: the shorter line holds the caret at its end
  EXPECT_LT(blinkColumn(), lastLine);
  Key(VK_UP);
  EXPECT_LE(multi->SelStart(), 4);
  EXPECT_EQ(multi->Text(), "abcd\r\nc\nde");
}

// A blink inverts the caret where it stands, without painting anything beneath it, and the form
// then holds exactly what painting it whole gives. Where a paint is pending at the caret, or a
// control painted later covers it, the caret's place is painted instead. The same at scale 2.
TEST_F(CnStdEditTest, BlinksDrawnInPlaceLeaveWhatAWholePaintWould) {
  class TCountedPanel : public TPanel {
   public:
    using TPanel::TPanel;
    int Paints = 0;

   protected:
    void Paint() override {
      ++Paints;
      TPanel::Paint();
    }
  };
  auto* panel = Add<TCountedPanel>("panel", 140, 10, 150, 60);
  auto* inner = new TEdit(form);
  inner->SetParent(panel);
  inner->SetBounds(10, 10, 100, 25);
  inner->HandleNeeded();
  inner->SetFocus();
  Type("12");
  auto blinkIsWhatAWholePaintGives = [&](bool inPlace) {
    form->PaintPending();
    const int paints = panel->Paints;
    const bool shown = inner->CaretShown();
    Elapse(500);
    EXPECT_NE(inner->CaretShown(), shown);
    EXPECT_EQ(panel->Paints == paints, inPlace) << "painted beneath the caret: " << panel->Paints - paints;
    const TSurface blinked = form->Surface();
    form->PaintAll();
    const TSurface& whole = form->Surface();
    bool same = blinked.Width == whole.Width && blinked.Height == whole.Height;
    for (int y = 0; same && y < whole.Height; ++y)
      for (int x = 0; same && x < whole.Width; ++x) same = blinked.At(x, y) == whole.At(x, y);
    EXPECT_TRUE(same) << "the blink left other pixels than a whole paint";
  };
  blinkIsWhatAWholePaintGives(true);  // off
  blinkIsWhatAWholePaintGives(true);  // on again

  // The panel clips the edit through the middle of the caret.
  panel->SetHeight(10 + 2 + 6);
  blinkIsWhatAWholePaintGives(true);
  panel->SetHeight(60);

  // Nothing is drawn where a paint is pending: the paint draws over it.
  inner->Invalidate();
  EXPECT_FALSE(inner->DrawNow(inner->ClientRect(), [](TCanvas&) { ADD_FAILURE() << "drawn under a pending paint"; }));
  form->PaintPending();
  int draws = 0;
  EXPECT_TRUE(inner->DrawNow(inner->ClientRect(), [&](TCanvas&) { ++draws; }));
  EXPECT_EQ(draws, 1);

  // A windowed control added later covers part of the caret.
  const TRect caret = Bounds(140 + 10 + inner->BorderWidth() + inner->FormatRect().Left, 10 + 10, 4, 8);
  auto* cover = Add<TPanel>("cover", caret.Left - 2, caret.Top + 4, 20, 30);
  blinkIsWhatAWholePaintGives(false);
  blinkIsWhatAWholePaintGives(false);
  cover->SetVisible(false);
  blinkIsWhatAWholePaintGives(true);

  platform::TEvent change(platform::evScaleChange, form->Handle());
  change.Scale = 2.0;
  change.Bounds = Bounds(200, 200, 600, 240);
  desktop.Push(change);
  Pump();
  ASSERT_EQ(form->Scale(), 2);
  blinkIsWhatAWholePaintGives(true);
  blinkIsWhatAWholePaintGives(true);
}

}  // namespace
