// Composing pictures over what the canvas holds: TPNGObject by AlphaKind, TPNGGraphic's alpha
// bitmap blend, rectangles that are empty, reversed, stretched or clipped.
#include <gtest/gtest.h>

#include "PngTestSupport.h"
#include "framework/Graphics.h"
#include "pictures/PNGGraphic.h"

namespace {

// A non-interlaced picture from scan lines (each with its filter byte) and extra chunks placed
// between IHDR and IDAT.
std::unique_ptr<TPNGObject> MakePng(int w, int h, int depth, int type, const TBytes& lines, const TBytes& extra = {}) {
  auto png = std::make_unique<TPNGObject>();
  LoadPng(*png, Concat({Signature(), Chunk("IHDR", IhdrData(w, h, depth, type)), extra, Chunk("IDAT", Deflate(lines)),
                        Chunk("IEND", {})}));
  return png;
}

TPixel Grey(int v) { return 0xFF000000u | static_cast<TPixel>(v) * 0x010101u; }
int Red(TPixel p) { return (p >> 16) & 0xFF; }
int Green(TPixel p) { return (p >> 8) & 0xFF; }
int Blue(TPixel p) { return p & 0xFF; }

TEST(PngDraw, PerPixelBlendEdgeCases) {
  // Red 255 at alpha 0, 128 and 255, green 64 at alpha 128, over black.
  auto pngPtr = MakePng(4, 1, 8, 6, {0, 255, 0, 0, 0, 255, 0, 0, 128, 255, 0, 0, 255, 0, 64, 0, 128});
  TPNGObject& png = *pngPtr;
  ASSERT_EQ(png.AlphaKind(), akPerPixel);
  EXPECT_TRUE(png.Transparent());
  TSurface surface(4, 1, Grey(0));
  TCanvas canvas(surface);
  png.Draw(canvas, {0, 0, 4, 1});
  EXPECT_EQ(surface.At(0, 0), Grey(0));
  EXPECT_EQ(Red(surface.At(1, 0)), 128);
  EXPECT_EQ(Red(surface.At(2, 0)), 255);
  EXPECT_EQ(Green(surface.At(3, 0)), (64 * 128 + 255) / 256);
  // Over white: alpha 0 keeps the target, alpha 128 mixes both.
  TSurface white(4, 1, Grey(255));
  TCanvas onWhite(white);
  png.Draw(onWhite, {0, 0, 4, 1});
  EXPECT_EQ(white.At(0, 0), Grey(255));
  EXPECT_EQ(Green(white.At(1, 0)), (255 * 127 + 255) / 256);
  EXPECT_EQ(Red(white.At(2, 0)), 255);
  EXPECT_EQ(Green(white.At(2, 0)), 0);
}

TEST(PngDraw, RectanglesEmptyReversedStretchedClipped) {
  auto pngPtr = MakePng(2, 1, 8, 6, {0, 10, 20, 30, 255, 40, 50, 60, 255});
  TPNGObject& png = *pngPtr;
  TSurface surface(6, 3, Grey(0));
  TCanvas canvas(surface);
  png.Draw(canvas, {1, 1, 1, 2});  // zero width
  png.Draw(canvas, {1, 1, 3, 1});  // zero height
  for (TPixel p : surface.Pixels) EXPECT_EQ(p, Grey(0));
  png.Draw(canvas, {4, 2, 0, 1});  // right to left, bottom to top: as {0, 1, 4, 2}
  const TPixel a = 0xFF0A141Eu, b = 0xFF28323Cu;
  EXPECT_EQ(surface.At(0, 1), a);
  EXPECT_EQ(surface.At(1, 1), a);  // twice as wide: each column twice
  EXPECT_EQ(surface.At(2, 1), b);
  EXPECT_EQ(surface.At(3, 1), b);
  EXPECT_EQ(surface.At(4, 1), Grey(0));
  EXPECT_EQ(surface.At(0, 0), Grey(0));
  // Three times as tall repeats the row; a canvas origin and clip limit what is touched.
  TSurface tall(4, 4, Grey(0));
  TCanvas clipped;
  clipped.Attach(&tall, {1, 0}, {0, 0, 2, 4});
  png.Draw(clipped, {0, 0, 2, 3});
  EXPECT_EQ(tall.At(0, 0), Grey(0));  // left of the origin
  EXPECT_EQ(tall.At(1, 0), a);
  EXPECT_EQ(tall.At(1, 2), a);
  EXPECT_EQ(tall.At(2, 0), Grey(0));  // outside the clip
  EXPECT_EQ(tall.At(1, 3), Grey(0));
}

// A picture drawn in pieces (the clip split round a hole, then the hole) ends up as the picture
// drawn whole: pieces that share rows each read their own columns.
TEST(PngDraw, DrawnInPiecesItIsTheWholeDraw) {
  TBytes lines;
  for (int y = 0; y < 3; ++y) {
    lines.push_back(0);
    for (int x = 0; x < 5; ++x)
      lines.insert(lines.end(), {static_cast<std::uint8_t>(40 * x), static_cast<std::uint8_t>(70 * y), 9,
                                 static_cast<std::uint8_t>(60 + 40 * x)});
  }
  auto png = MakePng(5, 3, 8, 6, lines);
  TSurface whole(10, 6, Grey(30));
  TCanvas all(whole);
  png->Draw(all, {0, 0, 10, 6});
  TSurface pieces(10, 6, Grey(30));
  TCanvas around;
  around.Attach(&pieces, {0, 0}, {0, 0, 10, 6});
  around.ExcludeClipRect({3, 2, 7, 3});
  png->Draw(around, {0, 0, 10, 6});
  EXPECT_EQ(pieces.At(4, 2), Grey(30));  // the hole is left alone
  EXPECT_EQ(pieces.At(8, 2), whole.At(8, 2));
  TCanvas hole;
  hole.Attach(&pieces, {0, 0}, {3, 2, 7, 3});
  png->Draw(hole, {0, 0, 10, 6});
  EXPECT_EQ(pieces.Pixels, whole.Pixels);
  // At natural size, in two pieces, at an offset: each pixel its source pixel over grey 30.
  TSurface natural(7, 5, Grey(30));
  for (const TRect clip : {TRect{0, 0, 3, 5}, TRect{3, 0, 7, 5}}) {
    TCanvas piece;
    piece.Attach(&natural, {0, 0}, clip);
    png->Draw(piece, {1, 1, 6, 4});
  }
  auto over30 = [](int c, int a) { return (c * a + 30 * (255 - a) + 255) >> 8; };
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const TPixel p = natural.At(x + 1, y + 1);
      const int a = 60 + 40 * x;
      EXPECT_EQ(Red(p), over30(40 * x, a)) << x << "," << y;
      EXPECT_EQ(Green(p), over30(70 * y, a)) << x << "," << y;
      EXPECT_EQ(Blue(p), over30(9, a)) << x << "," << y;
    }
  }
  EXPECT_EQ(natural.At(0, 0), Grey(30));
  EXPECT_EQ(natural.At(6, 4), Grey(30));
}

TEST(PngDraw, ColorKeyAndOpaqueKinds) {
  // Grey 8-bit with tRNS grey 100: pixels of level 100 are transparent.
  auto greyPtr = MakePng(2, 1, 8, 0, {0, 100, 200}, Chunk("tRNS", {0, 100}));
  TPNGObject& grey = *greyPtr;
  EXPECT_EQ(grey.AlphaKind(), akColorKey);
  EXPECT_EQ(grey.KeyColor(), RGB(100, 100, 100));
  TSurface surface(2, 1, Grey(7));
  TCanvas canvas(surface);
  grey.Draw(canvas, {0, 0, 2, 1});
  EXPECT_EQ(surface.At(0, 0), Grey(7));
  EXPECT_EQ(surface.At(1, 0), Grey(200));
  // Truecolour without tRNS is copied.
  auto rgbPtr = MakePng(1, 1, 8, 2, {0, 1, 2, 3});
  TPNGObject& rgb = *rgbPtr;
  EXPECT_EQ(rgb.AlphaKind(), akNone);
  EXPECT_FALSE(rgb.Transparent());
  rgb.Draw(canvas, {0, 0, 1, 1});
  EXPECT_EQ(surface.At(0, 0), 0xFF010203u);
  // Truecolour key: the tRNS colour is left out.
  auto keyedPtr = MakePng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}, Chunk("tRNS", {0, 4, 0, 5, 0, 6}));
  TPNGObject& keyed = *keyedPtr;
  EXPECT_EQ(keyed.AlphaKind(), akColorKey);
  TSurface under(2, 1, Grey(9));
  TCanvas c2(under);
  keyed.Draw(c2, {0, 0, 2, 1});
  EXPECT_EQ(under.At(0, 0), 0xFF010203u);
  EXPECT_EQ(under.At(1, 0), Grey(9));
}

TEST(PngDraw, IndexedTransparency) {
  const TBytes plte = Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255});
  // No tRNS: opaque. One entry 0: colour key on that entry's colour.
  EXPECT_EQ(MakePng(1, 1, 8, 3, {0, 0}, plte)->AlphaKind(), akNone);
  auto keyPtr = MakePng(3, 1, 8, 3, {0, 0, 1, 2}, Concat({plte, Chunk("tRNS", {255, 0})}));
  TPNGObject& key = *keyPtr;
  EXPECT_EQ(key.AlphaKind(), akColorKey);
  EXPECT_EQ(key.KeyColor(), RGB(0, 255, 0));
  TSurface surface(3, 1, Grey(5));
  TCanvas canvas(surface);
  key.Draw(canvas, {0, 0, 3, 1});
  EXPECT_EQ(surface.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(surface.At(1, 0), Grey(5));
  EXPECT_EQ(surface.At(2, 0), 0xFF0000FFu);
  // A single entry that is only partly transparent, or several entries: blended per pixel.
  EXPECT_EQ(MakePng(1, 1, 8, 3, {0, 0}, Concat({plte, Chunk("tRNS", {128})}))->AlphaKind(), akPerPixel);
  EXPECT_EQ(MakePng(1, 1, 8, 3, {0, 0}, Concat({plte, Chunk("tRNS", {255, 255})}))->AlphaKind(), akPerPixel);
  auto blendPtr = MakePng(2, 1, 8, 3, {0, 0, 1}, Concat({plte, Chunk("tRNS", {0, 128})}));
  TPNGObject& blend = *blendPtr;
  ASSERT_EQ(blend.AlphaKind(), akPerPixel);
  TSurface black(2, 1, Grey(0));
  TCanvas c2(black);
  blend.Draw(c2, {0, 0, 2, 1});
  EXPECT_EQ(black.At(0, 0), Grey(0));
  EXPECT_EQ(Green(black.At(1, 0)), 128);
  // An index beyond the PLTE colours fails and draws nothing.
  auto badPtr = MakePng(2, 1, 8, 3, {0, 0, 5}, Concat({plte, Chunk("tRNS", {0, 128})}));
  TPNGObject& bad = *badPtr;
  TSurface untouched(2, 1, Grey(3));
  TCanvas c3(untouched);
  EXPECT_THROW(bad.Draw(c3, {0, 0, 2, 1}), EPngError);
  EXPECT_EQ(untouched.At(0, 0), Grey(3));
  // Sub-byte indices are read most significant bits first.
  auto packedPtr = MakePng(4, 1, 2, 3, {0, 0b00011011}, Concat({plte, Chunk("tRNS", {255, 128, 0})}));
  TPNGObject& packed = *packedPtr;
  TSurface row(4, 1, Grey(0));
  TCanvas c4(row);
  EXPECT_THROW(packed.Draw(c4, {0, 0, 4, 1}), EPngError);  // index 3 has no colour
  auto packed3Ptr = MakePng(3, 1, 2, 3, {0, 0b00011000}, Concat({plte, Chunk("tRNS", {255, 128, 0})}));
  TPNGObject& packed3 = *packed3Ptr;
  packed3.Draw(c4, {0, 0, 3, 1});
  EXPECT_EQ(row.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(Green(row.At(1, 0)), 128);
  EXPECT_EQ(row.At(2, 0), Grey(0));
}

TEST(PngDraw, GreyWithAlphaUsesStoredGrey) {
  // A gamma chunk changes the ramp but not the grey the per-pixel path composes.
  auto pngPtr = MakePng(1, 1, 8, 4, {0, 100, 255}, Chunk("gAMA", {0, 1, 0x86, 0xA0}));
  TPNGObject& png = *pngPtr;
  TSurface surface(1, 1, Grey(0));
  TCanvas canvas(surface);
  png.Draw(canvas, {0, 0, 1, 1});
  EXPECT_EQ(surface.At(0, 0), Grey(100));
}

TBytes AlphaBitmapFile(int w, int h, const std::vector<TPixel>& topDown) {
  TBytes file = {'B', 'M'};
  auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  le32(54 + w * h * 4);
  le32(0);
  le32(54);
  le32(40);
  le32(w);
  le32(h);
  file.insert(file.end(), {1, 0, 32, 0});
  le32(0);
  le32(w * h * 4);
  for (int i = 0; i < 4; ++i) le32(0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) le32(topDown[static_cast<std::size_t>(y * w + x)]);
  return file;
}

TPNGGraphic MakeAlphaBitmap(int w, int h, const std::vector<TPixel>& pixels) {
  TPNGGraphic g;
  const TBytes file = AlphaBitmapFile(w, h, pixels);
  TSpanStream stream(file);
  g.TBitmap::LoadFromStream(stream);
  return g;
}

TEST(AlphaBitmapDraw, BlendFormulaOnEveryPixel) {
  TPNGGraphic g = MakeAlphaBitmap(4, 1, {0xFFFFFFFFu, 0xFF606060u, 0x80FFFFFFu, 0x00FFFFFFu});
  ASSERT_EQ(g.PixelFormat(), pf32bit);
  TSurface surface(4, 1, Grey(96));
  surface.At(2, 0) = Grey(0);
  TCanvas canvas(surface);
  g.Draw(canvas, {0, 0, 4, 1});
  EXPECT_EQ(surface.At(0, 0), Grey(254));  // alpha 255, 255 over 96
  EXPECT_EQ(surface.At(1, 0), Grey(96));   // source equal to target
  EXPECT_EQ(surface.At(2, 0), Grey(127));  // alpha 128, 255 over 0
  EXPECT_EQ(surface.At(3, 0), Grey(96));   // alpha 0
}

TEST(AlphaBitmapDraw, OpaqueBitmapOverDarkerAndBrighterSurface) {
  // Opaque everywhere: as stored where the surface is at least as bright, one lower where darker.
  std::vector<TPixel> pixels;
  for (int v = 0; v < 256; v += 15) pixels.push_back(0xFF000000u | static_cast<TPixel>(v) << 16 | (255 - v));
  const int w = static_cast<int>(pixels.size());
  TPNGGraphic g = MakeAlphaBitmap(w, 1, pixels);
  TSurface surface(w, 2, Grey(128));
  TCanvas canvas(surface);
  g.Draw(canvas, {0, 0, w, 1});
  for (int x = 0; x < w; ++x) {
    const int red = Red(pixels[x]), blue = Blue(pixels[x]);
    EXPECT_EQ(Red(surface.At(x, 0)), 128 >= red ? red : red - 1);
    EXPECT_EQ(Blue(surface.At(x, 0)), 128 >= blue ? blue : blue - 1);
    EXPECT_EQ(Green(surface.At(x, 0)), 0);  // 0 over a brighter 128
  }
}

TEST(AlphaBitmapDraw, ResampledAndFallbackPaths) {
  TPNGGraphic g = MakeAlphaBitmap(2, 1, {0xFFFF0000u, 0x00000000u});
  TSurface surface(4, 2, Grey(0));
  TCanvas canvas(surface);
  g.Draw(canvas, {0, 0, 4, 2});  // twice the size each way
  EXPECT_EQ(Red(surface.At(0, 0)), 254);
  EXPECT_EQ(Red(surface.At(1, 1)), 254);
  EXPECT_EQ(surface.At(2, 0), Grey(0));
  EXPECT_EQ(surface.At(3, 1), Grey(0));
  g.Draw(canvas, {3, 0, 1, 1});  // reversed: nothing
  EXPECT_EQ(surface.At(2, 0), Grey(0));
  // Shrunk to one pixel: colour and alpha averaged apart (red 128, alpha 128) over white.
  TSurface white(1, 1, Grey(255));
  TCanvas onWhite(white);
  g.Draw(onWhite, {0, 0, 1, 1});
  EXPECT_EQ(Red(white.At(0, 0)), ((128 - 255) * 128 + 255 * 256) >> 8);
  // A bitmap that is not 32-bit draws as a plain bitmap, honouring the transparent switch.
  TPNGGraphic plain;
  plain.SetPixelFormat(pf24bit);
  plain.SetSize(2, 1);
  plain.Surface().At(0, 0) = 0xFF123456u;
  plain.Surface().At(1, 0) = 0xFF00FF00u;
  plain.SetTransparent(true);  // the bottom-left pixel's colour is transparent
  TSurface target(2, 1, Grey(1));
  TCanvas c3(target);
  plain.Draw(c3, {0, 0, 2, 1});
  EXPECT_EQ(target.At(0, 0), Grey(1));
  EXPECT_EQ(target.At(1, 0), 0xFF00FF00u);
}

}  // namespace
