// TCnSpinEdit and its arrows: reading and writing the value, bounds, steps, the key filter,
// paste and cut, the size rules, the focus mark and the repeat timer.
#include <climits>

#include "controls/CnSpin.h"
#include "framework/Runtime.h"
#include "tests/unit/controls/cn_fixture.h"

namespace {

using namespace platform;

class CnSpinTest : public EntryTest {
 protected:
  void SetUp() override {
    EntryTest::SetUp();
    spin = Add<TCnSpinEdit>("spin", 10, 10, 59, 31);
    other = Add<TCnSpinEdit>("other", 100, 10, 59, 31);
    for (TCnSpinEdit* e : {spin, other}) {
      e->SetCtl3D(false);
      e->Font().SetName("黑体");
      e->Font().SetHeight(21);
    }
    spin->OnChange = [this](TObject*) { log.push_back("change " + spin->Text()); };
    spin->OnExit = [this](TObject*) { log.push_back("exit"); };
    ShowForm();
    log.clear();
  }
  TCnSpinEdit* spin = nullptr;
  TCnSpinEdit* other = nullptr;
};

TEST_F(CnSpinTest, ReadingFallsBackToTheLowerBoundAndNeverClamps) {
  spin->SetMinValue(2);
  spin->SetMaxValue(3000);
  for (const auto& [text, value] : std::initializer_list<std::pair<const char*, int>>{
           {"5000", 5000}, {"$FFFFFFFF", -1}, {"  +7", 7}, {"7 ", 2}, {"1.5", 2}, {"", 2}, {"--5", 2}}) {
    spin->SetText(text);
    EXPECT_EQ(spin->Value(), value) << text;
  }
}

TEST_F(CnSpinTest, ClampingAndWritingTheValue) {
  EXPECT_EQ(spin->ClampValue(-7), -7);  // equal bounds: free
  spin->SetMinValue(10);
  spin->SetMaxValue(5);  // inconsistent: the lower bound is tested first
  EXPECT_EQ(spin->ClampValue(7), 10);
  EXPECT_EQ(spin->ClampValue(12), 5);
  spin->SetMinValue(2);
  spin->SetMaxValue(3000);
  spin->SetValue(1);
  spin->SetValue(5000);
  spin->SetValue(3000);
  EXPECT_EQ(log, (std::vector<std::string>{"change 2", "change 3000"}));
  // A write from inside OnChange runs its own OnChange before the outer one goes on.
  log.clear();
  spin->OnChange = [this](TObject*) {
    log.push_back("change " + spin->Text());
    if (spin->Value() == 6) spin->SetValue(1);
  };
  spin->SetValue(6);
  EXPECT_EQ(log, (std::vector<std::string>{"change 6", "change 2"}));
}

TEST_F(CnSpinTest, StepsWrapInThirtyTwoBitsAndBeepWhenReadOnly) {
  spin->SetValue(INT_MAX);
  spin->StepUp();
  EXPECT_EQ(spin->Text(), "-2147483648");
  spin->SetIncrement(5);
  spin->SetText("x");
  spin->StepDown();
  EXPECT_EQ(spin->Value(), -5);
  spin->SetMinValue(2);
  spin->SetMaxValue(3000);
  spin->SetText("abc");
  spin->StepUp();
  EXPECT_EQ(spin->Value(), 7);
  log.clear();
  spin->SetReadOnly(true);
  spin->StepUp();
  spin->StepDown();
  EXPECT_EQ(spin->Value(), 7);
  EXPECT_EQ(log, (std::vector<std::string>{"beep", "beep"}));
}

TEST_F(CnSpinTest, KeyFilter) {
  std::string accepted;
  for (char32_t c : U"09+-.,aZ \x1b\t\x08\r\x03") {
    if (c && spin->IsAcceptedChar(c)) accepted += c < 32 ? '^' : static_cast<char>(c);
  }
  EXPECT_EQ(accepted, "09+-.^^^^");
  SetDecimalSeparator(',');
  EXPECT_TRUE(spin->IsAcceptedChar(','));
  EXPECT_FALSE(spin->IsAcceptedChar('.'));
  SetDecimalSeparator('.');
  spin->SetEditorEnabled(false);
  EXPECT_FALSE(spin->IsAcceptedChar('5'));
  EXPECT_FALSE(spin->IsAcceptedChar(8));
  EXPECT_TRUE(spin->IsAcceptedChar(22));
  EXPECT_FALSE(spin->IsAcceptedChar(13));
  // A refused key beeps and reaches neither OnKeyPress nor the edit.
  std::vector<char32_t> pressed;
  spin->OnKeyPress = [&](TObject*, char32_t& k) { pressed.push_back(k); };
  spin->SetEditorEnabled(true);
  spin->SetFocus();
  log.clear();
  Type("a1");
  EXPECT_EQ(log, (std::vector<std::string>{"beep", "change 1"}));
  EXPECT_EQ(pressed, (std::vector<char32_t>{'1'}));
}

TEST_F(CnSpinTest, PasteAndCutNeedAnEnabledWritableEditor) {
  spin->SetFocus();
  spin->SetText("12");
  spin->SelectAll();
  desktop.SetClipboardText("ab");
  spin->SetEditorEnabled(false);
  Key('V', ksCtrl, 22);
  Key('X', ksCtrl, 24);
  Type("5");
  Key(VK_BACK, 0, 8);
  EXPECT_EQ(spin->Text(), "12");
  EXPECT_EQ(desktop.ClipboardText(), "ab");
  // The arrows and the Up and Down keys still step.
  Key(VK_UP);
  EXPECT_EQ(spin->Text(), "13");
  spin->SetEditorEnabled(true);
  spin->SetReadOnly(true);
  spin->SelectAll();
  Key('V', ksCtrl, 22);
  EXPECT_EQ(spin->Text(), "13");
  spin->SetReadOnly(false);
  Key('V', ksCtrl, 22);
  EXPECT_EQ(spin->Text(), "ab");  // not filtered
}

TEST_F(CnSpinTest, LeavingClampsAfterOnExitAndKeepsUnparsableTexts) {
  spin->SetMinValue(2);
  spin->SetMaxValue(3000);
  spin->SetFocus();
  spin->SetText("5000");
  log.clear();
  other->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit", "change 3000"}));
  spin->SetFocus();
  spin->SetText("");
  other->SetFocus();
  EXPECT_EQ(spin->Text(), "");
  spin->SetMinValue(0);
  spin->SetMaxValue(0);
  spin->SetFocus();
  spin->SetText("-99999");
  log.clear();
  other->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit"}));
}

TEST_F(CnSpinTest, HeightAndArrowGeometry) {
  // tmHeight 21, system font 16: 21 + 16 div 4 + 4 + 2.
  EXPECT_EQ(spin->MinEditHeight(), 31);
  EXPECT_EQ(spin->Height(), 31);
  TCnSpinButton* pair = spin->ArrowPair();
  EXPECT_EQ(pair->BoundsRect(), (TRect{59 - 15, 1, 59, 29}));
  EXPECT_EQ(pair->UpArrow()->BoundsRect(), (TRect{0, 0, 15, 14}));
  EXPECT_EQ(pair->DownArrow()->BoundsRect(), (TRect{0, 13, 15, 28}));
  spin->SetHeight(20);
  EXPECT_EQ(spin->Height(), 31);
  spin->SetHeight(40);
  EXPECT_EQ(pair->BoundsRect(), (TRect{59 - 15, 1, 59, 38}));
  EXPECT_EQ(pair->DownArrow()->BoundsRect(), (TRect{0, 17, 15, 37}));
  spin->SetCtl3D(true);
  spin->SetHeight(40);
  EXPECT_EQ(pair->BoundsRect(), (TRect{59 - 15 - 5, 0, 59 - 5, 35}));
  // The pair is at least 15 wide; odd heights give the lower arrow the extra pixel.
  pair->SetBounds(0, 0, 10, 17);
  EXPECT_EQ(pair->Width(), 15);
  EXPECT_EQ(pair->UpArrow()->BoundsRect(), (TRect{0, 0, 15, 8}));
  EXPECT_EQ(pair->DownArrow()->BoundsRect(), (TRect{0, 7, 15, 17}));
  // A fresh pair shows the built-in glyphs.
  EXPECT_EQ(pair->UpGlyph()->Width(), 9);
  EXPECT_EQ(pair->DownGlyph()->Height(), 6);
}

TEST_F(CnSpinTest, FocusMarkOnlyWhenThePairItselfTakesTheFocus) {
  TCnSpinButton* pair = spin->ArrowPair();
  EXPECT_EQ(pair->FocusedArrow(), pair->UpArrow());
  pair->FocusArrow(pair->DownArrow());  // not a tab stop: nothing moves
  EXPECT_EQ(pair->FocusedArrow(), pair->UpArrow());
  pair->SetTabStop(true);
  int ups = 0, downs = 0, keyDowns = 0;
  pair->OnUpClick = [&](TObject*) { ++ups; };
  pair->OnDownClick = [&](TObject*) { ++downs; };
  pair->OnKeyDown = [&](TObject*, int&, TShiftState) { ++keyDowns; };
  pair->SetFocus();
  EXPECT_TRUE(pair->UpArrow()->RepeatFlags() & rfFocusRect);
  Key(VK_DOWN);
  EXPECT_EQ(pair->FocusedArrow(), pair->DownArrow());
  EXPECT_FALSE(pair->UpArrow()->RepeatFlags() & rfFocusRect);
  EXPECT_TRUE(pair->DownArrow()->RepeatFlags() & rfFocusRect);
  Key(VK_SPACE, 0, ' ');
  Key(VK_UP);
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(downs, 2);
  EXPECT_EQ(keyDowns, 0);
  other->SetFocus();
  EXPECT_FALSE(pair->UpArrow()->RepeatFlags() & rfFocusRect);
  EXPECT_EQ(pair->Perform(WM_GETDLGCODE), DLGC_WANTARROWS);
}

TEST_F(CnSpinTest, ArrowPressFocusesTheEntryBoxWithItsTextSelected) {
  spin->SetText("41");
  other->SetFocus();
  // The up arrow lies at form (10 + 1 + 44, 10 + 1 + 1).
  Press(60, 16);
  EXPECT_EQ(form->ActiveControl(), spin);
  EXPECT_EQ(spin->SelLength(), 2);
  Release();
  EXPECT_EQ(spin->Text(), "42");
  // A press on the text itself places the caret instead.
  other->SetFocus();
  Elapse(600);
  Click(13, 20);
  EXPECT_EQ(spin->SelLength(), 0);
}

TEST_F(CnSpinTest, AnErrorDuringRepeatStopsTheTimer) {
  // An error of the click itself stops the repeat and reaches the error box.
  int clicks = 0;
  spin->ArrowPair()->OnUpClick = [&](TObject*) {
    log.push_back("click " + std::to_string(++clicks));
    if (clicks == 2) throw EConvertError("stop");
  };
  log.clear();
  Press(60, 16);
  Elapse(900);
  TTimer* timer = spin->ArrowPair()->UpArrow()->RepeatTimer();
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(log, (std::vector<std::string>{"click 1", "click 2", "box stop."}));
  Release();
}

TEST_F(CnSpinTest, AnErrorInOnChangeIsShownAndTheWriteReturnsNormally) {
  spin->OnChange = [this](TObject*) {
    log.push_back("change " + spin->Text());
    if (spin->Value() == 3) throw EConvertError("stop");
  };
  spin->SetText("1");
  log.clear();
  Press(60, 16);
  Elapse(650);  // steps at 400, 500 and 600 ms; the failing change does not stop the repeat
  Release();
  EXPECT_EQ(log, (std::vector<std::string>{"change 2", "change 3", "box stop.", "change 4", "change 5"}));
}

}  // namespace
