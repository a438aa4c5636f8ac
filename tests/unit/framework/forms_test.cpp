// Top-level forms on a headless desktop: where a form really is when the desktop moves it, which
// window owns a box and where the activation goes when boxes close, the first frame, a change of
// the display scale under a form.
#include <gtest/gtest.h>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/MessageBox.h"
#include "platform/Keys.h"
#include "tests/unit/framework/framework_fixture.h"

namespace {

class FormsTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    main = m_app->CreateForm<TForm>();
    main->SetBorderStyle(bsNone);
    main->SetFormStyle(fsStayOnTop);
    main->SetBounds(100, 100, 200, 100);
    main->SetColor(clWhite);
    main->Show();
    Pump();
  }
  const platform::THeadlessPlatform::TWindowRecord* Record(platform::TWindowId id) { return m_desktop.Window(id); }
  TForm* main = nullptr;
};

TEST_F(FormsTest, TheFormFollowsAPlaceAndSizeTheDesktopGaveIt) {
  platform::TEvent moved(platform::evBoundsChange, main->Handle());
  moved.Bounds = Bounds(1380, 807, 200, 60);
  m_desktop.Push(moved);
  Pump();
  EXPECT_EQ(main->BoundsRect(), Bounds(1380, 807, 200, 60));
  EXPECT_EQ(main->Surface().Height, 60);
  EXPECT_EQ(Record(main->Handle())->Bounds, Bounds(1380, 807, 200, 60));
  // The title bar's drag arithmetic starts from there.
  Click(main, 5, 5);
  EXPECT_EQ(main->LastMousePos(), (TPoint{5, 5}));
}

TEST_F(FormsTest, TheFirstFrameIsPresentedBeforeTheWindowIsShown) {
  auto* late = new TForm(m_app.get());
  late->SetBounds(10, 10, 20, 20);
  late->SetColor(RGB(0x12, 0x34, 0x56));
  late->Handle();
  EXPECT_NE(Record(late->Handle())->Pixels.At(5, 5), PixelFromColor(RGB(0x12, 0x34, 0x56)));
  late->Show();
  // Nothing pumped: the frame was there when the window appeared.
  EXPECT_EQ(Record(late->Handle())->Pixels.At(5, 5), PixelFromColor(RGB(0x12, 0x34, 0x56)));
}

TEST_F(FormsTest, ABoxIsOwnedByTheStayOnTopFormStaysOnTopAndGivesTheActivationBack) {
  platform::TWindowId boxWindow = platform::NoWindow, owner = platform::NoWindow;
  bool stayOnTop = false;
  m_desktop.OnIdle = [&] {
    if (!m_boxOpen) return false;
    boxWindow = m_desktop.ActiveWindow();
    owner = Record(boxWindow)->Params.Owner;
    stayOnTop = Record(boxWindow)->StayOnTop;
    m_desktop.Key(true, platform::VK_RETURN, 0);
    return true;
  };
  ShowMessageBox(m_app.get(), "text", "caption", false);
  Pump();
  EXPECT_NE(boxWindow, main->Handle());
  EXPECT_EQ(owner, main->Handle());
  EXPECT_TRUE(stayOnTop);
  EXPECT_EQ(m_desktop.ActiveWindow(), main->Handle());
  EXPECT_TRUE(main->Active());
}

// Two boxes one after the other inside one handler: the second opens while the activation
// given back after the first is still on its way, and must still hand it to the main form.
TEST_F(FormsTest, BoxesInARowLeaveTheMainFormActive) {
  std::vector<platform::TWindowId> owners;
  m_desktop.OnIdle = [&] {
    if (!m_boxOpen) return false;
    owners.push_back(Record(m_desktop.ActiveWindow())->Params.Owner);
    m_desktop.Key(true, platform::VK_RETURN, 0);
    return true;
  };
  ShowMessageBox(m_app.get(), "first", "caption", true);
  ShowMessageBox(m_app.get(), "second", "caption", true);
  Pump();
  EXPECT_EQ(owners, (std::vector<platform::TWindowId>{main->Handle(), main->Handle()}));
  EXPECT_EQ(m_desktop.ActiveWindow(), main->Handle());
  EXPECT_TRUE(main->Active());
}

TEST_F(FormsTest, ABoxWithNoFormToStandOnStaysOnTopOfOtherPrograms) {
  main->Hide();
  Pump();
  bool stayOnTop = false;
  platform::TWindowId owner = 1234;
  m_desktop.OnIdle = [&] {
    if (!m_boxOpen) return false;
    stayOnTop = Record(m_desktop.ActiveWindow())->StayOnTop;
    owner = Record(m_desktop.ActiveWindow())->Params.Owner;
    m_desktop.Key(true, platform::VK_RETURN, 0);
    return true;
  };
  ShowMessageBox(m_app.get(), "Scalvora v6.48", "caption", false);
  EXPECT_TRUE(stayOnTop);
  EXPECT_EQ(owner, m_app->Handle());
}

// A panel with a frame and a label with text: lines and glyphs that show the scale they are drawn
// at.
void Furnish(TForm* form) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(10, 10, 120, 60);
  auto* label = new TLabel(form);
  label->SetParent(panel);
  label->SetBounds(5, 5, 100, 30);
  label->Font().SetHeight(21);
  label->SetCaption("2500 mm");
}

TEST_F(FormsTest, AfterAScaleChangeTheFormIsDrawnAsAFormMadeAtTheNewScale) {
  Furnish(main);
  m_desktop.SetScreenSize(3840, 2160);
  Pump();
  const TSurface atOne = Record(main->Handle())->Pixels;
  platform::TEvent change(platform::evScaleChange, main->Handle());
  change.Scale = 2.0;
  change.Bounds = Bounds(301, 240, 400, 200);  // suggested: the place at the new scale
  m_desktop.Push(change);
  Pump();
  EXPECT_EQ(main->Scale(), 2);
  EXPECT_EQ(main->BoundsRect(), Bounds(150, 120, 200, 100));
  EXPECT_EQ(Record(main->Handle())->Bounds, Bounds(300, 240, 400, 200));
  EXPECT_EQ(Screen->Width(), 1920);

  m_desktop.SetDesktopScale(2.0);
  auto* madeAtTwo = new TForm(m_app.get());
  madeAtTwo->SetBorderStyle(bsNone);
  madeAtTwo->SetBounds(0, 0, 200, 100);
  madeAtTwo->SetColor(clWhite);
  Furnish(madeAtTwo);
  madeAtTwo->Show();
  Pump();
  ASSERT_EQ(madeAtTwo->Scale(), 2);
  EXPECT_EQ(Record(main->Handle())->Pixels.Pixels, Record(madeAtTwo->Handle())->Pixels.Pixels);

  change.Scale = 1.0;
  change.Bounds = Bounds(300, 240, 200, 100);
  m_desktop.Push(change);
  Pump();
  EXPECT_EQ(main->BoundsRect(), Bounds(300, 240, 200, 100));
  EXPECT_EQ(Record(main->Handle())->Pixels.Pixels, atOne.Pixels);
}

// 125 % still rounds to 1, and 150 % to 1 where the window would not fit the screen at 2: the
// window stays where and as it is, and nothing is painted again.
TEST_F(FormsTest, AScaleOfTheSameWholeFactorLeavesTheWindowAlone) {
  m_desktop.SetScreenSize(300, 300);
  m_desktop.ForgetPresents(main->Handle());
  platform::TEvent change(platform::evScaleChange, main->Handle());
  change.Bounds = Bounds(0, 0, 250, 125);
  for (double scale : {1.25, 1.5}) {
    change.Scale = scale;
    m_desktop.Push(change);
    Pump();
    EXPECT_EQ(main->Scale(), 1);
    EXPECT_EQ(Record(main->Handle())->Bounds, Bounds(100, 100, 200, 100));
  }
  EXPECT_EQ(Record(main->Handle())->Presents, 0);
}

}  // namespace
