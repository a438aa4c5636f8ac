// The flat button's layout of glyph and caption: the four layouts with the margin and spacing
// rules, and the disabled rendering of a one-image glyph.
#include <gtest/gtest.h>

#include "controls/FlatCtrls.h"

namespace {

const TPoint kClient{60, 40};
const TPoint kGlyph{16, 16};
const TPoint kText{20, 10};
const TPoint kNoOffset{0, 0};

TFlatButtonLayout Lay(FlatUtils::TButtonLayout layout, int margin, int spacing, TPoint glyph = kGlyph,
                      TPoint text = kText, TPoint offset = kNoOffset, TPoint client = kClient) {
  return CalcFlatButtonLayout(client, offset, glyph, text, layout, margin, spacing);
}

TRect TextAt(int x, int y) { return {x, y, x + kText.X, y + kText.Y}; }

TEST(flat_layout, CentredMarginKeepsTheSpacingBetweenGlyphAndCaption) {
  // Sideways: both centred vertically; margin (60 - (16 + 4 + 20) + 1) div 2 = 10.
  auto left = Lay(blGlyphLeft, -1, 4);
  EXPECT_EQ(left.GlyphPos, (TPoint{10, 12}));
  EXPECT_EQ(left.TextRect, TextAt(30, 15));
  auto right = Lay(blGlyphRight, -1, 4);
  EXPECT_EQ(right.GlyphPos, (TPoint{34, 12}));
  EXPECT_EQ(right.TextRect, TextAt(10, 15));
  // Upright: both centred horizontally; margin (40 - (16 + 4 + 10) + 1) div 2 = 5.
  auto top = Lay(blGlyphTop, -1, 4);
  EXPECT_EQ(top.GlyphPos, (TPoint{22, 5}));
  EXPECT_EQ(top.TextRect, TextAt(20, 25));
  auto bottom = Lay(blGlyphBottom, -1, 4);
  EXPECT_EQ(bottom.GlyphPos, (TPoint{22, 19}));
  EXPECT_EQ(bottom.TextRect, TextAt(20, 5));
}

TEST(flat_layout, MarginAndSpacingBothMinusOneSpreadEvenly) {
  // (60 - 36) div 3 = 8 before, between and after.
  auto left = Lay(blGlyphLeft, -1, -1);
  EXPECT_EQ(left.GlyphPos, (TPoint{8, 12}));
  EXPECT_EQ(left.TextRect, TextAt(32, 15));
  auto right = Lay(blGlyphRight, -1, -1);
  EXPECT_EQ(right.GlyphPos, (TPoint{36, 12}));
  EXPECT_EQ(right.TextRect, TextAt(8, 15));
  // (40 - 26) div 3 = 4.
  auto top = Lay(blGlyphTop, -1, -1);
  EXPECT_EQ(top.GlyphPos, (TPoint{22, 4}));
  EXPECT_EQ(top.TextRect, TextAt(20, 24));
  auto bottom = Lay(blGlyphBottom, -1, -1);
  EXPECT_EQ(bottom.GlyphPos, (TPoint{22, 20}));
  EXPECT_EQ(bottom.TextRect, TextAt(20, 6));
}

TEST(flat_layout, FixedMarginWithSpacingMinusOneCentresTheCaptionInTheRest) {
  // (60 - (3 + 16) - 20) div 2 = 10.
  auto left = Lay(blGlyphLeft, 3, -1);
  EXPECT_EQ(left.GlyphPos, (TPoint{3, 12}));
  EXPECT_EQ(left.TextRect, TextAt(29, 15));
  auto right = Lay(blGlyphRight, 3, -1);
  EXPECT_EQ(right.GlyphPos, (TPoint{41, 12}));
  EXPECT_EQ(right.TextRect, TextAt(11, 15));
  // (40 - (2 + 16) - 10) div 2 = 6.
  auto top = Lay(blGlyphTop, 2, -1);
  EXPECT_EQ(top.GlyphPos, (TPoint{22, 2}));
  EXPECT_EQ(top.TextRect, TextAt(20, 24));
  auto bottom = Lay(blGlyphBottom, 2, -1);
  EXPECT_EQ(bottom.GlyphPos, (TPoint{22, 22}));
  EXPECT_EQ(bottom.TextRect, TextAt(20, 6));
}

TEST(flat_layout, FixedMarginAndSpacingAreUsedAsGiven) {
  EXPECT_EQ(Lay(blGlyphLeft, 2, 3).TextRect, TextAt(21, 15));
  EXPECT_EQ(Lay(blGlyphRight, 2, 3).TextRect, TextAt(19, 15));
  EXPECT_EQ(Lay(blGlyphTop, 2, 3).TextRect, TextAt(20, 21));
  EXPECT_EQ(Lay(blGlyphBottom, 2, 3).TextRect, TextAt(20, 9));
}

TEST(flat_layout, SpacingCountsOnlyWithBothGlyphAndCaption) {
  // Without a caption the glyph alone is centred: (40 - 16 + 1) div 2 = 12, spacing ignored.
  EXPECT_EQ(Lay(blGlyphTop, -1, 4, kGlyph, {0, 0}).GlyphPos, (TPoint{22, 12}));
  // Without a glyph the caption alone is centred, whatever the spacing.
  auto text = Lay(blGlyphTop, -1, 9, {0, 0});
  EXPECT_EQ(text.TextRect, TextAt(20, 15));
  EXPECT_EQ(Lay(blGlyphLeft, -1, 9, {0, 0}).TextRect, TextAt(20, 15));
}

TEST(flat_layout, PressOffsetMovesGlyphAndCaption) {
  auto pressed = Lay(blGlyphLeft, -1, 4, kGlyph, kText, {1, 1});
  EXPECT_EQ(pressed.GlyphPos, (TPoint{11, 13}));
  EXPECT_EQ(pressed.TextRect, TextAt(31, 16));
}

TEST(flat_layout, HalvingTruncatesTowardZeroWhenTheGlyphIsWiderThanTheButton) {
  // (10 - 16 + 1) div 2 = -2 (a floor would give -3); margin (10 - 16 + 1) div 2 = -2 as well.
  auto wide = Lay(blGlyphTop, -1, 4, kGlyph, {0, 0}, kNoOffset, {10, 10});
  EXPECT_EQ(wide.GlyphPos, (TPoint{-2, -2}));
  auto sideways = Lay(blGlyphLeft, -1, -1, kGlyph, {0, 0}, kNoOffset, {10, 10});
  EXPECT_EQ(sideways.GlyphPos, (TPoint{-2, -2}));
}

TEST(flat_disabled_glyph, BlackPixelsEmbossedEverythingElseBackground) {
  // A 6 x 6 white image with a black 2 x 2 block at (1, 1) and a red pixel at (4, 4).
  TSurface image(6, 6, PixelFromColor(clWhite));
  for (int y = 1; y <= 2; ++y)
    for (int x = 1; x <= 2; ++x) image.At(x, y) = PixelFromColor(clBlack);
  image.At(4, 4) = PixelFromColor(clRed);
  const TSurface out = CreateDisabledGlyph(image, clBlack, clBtnFace, true, clBtnShadow, clBtnHighlight);
  auto at = [&](int x, int y) { return ColorFromPixel(out.At(x, y)); };
  const TColor face = ColorToRGB(clBtnFace), shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
  EXPECT_EQ(at(1, 1), shadow);
  EXPECT_EQ(at(2, 2), shadow);  // the shadow lies over the moved highlight
  EXPECT_EQ(at(3, 3), light);
  EXPECT_EQ(at(3, 2), light);
  EXPECT_EQ(at(0, 0), face);
  EXPECT_EQ(at(4, 4), face);  // not the conversion colour
  EXPECT_EQ(at(0, 5), face);

  const TSurface flat = CreateDisabledGlyph(image, clBlack, clBtnFace, false, clBtnShadow, clBtnHighlight);
  EXPECT_EQ(ColorFromPixel(flat.At(3, 3)), face);
  EXPECT_EQ(ColorFromPixel(flat.At(1, 1)), shadow);
}

}  // namespace
