// Canvas primitives: clipping, frames, lines, raster operations, the "&" prefix rule.
#include <gtest/gtest.h>

#include "framework/Bitmap.h"
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
  EXPECT_EQ(At(s, 4, 4), clBlack);  // outside the clip
  EXPECT_EQ(At(s, 5, 5), clWhite);
  EXPECT_EQ(At(s, 7, 7), clBlack);  // excluded (canvas 2,2)
  EXPECT_EQ(At(s, 9, 9), clWhite);  // canvas 4,4: the exclusion's right edge is open
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

// ---------------------------------------------------------------------------------------------
// A canvas on a scaled surface: canvas pixels are logical, each covers Scale x Scale device pixels
// ---------------------------------------------------------------------------------------------

namespace {

TSurface ScaledSurface(int w, int h, int scale) {
  TSurface s(w * scale, h * scale, PixelFromColor(clBlack));
  s.Scale = scale;
  return s;
}

// The rows of `s` inside `box` that hold a pixel other than black.
int InkRows(const TSurface& s, const TRect& box) {
  int rows = 0;
  for (int y = box.Top; y < box.Bottom; ++y)
    for (int x = box.Left; x < box.Right; ++x)
      if (At(s, x, y) != clBlack) {
        ++rows;
        break;
      }
  return rows;
}

}  // namespace

TEST(ScaledCanvas, FillsOriginClipAndOnePixelFramesOnWholeDevicePixelBlocks) {
  TSurface s = ScaledSurface(10, 10, 3);
  TCanvas c;
  c.Attach(&s, {2, 2}, {2, 2, 8, 8});
  c.Brush().Color = clRed;
  c.FrameRect({0, 0, 4, 4});  // logical 2..5 on the surface: device 6..17
  EXPECT_EQ(At(s, 5, 6), clBlack);
  for (int d = 6; d < 9; ++d) EXPECT_EQ(At(s, d, 10), clRed) << d;  // the left line, 3 wide
  EXPECT_EQ(At(s, 9, 10), clBlack);
  EXPECT_EQ(At(s, 17, 10), clRed);
  EXPECT_EQ(At(s, 18, 10), clBlack);
  c.FillRect({-5, -5, 50, 50});  // clipped to logical 2..8: device 6..24
  EXPECT_EQ(At(s, 23, 23), clRed);
  EXPECT_EQ(At(s, 24, 23), clBlack);
  EXPECT_EQ(c.GetPixel(5, 5), clRed);
  EXPECT_EQ(c.GetPixel(6, 6), clNone);  // outside the clip
  EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 6, 6}));
  c.ExcludeClipRect({1, 1, 2, 2});
  c.Brush().Color = clLime;
  c.FillRect({0, 0, 3, 3});
  EXPECT_EQ(At(s, 9, 9), clRed);  // the excluded logical (1, 1): device 9..11
  EXPECT_EQ(At(s, 11, 11), clRed);
  EXPECT_EQ(At(s, 12, 11), clLime);
}

TEST(ScaledCanvas, CopiesAnUnscaledSourceByNearestPixelAndAScaledOnePixelForPixel) {
  TSurface s = ScaledSurface(4, 4, 2);
  TCanvas c(s);
  TSurface plain(2, 1, PixelFromColor(clRed));
  plain.At(1, 0) = PixelFromColor(clBlue);
  c.BitBlt(1, 1, 2, 1, plain, 0, 0, SRCCOPY);
  EXPECT_EQ(At(s, 2, 2), clRed);
  EXPECT_EQ(At(s, 3, 3), clRed);
  EXPECT_EQ(At(s, 4, 2), clBlue);
  EXPECT_EQ(At(s, 5, 3), clBlue);
  EXPECT_EQ(At(s, 6, 2), clBlack);
  TSurface sharp(4, 2, PixelFromColor(clLime));
  sharp.Scale = 2;
  sharp.At(1, 1) = PixelFromColor(clWhite);
  c.BitBlt(0, 0, 2, 1, sharp, 0, 0, SRCCOPY);
  EXPECT_EQ(At(s, 0, 0), clLime);
  EXPECT_EQ(At(s, 1, 1), clWhite);  // the source's own device pixel, not an enlarged one
}

TEST(ScaledCanvas, RasterisesTextAtTheDeviceHeightWithLogicalMeasures) {
  TSurface one = ScaledSurface(40, 30, 1);
  TSurface two = ScaledSurface(40, 30, 2);
  TCanvas c1(one), c2(two);
  for (TCanvas* c : {&c1, &c2}) {
    c->Font().SetName("Tahoma");
    c->Font().SetHeight(16);
    c->Font().SetColor(clWhite);
    c->Brush().Style = bsClear;
    c->TextOut(2, 2, "8");
  }
  EXPECT_EQ(c1.TextWidth("88"), c2.TextWidth("88"));
  const int rows1 = InkRows(one, one.BoundsRect());
  const int rows2 = InkRows(two, two.BoundsRect());
  ASSERT_GT(rows1, 5);
  EXPECT_NEAR(rows2, 2 * rows1, 2);
  // Drawn, not enlarged: some device row pair differs, which a 2x copy never shows.
  bool differs = false;
  for (int y = 0; y + 1 < two.Height; y += 2)
    for (int x = 0; x < two.Width; ++x) differs |= two.At(x, y) != two.At(x, y + 1);
  EXPECT_TRUE(differs);
}

TEST(ScaledCanvas, ReadsAScaledVersionOnlyWhenACanvasOfItsScaleFirstDrawsIt) {
  TBitmap picture;
  picture.SetSize(1, 1);
  int reads = 0;
  picture.SetScaledVersion(2, [&reads]() -> std::shared_ptr<TGraphic> {
    ++reads;
    auto sharp = std::make_shared<TBitmap>();
    sharp->SetSize(2, 2);
    return sharp;
  });
  picture.SetScaledVersion(3, [&reads]() -> std::shared_ptr<TGraphic> {
    ++reads;
    return nullptr;  // no version after all: the picture itself is stretched
  });
  EXPECT_EQ(&picture.ForScale(1), &picture);
  EXPECT_EQ(reads, 0);
  TGraphic& two = picture.ForScale(2);
  EXPECT_NE(&two, &picture);
  EXPECT_EQ(two.Width(), 2);
  EXPECT_EQ(&picture.ForScale(2), &two);  // read once, then kept
  EXPECT_EQ(&picture.ForScale(3), &picture);
  EXPECT_EQ(&picture.ForScale(3), &picture);
  EXPECT_EQ(reads, 2);
  picture.SetScaledVersion(2, TGraphic::TLoader());  // dropping a version drops it
  EXPECT_EQ(&picture.ForScale(2), &picture);
}
