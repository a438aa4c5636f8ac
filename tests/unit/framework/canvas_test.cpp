// Canvas primitives: clipping, frames, lines, raster operations, the "&" prefix rule.
#include <gtest/gtest.h>

#include "framework/Graphics.h"

namespace {

TColor At(const TSurface& s, int x, int y) { return ColorFromPixel(s.At(x, y)); }

TEST(Canvas, DrawsThroughItsOriginAndClipRegionOnly) {
  TSurface s(20, 20, PixelFromColor(clBlack));
  TCanvas c;
  c.Attach(&s, {5, 5}, {5, 5, 15, 15});
  c.ExcludeClipRect({2, 2, 4, 4});
  c.Brush().Color = clWhite;
  c.FillRect({-10, -10, 30, 30});
  EXPECT_EQ(At(s, 4, 4), clBlack);    // outside the clip
  EXPECT_EQ(At(s, 5, 5), clWhite);
  EXPECT_EQ(At(s, 7, 7), clBlack);    // excluded (canvas 2,2)
  EXPECT_EQ(At(s, 9, 9), clWhite);    // canvas 4,4: the exclusion's right edge is open
  EXPECT_EQ(At(s, 15, 15), clBlack);
  EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 10, 10}));
}

TEST(Canvas, FramesRectanglesAndLinesWithoutTheirEndPoint) {
  TSurface s(10, 10, PixelFromColor(clBlack));
  TCanvas c(s);
  c.Brush().Color = clRed;
  c.FrameRect({1, 1, 5, 4});
  EXPECT_EQ(At(s, 1, 1), clRed);
  EXPECT_EQ(At(s, 4, 3), clRed);
  EXPECT_EQ(At(s, 2, 2), clBlack);
  EXPECT_EQ(At(s, 5, 3), clBlack);
  c.Pen().Color = clLime;
  c.MoveTo(0, 8);
  c.LineTo(4, 8);
  EXPECT_EQ(At(s, 3, 8), clLime);
  EXPECT_EQ(At(s, 4, 8), clBlack);
  EXPECT_EQ(c.PenPos(), (TPoint{4, 8}));
}

TEST(Canvas, RasterOperationsCombinePatternSourceAndDestinationBitwise) {
  // DSPDxax: white source pixels take the pattern, black ones keep the destination.
  TSurface src(2, 1);
  src.At(0, 0) = PixelFromColor(clBlack);
  src.At(1, 0) = PixelFromColor(clWhite);
  TSurface dst(2, 1, PixelFromColor(RGB(10, 20, 30)));
  TCanvas c(dst);
  c.Brush().Color = RGB(200, 100, 50);
  c.BitBlt(0, 0, 2, 1, src, 0, 0, DSPDxax);
  EXPECT_EQ(At(dst, 0, 0), RGB(10, 20, 30));
  EXPECT_EQ(At(dst, 1, 0), RGB(200, 100, 50));
  c.BitBlt(0, 0, 2, 1, src, 0, 0, SRCINVERT);
  EXPECT_EQ(At(dst, 0, 0), RGB(10, 20, 30));
  EXPECT_EQ(At(dst, 1, 0), RGB(255 - 200, 255 - 100, 255 - 50));
}

TEST(Canvas, PrefixRuleHidesSingleAmpersandsAndKeepsDoubledOnes) {
  TCanvas c;
  c.Font().SetName("DejaVu Sans");
  c.Font().SetHeight(16);
  TRect plain{0, 0, 0, 0}, prefixed{0, 0, 0, 0}, doubled{0, 0, 0, 0}, raw{0, 0, 0, 0};
  c.DrawText("Ab", plain, dtCalcRect);
  c.DrawText("&Ab", prefixed, dtCalcRect);
  c.DrawText("A&&b", doubled, dtCalcRect);
  c.DrawText("A&b", raw, dtCalcRect | dtNoPrefix);
  EXPECT_EQ(prefixed.Right, plain.Right);
  EXPECT_GT(doubled.Right, plain.Right);
  EXPECT_EQ(raw.Right, doubled.Right);
}

}  // namespace
