// The class library's mechanisms on a headless desktop: focus and tab order, key routing,
// mouse dispatch and capture, double clicks, timers, the error box, painting order.
#include <gtest/gtest.h>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "platform/Keys.h"
#include "tests/unit/framework/framework_fixture.h"

namespace {

// A windowed control that records what reaches it.
class TProbe : public TCustomControl {
 public:
  explicit TProbe(TComponent* owner, std::vector<std::string>* log) : TCustomControl(owner), m_log(log) {
    SetTabStop(true);
    OnEnter = [this](TObject*) { m_log->push_back(Name() + ".enter"); };
    OnExit = [this](TObject*) { m_log->push_back(Name() + ".exit"); };
    OnKeyPress = [this](TObject*, char32_t& k) { m_log->push_back(Name() + ".press " + std::to_string(k)); };
  }
  void DefaultKeyHandler(TMessage& m) override {
    if (m.Msg == WM_CHAR) m_log->push_back(Name() + ".default " + std::to_string(m.WParam));
  }
  std::vector<std::string>* m_log;
};

TProbe* AddProbe(TForm* form, std::vector<std::string>* log, const char* name, int left) {
  auto* p = new TProbe(form, log);
  p->SetName(name);
  p->SetParent(form);
  p->SetBounds(left, 10, 30, 20);
  return p;
}

class ControlsTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    form = new TForm(m_app.get());
    form->SetBounds(100, 100, 200, 100);
    a = AddProbe(form, &log, "a", 0);
    b = AddProbe(form, &log, "b", 40);
    c = AddProbe(form, &log, "c", 80);
    form->Show();
    Pump();
  }
  TForm* form = nullptr;
  TProbe *a = nullptr, *b = nullptr, *c = nullptr;
  std::vector<std::string> log;
};

TEST_F(ControlsTest, TabCyclesOverEnabledVisibleTabStopsAndExitsBeforeEntering) {
  a->SetFocus();
  b->SetEnabled(false);
  log.clear();
  m_desktop.Key(true, platform::VK_TAB, 0);
  m_desktop.Char(9, 0);  // the character of a Tab that moved the focus is not delivered
  Pump();
  EXPECT_EQ(form->ActiveControl(), c);
  m_desktop.Key(true, platform::VK_TAB, 0);
  Pump();
  EXPECT_EQ(form->ActiveControl(), a);  // wraps, skipping the disabled b
  m_desktop.Key(true, platform::VK_TAB, platform::ksShift);
  Pump();
  EXPECT_EQ(form->ActiveControl(), c);
  EXPECT_EQ(log, (std::vector<std::string>{"a.exit", "c.enter", "c.exit", "a.enter", "a.exit", "c.enter"}));
  c->SetTabOrder(0);
  form->Perform(WM_NEXTDLGCTL);
  EXPECT_EQ(form->ActiveControl(), a);
}

TEST_F(ControlsTest, KeyPreviewSeesCharactersFirstAndClearedKeysStop) {
  form->SetKeyPreview(true);
  form->OnKeyPress = [&](TObject*, char32_t& k) {
    log.push_back("form " + std::to_string(k));
    if (k == 'x') k = 0;
  };
  b->SetFocus();
  log.clear();
  m_desktop.Char('y', 0);
  m_desktop.Char('x', 0);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"form 121", "b.press 121", "b.default 121", "form 120"}));
}

TEST_F(ControlsTest, DisablingTheFocusedControlPassesTheFocusOnAsTabWould) {
  b->SetFocus();
  log.clear();
  b->SetEnabled(false);
  EXPECT_EQ(form->ActiveControl(), c);
  EXPECT_THROW(b->SetFocus(), EInvalidOperation);
  a->SetEnabled(false);  // not focused: the focus stays
  EXPECT_EQ(form->ActiveControl(), c);
  c->SetEnabled(false);  // no tab stop left: nothing holds the focus, the exit step still runs
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"b.exit", "c.enter", "c.exit"}));
}

TEST_F(ControlsTest, ClicksCaptureAndNeedTheReleaseInside) {
  int clicks = 0, downs = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    ++downs;
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 6);
  };
  Click(form, 45, 16);
  EXPECT_EQ(clicks, 1);
  // Pressed inside, released outside the control and the window: still captured, no click.
  m_desktop.Wait(600);
  Pump();
  m_desktop.MovePointer(ScreenOf(form, 45, 16), 0);
  m_desktop.Press(platform::pbLeft, 0);
  Pump();
  EXPECT_EQ(m_app->CaptureControl(), b);
  m_desktop.MovePointer(ScreenOf(form, 500, 500), 0);
  m_desktop.Release(platform::pbLeft, 0);
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(downs, 2);
  EXPECT_EQ(m_app->CaptureControl(), nullptr);
}

TEST_F(ControlsTest, DoubleClickNeedsTheSecondPressSoonAndClose) {
  int doubles = 0, clicks = 0;
  b->OnDblClick = [&](TObject*) { ++doubles; };
  b->OnClick = [&](TObject*) { ++clicks; };
  Click(form, 45, 15);
  Click(form, 48, 18);  // within 4 pixels, no time passed
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(clicks, 1);  // the second release clicks nothing
  Click(form, 45, 15);   // a third press starts again
  EXPECT_EQ(doubles, 1);
  Elapse(600);
  Click(form, 45, 15);
  EXPECT_EQ(doubles, 1);
  Click(form, 50, 15);  // 5 pixels away
  EXPECT_EQ(doubles, 1);
}

TEST_F(ControlsTest, EnterAndLeaveFollowThePointer) {
  auto* label = new TLabel(form);
  label->SetParent(b);
  label->SetBounds(0, 0, 10, 10);
  std::vector<std::string> seen;
  label->WindowProc = [&, previous = label->WindowProc](TMessage& m) {
    if (m.Msg == CM_MOUSEENTER) seen.push_back("enter");
    if (m.Msg == CM_MOUSELEAVE) seen.push_back("leave");
    previous(m);
  };
  m_desktop.MovePointer(ScreenOf(form, 42, 12), 0);
  m_desktop.MovePointer(ScreenOf(form, 45, 14), 0);
  m_desktop.MovePointer(ScreenOf(form, 55, 25), 0);
  Pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(ControlsTest, TimersTickAtTheirDueTimesInOrder) {
  std::vector<std::string> ticks;
  TTimer fast(form), slow(form);
  fast.SetInterval(100);
  slow.SetInterval(250);
  fast.SetOnTimer([&](TObject*) { ticks.push_back("f" + std::to_string(m_desktop.NowMs())); });
  slow.SetOnTimer([&](TObject*) { ticks.push_back("s" + std::to_string(m_desktop.NowMs())); });
  const std::uint64_t t0 = m_desktop.NowMs();
  Elapse(300);
  ASSERT_EQ(t0, 0u);
  EXPECT_EQ(ticks, (std::vector<std::string>{"f100", "f200", "s250", "f300"}));
  fast.SetEnabled(false);
  Elapse(250);
  EXPECT_EQ(ticks.back(), "s500");
}

TEST_F(ControlsTest, AnEscapingErrorIsShownWithTheFullStopRule) {
  b->OnClick = [](TObject*) { throw EInvalidOp("Invalid floating point operation"); };
  Click(form, 45, 15);
  Elapse(600);
  b->OnClick = [](TObject*) { throw Exception("Ends with a stop."); };
  Click(form, 45, 15);
  Elapse(600);
  b->OnClick = [](TObject*) { throw Exception("x!"); };  // "!" sorts below "."
  Click(form, 45, 15);
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"tester | Invalid floating point operation.",
                                               "tester | Ends with a stop.", "tester | x!"}));
}

TEST_F(ControlsTest, WindowlessChildrenPaintBelowWindowedSiblings) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetTransparent(false);
  label->SetColor(clRed);
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 200, 100);  // covers everything, but stays under a, b and c
  a->SetColor(clLime);
  form->PaintAll();
  const auto* w = m_desktop.Window(form->Handle());
  EXPECT_EQ(ColorFromPixel(w->Pixels.At(5, 15)), clLime);
  EXPECT_EQ(ColorFromPixel(w->Pixels.At(35, 15)), clRed);
}

TEST(ApplicationTitle, IsTheExecutableNameUpToItsFirstDotWithTheRestLowerCased) {
  EXPECT_EQ(TApplication::TitleFromExeName("/usr/bin/orvanta"), "orvanta");
  EXPECT_EQ(TApplication::TitleFromExeName("/opt/OrVANTA.tool.exe"), "Orvanta");
  EXPECT_EQ(TApplication::TitleFromExeName("x"), "x");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Display scale: the whole factor, and a form on a scaled desktop
// ---------------------------------------------------------------------------------------------

TEST(WholeDisplayScale, IsTheNearestFactorAndHalfwayGoesUpOnlyWhenTheWindowFits) {
  const TPoint window{540, 247};
  const TPoint big{3840, 2160};
  EXPECT_EQ(WholeDisplayScale(1.0, window, big), 1);
  EXPECT_EQ(WholeDisplayScale(1.25, window, big), 1);
  EXPECT_EQ(WholeDisplayScale(1.75, window, big), 2);
  EXPECT_EQ(WholeDisplayScale(2.0, window, big), 2);
  EXPECT_EQ(WholeDisplayScale(1.5, window, big), 2);
  EXPECT_EQ(WholeDisplayScale(2.5, window, big), 3);
  // 150 % of a 1000 x 600 screen: 1080 device pixels do not fit in 1000.
  EXPECT_EQ(WholeDisplayScale(1.5, window, {1000, 600}), 1);
  EXPECT_EQ(WholeDisplayScale(1.5, window, {1080, 494}), 2);  // exactly fits
  // Outside 1 to 3: clamped.
  EXPECT_EQ(WholeDisplayScale(0.75, window, big), 1);
  EXPECT_EQ(WholeDisplayScale(4.0, window, big), 3);
}

TEST_F(FrameworkTest, AFormOnAScaledDesktopSpeaksLogicalPixelsAndPresentsDevicePixels) {
  m_desktop.SetScreenSize(3840, 2160);
  m_desktop.SetDesktopScale(2.0);
  TForm form(nullptr);
  form.SetBounds(0, 0, 100, 50);
  form.SetPosition(poScreenCenter);
  TPanel* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(10, 10, 20, 20);
  int downX = -1, downY = -1;
  panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { downX = x, downY = y; };
  form.Show();
  Pump();
  EXPECT_EQ(form.Scale(), 2);
  EXPECT_EQ(Screen->Width(), 1920);
  EXPECT_EQ(form.Left(), (1920 - 100) / 2);  // centred on the logical screen
  const platform::THeadlessPlatform::TWindowRecord* w = m_desktop.Window(form.Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Bounds, Bounds(form.Left() * 2, form.Top() * 2, 200, 100));
  EXPECT_EQ(w->Pixels.Width, 200);
  // Device pixel (2 * 15 + 1, 2 * 16 + 1) lies in logical (15, 16): panel (5, 6).
  m_desktop.MovePointer({w->Bounds.Left + 31, w->Bounds.Top + 33}, 0);
  m_desktop.Press(platform::pbLeft, 0);
  m_desktop.Release(platform::pbLeft, 0);
  Pump();
  EXPECT_EQ(downX, 5);
  EXPECT_EQ(downY, 6);
  // A move by the window manager, in device pixels, arrives logical.
  platform::TEvent moved(platform::evBoundsChange, form.Handle());
  moved.Bounds = Bounds(400, 300, 200, 100);
  m_desktop.Push(moved);
  Pump();
  EXPECT_EQ(form.BoundsRect(), Bounds(200, 150, 100, 50));
}
