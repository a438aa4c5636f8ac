// The flat title bar on a headless form: the parent rule, the activation hook, painting and
// moving the form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/FlatCtrls.h"
#include "framework/ExtCtrls.h"
#include "tests/unit/controls/flat_fixture.h"

namespace {

constexpr TColor kMaroon = RGB(128, 0, 0);

// A form that records every move of its window and the activation messages it sees.
class TLoggingForm : public TForm {
 public:
  TLoggingForm(TComponent* owner, std::vector<std::string>* log) : TForm(owner), m_log(log) {}
  void SetBounds(int left, int top, int width, int height) override {
    if (HasHandle()) m_log->push_back("bounds " + std::to_string(left) + "," + std::to_string(top));
    TForm::SetBounds(left, top, width, height);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_ACTIVATE) m_log->push_back("form " + std::to_string(LoWord(m.WParam)));
    TForm::WndProc(m);
  }

 private:
  std::vector<std::string>* m_log;
};

class FlatTitlebarTest : public FlatTest {
 protected:
  void SetUp() override {
    FlatTest::SetUp();
    form = new TLoggingForm(m_app.get(), &log);
    form->SetBorderStyle(bsNone);
    form->SetBounds(100, 100, 200, 100);
  }
  // A title bar read as part of a stored form: loading ends after its properties are set.
  TFlatTitlebar* LoadedBar() {
    auto* bar = new TFlatTitlebar(form);
    bar->BeginLoading();
    bar->SetParent(form);
    bar->SetBounds(0, 0, 200, 20);
    bar->SetTitlebarColor(clNavy);
    bar->Font().SetColor(clWhite);
    bar->EndLoading();
    return bar;
  }
  void ShowForm() {
    form->Show();
    Pump();
  }
  TLoggingForm* form = nullptr;
  std::vector<std::string> log;
};
// CTest lists the cases under this name.
using flat_titlebar = FlatTitlebarTest;

TEST_F(flat_titlebar, OnlyAFormCanBeTheParent) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  auto* bar = new TFlatTitlebar(form);
  EXPECT_EQ(bar->Width(), 100);
  EXPECT_EQ(bar->Height(), 19);
  bar->SetParent(form);
  try {
    bar->SetParent(panel);
    FAIL() << "no error";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "TFlatTitlebar can only be placed on a descndant of a TCustomForm");
  }
  EXPECT_EQ(bar->Parent(), form);
  bar->SetParent(nullptr);
  EXPECT_EQ(bar->Parent(), nullptr);
}

TEST_F(flat_titlebar, ActivationEventsRunBeforeTheFormSeesTheMessage) {
  auto* bar = LoadedBar();
  bar->OnActivate = [this](TObject*) { log.push_back("activate"); };
  bar->OnDeactivate = [this](TObject*) { log.push_back("deactivate"); };
  EXPECT_TRUE(bar->HookInstalled());
  EXPECT_FALSE(bar->IsActive());
  ShowForm();
  EXPECT_TRUE(bar->IsActive());
  log.clear();
  form->Perform(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_FALSE(bar->IsActive());
  // Only the low word counts: a minimised flag above it changes nothing.
  form->Perform(WM_ACTIVATE, (1 << 16) | WA_CLICKACTIVE);
  EXPECT_TRUE(bar->IsActive());
  form->Perform(WM_ACTIVATE, 3);
  EXPECT_TRUE(bar->IsActive());
  EXPECT_EQ(log, (std::vector<std::string>{"deactivate", "form 0", "activate", "form 2", "form 3"}));
}

TEST_F(flat_titlebar, CaptionColourFollowsActivationAndATitleBarMadeInCodeIsNeverActive) {
  auto* bar = LoadedBar();
  bar->SetCaption("HHHH");
  bar->Font().SetHeight(18);
  bar->Font().SetStyle(fsBold);
  bar->SetActiveTextColor(clRed);
  bar->SetInactiveTextColor(clLime);
  auto* plain = new TFlatTitlebar(form);
  plain->SetParent(form);
  plain->SetBounds(0, 50, 200, 20);
  ShowForm();
  auto count = [this](TColor c, int top) {
    form->PaintPending();
    int n = 0;
    for (int y = top; y < top + 20; ++y)
      for (int x = 0; x < 200; ++x) n += ColorFromPixel(form->Surface().At(x, y)) == c;
    return n;
  };
  EXPECT_GT(count(clRed, 0), 0);
  EXPECT_EQ(count(clLime, 0), 0);
  m_desktop.Activate(platform::NoWindow, false);
  Pump();
  EXPECT_EQ(count(clRed, 0), 0);
  EXPECT_GT(count(clLime, 0), 0);
  EXPECT_FALSE(plain->HookInstalled());
  EXPECT_FALSE(plain->IsActive());
}

TEST_F(flat_titlebar, PaintCentresTheCaptionAndDrawsAmpersandsAsTheyAre) {
  auto* bar = LoadedBar();
  ShowForm();
  auto textPixels = [this] {
    form->PaintPending();
    int n = 0, left = 1000, right = -1;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 200; ++x)
        if (ColorFromPixel(form->Surface().At(x, y)) != clNavy) {
          ++n;
          left = std::min(left, x);
          right = std::max(right, x);
        }
    return std::vector<int>{n, left, right};
  };
  EXPECT_EQ(textPixels()[0], 0);
  bar->SetCaption("&");
  EXPECT_GT(textPixels()[0], 0);
  bar->SetCaption("HHHH");
  const auto centred = textPixels();
  EXPECT_NEAR((centred[1] + centred[2]) / 2.0, 100, 2);
  // A caption wider than the bar is cut on both sides.
  bar->SetCaption(std::string(60, 'M'));
  const auto wide = textPixels();
  EXPECT_LE(wide[1], 5);
  EXPECT_GE(wide[2], 194);
}

TEST_F(flat_titlebar, TitlebarColorRepaintsOnlyOnChange) {
  auto* bar = LoadedBar();
  ShowForm();
  form->PaintPending();
  bar->SetTitlebarColor(clNavy);
  EXPECT_FALSE(form->NeedsPaint());
  bar->SetTitlebarColor(kMaroon);
  EXPECT_TRUE(form->NeedsPaint());
  EXPECT_EQ(PixelAt(form, 5, 5), kMaroon);
}

TEST_F(flat_titlebar, DragMovesTheFormHorizontallyThenVerticallyAndAnyReleaseEndsIt) {
  LoadedBar();
  ShowForm();
  MoveTo(form, 50, 10);
  Press();
  log.clear();
  MoveTo(form, 60, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"bounds 110,100", "bounds 110,95"}));
  EXPECT_EQ(m_desktop.Window(form->Handle())->Bounds.Left, 110);
  EXPECT_EQ(m_desktop.Window(form->Handle())->Bounds.Top, 95);
  // The pointer is still over the press point: another move at the same place does nothing.
  MoveTo(form, 50, 10);
  EXPECT_EQ(form->Left(), 110);
  Press(platform::pbRight);
  Release(platform::pbRight);
  MoveTo(form, 80, 10);
  EXPECT_EQ(form->Left(), 110);
  Release();
  // A right press alone starts no move.
  Press(platform::pbRight);
  MoveTo(form, 90, 30);
  Release(platform::pbRight);
  EXPECT_EQ(form->Left(), 110);
  EXPECT_EQ(form->Top(), 95);
}

}  // namespace
