// The flat speed button on a headless form: groups, press tracking, hot tracking, double clicks,
// accelerators, the click steps, glyph strips and the painting of looks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/FlatCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "platform/Keys.h"
#include "tests/unit/controls/flat_fixture.h"

namespace {

class FlatSpeedButtonTest : public FlatTest {
 protected:
  void SetUp() override {
    FlatTest::SetUp();
    form = ShownForm();
  }
  // A 20 x 20 button at (left, 10) on `parent` that logs its clicks.
  TFlatSpeedButton* AddButton(const char* name, int left, int group = 0, TWinControl* parent = nullptr) {
    auto* b = new TFlatSpeedButton(form);
    b->SetName(name);
    b->SetParent(parent ? parent : form);
    b->SetBounds(left, 10, 20, 20);
    b->SetGroupIndex(group);
    b->OnClick = [this, b](TObject*) { log.push_back(b->Name() + ".click"); };
    return b;
  }
  TForm* form = nullptr;
  std::vector<std::string> log;
};

// CTest lists the cases under these names.
using flat_speed_button = FlatSpeedButtonTest;

TEST_F(flat_speed_button, GroupKeepsAtMostOneButtonDownAndLatchedStaysDownWithoutAllowAllUp) {
  auto* a = AddButton("a", 0, 1);
  auto* b = AddButton("b", 30, 1);
  auto* c = AddButton("c", 60, 2);
  c->SetDown(true);
  Click(form, 5, 15);
  EXPECT_TRUE(a->Down());
  EXPECT_EQ(a->State(), TDefineSpeed::fbLatched);
  Pause();
  Click(form, 35, 15);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(a->State(), TDefineSpeed::fbUp);
  EXPECT_TRUE(c->Down());  // another group
  // Clicking the latched button keeps it down, and it still clicks.
  Pause();
  Click(form, 35, 15);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(log, (std::vector<std::string>{"a.click", "b.click", "b.click"}));
  b->SetDown(false);
  EXPECT_TRUE(b->Down());
}

TEST_F(flat_speed_button, AllowAllUpSpreadsThroughTheGroupAndLetsTheLastButtonUp) {
  auto* a = AddButton("a", 0, 1);
  auto* b = AddButton("b", 30, 1);
  auto* other = new TPanel(form);
  other->SetParent(form);
  other->SetBounds(100, 0, 80, 50);
  auto* elsewhere = AddButton("elsewhere", 0, 1, other);
  b->SetAllowAllUp(true);
  EXPECT_TRUE(a->AllowAllUp());
  EXPECT_FALSE(elsewhere->AllowAllUp());  // a group is the buttons of one parent
  elsewhere->SetDown(true);
  Click(form, 5, 15);
  EXPECT_TRUE(a->Down());
  EXPECT_TRUE(elsewhere->Down());
  Pause();
  Click(form, 5, 15);
  EXPECT_FALSE(a->Down());
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(a->State(), TDefineSpeed::fbUp);
}

TEST_F(flat_speed_button, DownNeedsAGroup) {
  auto* plain = AddButton("plain", 0);
  plain->SetDown(true);
  EXPECT_FALSE(plain->Down());
  Click(form, 5, 15);
  EXPECT_FALSE(plain->Down());
  EXPECT_EQ(plain->State(), TDefineSpeed::fbUp);
  EXPECT_EQ(log, (std::vector<std::string>{"plain.click"}));
}

TEST_F(flat_speed_button, TrackingFollowsThePointerAndReleaseOutsideDoesNotClick) {
  auto* b = AddButton("b", 0);
  MoveTo(form, 5, 15);
  EXPECT_TRUE(b->Hot());
  Press();
  EXPECT_EQ(b->State(), TDefineSpeed::fbPressed);
  MoveTo(form, 60, 60);
  EXPECT_EQ(b->State(), TDefineSpeed::fbUp);
  EXPECT_TRUE(b->Hot());  // stays hot while the mouse button is held
  MoveTo(form, 19, 30);   // the row just below counts as inside
  EXPECT_EQ(b->State(), TDefineSpeed::fbPressed);
  MoveTo(form, 20, 15);  // the column just right does not
  EXPECT_EQ(b->State(), TDefineSpeed::fbUp);
  Release();
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(b->Hot());
  EXPECT_FALSE(b->Tracking());
}

TEST_F(flat_speed_button, RightPressDoesNotTrackButARightReleaseEndsALeftPress) {
  auto* b = AddButton("b", 0);
  MoveTo(form, 5, 15);
  Press(platform::pbRight);
  EXPECT_EQ(b->State(), TDefineSpeed::fbUp);
  Release(platform::pbRight);
  EXPECT_TRUE(log.empty());
  Pause();
  Press();
  Press(platform::pbRight);
  Release(platform::pbRight);
  EXPECT_EQ(log, (std::vector<std::string>{"b.click"}));
  EXPECT_FALSE(b->Tracking());
}

TEST_F(flat_speed_button, MouseEnterHandlerReplacesHotTrackingUntilARelease) {
  auto* b = AddButton("b", 0);
  int entered = 0, left = 0;
  b->OnMouseEnter = [&](TObject*) { ++entered; };
  MoveTo(form, 5, 15);
  EXPECT_EQ(entered, 1);
  EXPECT_FALSE(b->Hot());
  Press();
  Release();
  EXPECT_TRUE(b->Hot());  // re-derived from the cursor after the release
  b->OnMouseLeave = [&](TObject*) { ++left; };
  MoveTo(form, 100, 60);
  EXPECT_EQ(left, 1);
  EXPECT_TRUE(b->Hot());
  b->SetEnabled(false);
  EXPECT_FALSE(b->Hot());
  b->SetEnabled(true);
  EXPECT_FALSE(b->Hot());  // the cursor is elsewhere
}

TEST_F(flat_speed_button, DoubleClickGivesTwoClicksAndOnDblClickOnlyWhenDown) {
  auto* b = AddButton("b", 0, 1);
  b->SetAllowAllUp(true);
  int dbl = 0;
  b->OnDblClick = [&](TObject*) { ++dbl; };
  MoveTo(form, 5, 15);
  Press();
  Release();  // down now
  Press();    // the second press of a double click
  Release();  // up again
  EXPECT_EQ(log, (std::vector<std::string>{"b.click", "b.click"}));
  EXPECT_EQ(dbl, 1);
  Press();
  Release();  // a third press within the time is a single one again: down
  Press();
  Release();
  EXPECT_EQ(dbl, 2);
  EXPECT_FALSE(b->Down());
}

TEST_F(flat_speed_button, AcceleratorClicksEvenAHiddenButtonButNotADisabledOne) {
  auto* save = AddButton("save", 0);
  save->SetCaption("&Save");
  auto* amp = AddButton("amp", 30);
  amp->SetCaption("A&&B");
  save->SetVisible(false);
  m_desktop.Char('s', platform::ksAlt);
  Pump();
  m_desktop.Char('B', platform::ksAlt);
  Pump();
  m_desktop.Char('S', platform::ksAlt);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"save.click", "save.click"}));
  save->SetEnabled(false);
  m_desktop.Char('s', platform::ksAlt);
  Pump();
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(flat_speed_button, ClickCopiesModalResultAndShowsThePopupMenuBelowTheButtonFirst) {
  auto* b = AddButton("b", 40);
  b->SetModalResult(mrCancel);
  auto* menu = new TPopupMenu(form);
  menu->Add("First", [this](TObject*) { log.push_back("first"); });
  menu->Add("Second", [this](TObject*) { log.push_back("second"); });
  b->SetPopupMenu(menu);
  // While the menu is open, pick its second row.
  m_desktop.OnIdle = [this, menu] {
    if (!menu->Showing()) return false;
    const TPoint at = menu->PopupPoint();
    const int row = TCanvas().TextHeight("Ag") + 6;
    m_desktop.MovePointer({at.X + 5, at.Y + 1 + row + row / 2}, 0);
    m_desktop.Press(platform::pbLeft, 0);
    m_desktop.Release(platform::pbLeft, 0);
    return true;
  };
  Click(form, 45, 15);
  EXPECT_EQ(form->ModalResult(), mrCancel);
  EXPECT_EQ(menu->PopupPoint(), (TPoint{100 + 40, 100 + 10 + 20}));
  EXPECT_EQ(log, (std::vector<std::string>{"second", "b.click"}));
}

TEST_F(flat_speed_button, GlyphSetterDerivesNumGlyphsFromTheStripShape) {
  auto* b = AddButton("b", 0);
  TBitmap strip;
  strip.SetSize(64, 16);
  b->SetGlyph(strip);
  EXPECT_EQ(b->NumGlyphs(), 4);
  strip.SetSize(50, 16);
  b->SetGlyph(strip);
  EXPECT_EQ(b->NumGlyphs(), 4);
  strip.SetSize(80, 16);
  b->SetGlyph(strip);
  EXPECT_EQ(b->NumGlyphs(), 1);
  strip.SetSize(32, 16);
  b->Glyph().Assign(strip);  // as a stored glyph is read: NumGlyphs kept
  EXPECT_EQ(b->NumGlyphs(), 1);
  b->SetNumGlyphs(5);
  b->SetNumGlyphs(0);
  EXPECT_EQ(b->NumGlyphs(), 1);
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), -1);
  b->SetMargin(3);
  EXPECT_EQ(b->Margin(), 3);
}

// ---------------------------------------------------------------------------------------------
// Looks
// ---------------------------------------------------------------------------------------------

class FlatSpeedButtonLooks : public FlatSpeedButtonTest {
 protected:
  void SetUp() override {
    FlatSpeedButtonTest::SetUp();
    form->SetColor(clLime);
    b = AddButton("b", 0);
    b->SetBounds(0, 0, 24, 24);
  }
  TColor At(int x, int y) { return PixelAt(form, x, y); }
  TFlatSpeedButton* b = nullptr;
};
using flat_speed_button_looks = FlatSpeedButtonLooks;

TEST_F(flat_speed_button_looks, FillAndOutlineFollowStateHotAndTransparentMode) {
  EXPECT_EQ(At(5, 5), b->ColorFlat());
  EXPECT_EQ(At(0, 0), b->ColorBorder());
  EXPECT_EQ(At(23, 23), b->ColorBorder());
  MoveTo(form, 5, 5);
  EXPECT_EQ(At(5, 5), b->ColorFocused());
  EXPECT_EQ(At(0, 23), b->ColorShadow());
  Press();
  EXPECT_EQ(At(5, 5), b->ColorDown());
  Release();
  b->SetTransparent(tmNotFocused);
  EXPECT_EQ(At(5, 5), b->ColorFocused());  // hot again after the click
  MoveTo(form, 100, 60);
  EXPECT_EQ(At(5, 5), ColorToRGB(clLime));  // the parent shows through
  b->SetTransBorder(true);
  EXPECT_EQ(At(0, 0), ColorToRGB(clLime));
  b->SetTransparent(tmAlways);
  MoveTo(form, 5, 5);
  EXPECT_EQ(At(5, 5), ColorToRGB(clLime));
}

TEST_F(flat_speed_button_looks, GlyphImageByStateAndOffsets) {
  // Four 8 x 8 images in red, green, blue and yellow; the strip's bottom-left pixel (magenta) is
  // the transparent colour.
  TBitmap strip;
  strip.SetSize(32, 8);
  const TColor colours[] = {clRed, clLime, RGB(0, 0, 255), RGB(255, 255, 0)};
  for (int k = 0; k < 4; ++k)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) strip.Surface().At(8 * k + x, y) = PixelFromColor(colours[k]);
  strip.Surface().At(0, 7) = PixelFromColor(RGB(255, 0, 255));
  b->SetGroupIndex(1);
  b->SetAllowAllUp(true);
  b->SetGlyph(strip);
  ASSERT_EQ(b->NumGlyphs(), 4);
  // The glyph stands centred at (8, 8); hot with FoisChange it is lifted to (7, 7).
  EXPECT_EQ(At(11, 11), clRed);
  EXPECT_EQ(b->GlyphPos(), (TPoint{8, 8}));
  EXPECT_EQ(At(8, 15), b->ColorFlat());  // the transparent corner
  MoveTo(form, 12, 12);
  Press();
  EXPECT_EQ(At(11, 11), RGB(0, 0, 255));
  EXPECT_EQ(b->GlyphPos(), (TPoint{9, 9}));
  EXPECT_EQ(At(15, 15), RGB(0, 0, 255));  // drawn at (8, 8): both offsets cancel
  EXPECT_EQ(At(16, 16), b->ColorDown());
  Release();
  MoveTo(form, 100, 60);
  EXPECT_EQ(At(11, 11), RGB(255, 255, 0));  // latched
  b->SetEnabled(false);
  EXPECT_EQ(At(11, 11), clLime);
}

TEST_F(flat_speed_button_looks, DisabledOneImageGlyphShowsOnlyItsBlackPixelsEmbossed) {
  TBitmap glyph;
  glyph.SetSize(8, 8);
  for (TPixel& p : glyph.Surface().Pixels) p = PixelFromColor(clWhite);
  glyph.Surface().At(2, 2) = PixelFromColor(clBlack);
  b->SetGlyph(glyph);
  b->SetEnabled(false);
  // The glyph stands at (8, 8).
  EXPECT_EQ(At(10, 10), ColorToRGB(clBtnShadow));
  EXPECT_EQ(At(11, 11), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(At(12, 12), b->ColorFlat());
  EXPECT_EQ(At(0, 0), b->ColorBorder());
}

}  // namespace
