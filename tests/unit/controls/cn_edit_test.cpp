// TCnEdit: values and their errors, the character and paste filters, Enter as Tab, the exit
// correction and its order, text placement and the link button.
#include "controls/CnEdit.h"
#include "framework/Runtime.h"
#include "framework/SysUtils.h"
#include "tests/unit/controls/cn_fixture.h"

namespace {

using namespace platform;

class TProbeEdit : public TCnEdit {
 public:
  using TCnEdit::LineX;
  using TCnEdit::TCnEdit;
};

class CnEditTest : public EntryTest {
 protected:
  void SetUp() override {
    EntryTest::SetUp();
    edit = Add<TProbeEdit>("edit", 10, 10, 100, 27);
    next = Add<TProbeEdit>("next", 10, 50, 100, 27);
    edit->SetTabStop(true);
    edit->OnChange = [this](TObject*) { log.push_back("change " + edit->Text()); };
    edit->OnExit = [this](TObject*) { log.push_back("exit"); };
    edit->OnKeyPress = [this](TObject*, char32_t& k) { log.push_back("press " + std::to_string(k)); };
    ShowForm();
    edit->SetFocus();
    log.clear();
  }
  std::string Typed(TTextType type, const std::string& keys) {
    edit->SetTextType(type);
    edit->SetText("");
    Type(keys);
    return edit->Text();
  }
  std::string ValueError(const std::string& text) {
    edit->SetText(text);
    try {
      (void)edit->Value();
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return "no error";
  }
  TProbeEdit* edit = nullptr;
  TProbeEdit* next = nullptr;
};

TEST_F(CnEditTest, ValueConvertsByTextTypeAndRaisesTheRunTimeErrors) {
  edit->SetTextType(IntegerText);
  edit->SetText("007");
  EXPECT_EQ(std::get<std::int32_t>(edit->Value()), 7);
  edit->SetText("  $FF");
  EXPECT_EQ(std::get<std::int32_t>(edit->Value()), 255);
  for (const char* bad : {"", "-", "1-2", "2147483648", "12 "})
    EXPECT_EQ(ValueError(bad), std::string("'") + bad + "' is not a valid integer value");
  EXPECT_EQ(edit->Text(), "12 ");  // reading never corrects

  edit->SetTextType(FloatText);
  edit->SetText("1.5");
  EXPECT_EQ(std::get<double>(edit->Value()), 1.5);
  EXPECT_EQ(ValueError("x"), "'x' is not a valid floating point value");
  SetDecimalSeparator(',');
  edit->SetText("2,5");
  EXPECT_EQ(std::get<double>(edit->Value()), 2.5);
  SetDecimalSeparator('.');

  edit->SetTextType(IdentText);
  edit->SetText("a1");
  EXPECT_EQ(std::get<std::string>(edit->Value()), "a1");
}

TEST_F(CnEditTest, TheCharacterFilterRefusesSilently) {
  EXPECT_EQ(Typed(IntegerText, "-1a -2.3"), "-123");
  EXPECT_EQ(Typed(FloatText, "1.2.3-"), "1.23");
  EXPECT_EQ(Typed(IdentText, "9_a9 b"), "_a9b");
  EXPECT_EQ(Typed(NormalText, "a b!"), "a b!");
  edit->SetAcceptCharList("ab");
  EXPECT_EQ(Typed(NormalText, "abcAB"), "ab");
  EXPECT_EQ(Typed(IdentText, "xab1"), "ab");
  edit->SetAcceptCharList("");
  edit->SetAcceptNegative(false);
  EXPECT_EQ(Typed(IntegerText, "-5"), "5");
  EXPECT_EQ(std::count(log.begin(), log.end(), "beep"), 0);
  // OnKeyPress still sees a refused key, as the null character.
  log.clear();
  Type("x");
  EXPECT_EQ(log, (std::vector<std::string>{"press 0"}));
  // The edit keys pass every filter.
  edit->SetAcceptNegative(true);
  edit->SelectAll();
  Key('C', ksCtrl, 3);
  EXPECT_EQ(desktop.ClipboardText(), "5");
}

TEST_F(CnEditTest, AMinusSignOnlyAtTheStartAndOnlyOnce) {
  edit->SetTextType(IntegerText);
  edit->SetText("2000");
  edit->SelectAll();
  Type("-");
  EXPECT_EQ(edit->Text(), "-");
  edit->SetText("-5");
  edit->SelectAll();
  Type("-");
  EXPECT_EQ(edit->Text(), "-5");
  edit->SetText("5");
  Key(VK_END);
  Type("-");
  EXPECT_EQ(edit->Text(), "5");
}

TEST_F(CnEditTest, PasteKeepsWhatTheTypeAllowsAndRewritesTheClipboard) {
  struct TCase {
    TTextType Type;
    const char* Clip;
    const char* Pasted;
  };
  for (const TCase& c : {TCase{IntegerText, "a1-2.5 x", "1-25"}, TCase{FloatText, "a1-2.5 x", "1-2.5"},
                         TCase{IdentText, "1a_2 b", "a_2b"}, TCase{NormalText, "1 a", "1 a"}}) {
    edit->SetTextType(c.Type);
    edit->SetText("");
    desktop.SetClipboardText(c.Clip);
    Key('V', ksCtrl, 22);
    EXPECT_EQ(edit->Text(), c.Pasted) << c.Clip;
    EXPECT_EQ(desktop.ClipboardText(), c.Pasted);
  }
}

TEST_F(CnEditTest, LeavingCorrectsTheTextAfterOnExit) {
  edit->SetTextType(IntegerText);
  edit->SetText("");
  log.clear();
  next->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit", "change 0"}));
  struct TCase {
    TTextType Type;
    const char* Typed;
    const char* Left;
  };
  for (const TCase& c : {TCase{IntegerText, "12345678901", "0"}, TCase{IntegerText, "1-2", "0"},
                         TCase{IntegerText, "007", "007"}, TCase{FloatText, ".5", "0.5"}, TCase{FloatText, "5.", "5.0"},
                         TCase{FloatText, ".", "0.0"}, TCase{FloatText, "", "0"}, TCase{FloatText, "-.", "-.0"},
                         TCase{FloatText, "1e", "0"}, TCase{NormalText, "", ""}}) {
    edit->SetFocus();
    edit->SetTextType(c.Type);
    edit->SetText(c.Typed);
    next->SetFocus();
    EXPECT_EQ(edit->Text(), c.Left) << c.Typed;
  }
  // A valid text fires nothing on leaving.
  edit->SetFocus();
  log.clear();
  next->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit"}));
}

TEST_F(CnEditTest, EnterMovesOnOrBeepsAndBreaksTheLine) {
  edit->SetEnterAsTab(true);
  Type("12");
  log.clear();
  Key(VK_RETURN, 0, 13);
  EXPECT_EQ(form->ActiveControl(), next);
  EXPECT_EQ(edit->Text(), "12");
  EXPECT_EQ(log, (std::vector<std::string>{"exit", "press 0"}));
  // Entering again selects the whole text.
  edit->SetFocus();
  EXPECT_EQ(edit->SelLength(), 2);
  edit->SetEnterAsTab(false);
  Key(VK_END);
  log.clear();
  Key(VK_RETURN, 0, 13);
  EXPECT_EQ(log, (std::vector<std::string>{"beep", "press 13", "change 12\r\n"}));
  EXPECT_EQ(form->ActiveControl(), edit);
}

TEST_F(CnEditTest, TextPlacementByFocusAndAlignment) {
  edit->SetCtl3D(false);
  edit->SetText("123");
  const TPoint m = edit->TextMargins();
  EXPECT_EQ(m, (TPoint{2, 2}));
  EXPECT_EQ(edit->LineX(0), 2);
  next->SetFocus();
  const int width = TFontEngine::Instance().TextWidth(edit->Font().Desc(), "123");
  edit->SetAlignment(taRightJustify);
  EXPECT_EQ(edit->LineX(0), edit->ClientWidth() - width - m.X - 1);
  edit->SetAlignment(taCenter);
  EXPECT_EQ(edit->LineX(0), (edit->ClientWidth() - width) / 2);
  edit->SetCtl3D(true);
  EXPECT_EQ(edit->TextMargins(), (TPoint{1, 1}));
  edit->SetBorderStyle(bsNone);
  EXPECT_EQ(edit->TextMargins(), (TPoint{0, 0}));
  // Flat: the control's own frame inside the edit's, then its colour.
  edit->SetBorderStyle(bsSingle);
  edit->SetCtl3D(false);
  edit->SetColor(clRed);
  EXPECT_EQ(PixelAt(10, 10), RGB(0, 0, 0));
  EXPECT_EQ(PixelAt(11, 11), RGB(0, 0, 0));
  EXPECT_EQ(PixelAt(12, 12), RGB(255, 0, 0));
}

TEST_F(CnEditTest, LinkButtonClicksOnReleaseOverItAndOnCtrlEnter) {
  int clicks = 0;
  edit->OnButtonClick = [&](TObject*) { ++clicks; };
  edit->SetLinkStyle(lsEllipsis);
  next->SetFocus();
  edit->SetFocus();
  EXPECT_EQ(edit->FormatRect().Right, edit->ClientWidth() - 2 - edit->ButtonWidth() - 1);
  Key(VK_RETURN, ksCtrl, 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(edit->Text(), "");
  // Pressed on the button and released outside: nothing.
  const int bx = 10 + edit->BorderWidth() + edit->ClientWidth() - 8, by = 20;
  Press(bx, by);
  EXPECT_TRUE(edit->ButtonPressed());
  MoveTo(40, by);
  EXPECT_FALSE(edit->ButtonPressed());
  Release();
  EXPECT_EQ(clicks, 1);
  Elapse(600);
  Click(bx, by);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(edit->ButtonTracking());
  // Over the button the button's cursor, left of it the text cursor.
  edit->SetButtonCursor(crHandPoint);
  form->SetLastMousePos({bx, by});
  EXPECT_EQ(edit->Perform(WM_SETCURSOR), crHandPoint);
  form->SetLastMousePos({10 + edit->BorderWidth() + edit->ClientWidth() - edit->ButtonWidth() - 5, by});
  EXPECT_EQ(edit->Perform(WM_SETCURSOR), crIBeam);
  // The ellipsis: three black 2 x 2 squares around the button's middle.
  const int left = 10 + edit->BorderWidth() + edit->ClientWidth() - edit->ButtonWidth();
  const int mid = edit->ButtonWidth() / 2 - 1;
  const int ch = edit->ClientHeight();
  const int y = 10 + edit->BorderWidth() + ch / 2 + ((ch % 2 && (ch / 2) % 2) ? 1 : 0) - 1;
  for (int dx : {-4, 0, 4}) EXPECT_EQ(PixelAt(left + mid + dx, y), RGB(0, 0, 0)) << dx;
  EXPECT_EQ(PixelAt(left + mid + 2, y), ColorToRGB(clBtnFace));
}

}  // namespace
