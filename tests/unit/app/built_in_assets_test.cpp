// The built-in pictures in their stored forms: every asset is there, each picture stream reads
// through the picture holder into the class and size the main window expects, with the alpha
// content its drawing relies on, and the arrow glyphs are the bitmap resources the spin edit loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/LayoutStyles.h"
#include "app/assets/BuiltInAssets.h"
#include "framework/Bitmap.h"
#include "framework/Picture.h"
#include "pictures/PNGGraphic.h"
#include "pictures/PictureClasses.h"
#include "pictures/pngimage.h"

namespace {

class BuiltInAssetsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterPictureClasses();
    RegisterBuiltInBitmaps();
  }
  static void TearDownTestSuite() { UnregisterPictureClasses(); }

  // Reads the named picture stream; the stream must be used up exactly.
  static TPicture Read(const std::string& name) {
    const std::span<const std::uint8_t> bytes = BuiltInAsset(name);
    TSpanStream stream(bytes);
    TPicture p;
    p.ReadData(stream);
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(bytes.size())) << name;
    return p;
  }
};

// 0xAARRGGBB pixels of a picture of either class.
TSurface PixelsOf(const TPicture& p) {
  if (auto* png = dynamic_cast<const TPNGObject*>(p.Graphic())) return png->PixelsWithAlpha();
  return dynamic_cast<const TPNGGraphic&>(*p.Graphic()).Surface();
}

struct TAlphaCount {
  int Clear = 0, Partial = 0, Opaque = 0;
};
TAlphaCount CountAlpha(const TSurface& s) {
  TAlphaCount c;
  for (int y = 0; y < s.Height; ++y) {
    for (int x = 0; x < s.Width; ++x) {
      const std::uint32_t a = s.At(x, y) >> 24;
      (a == 0 ? c.Clear : a == 255 ? c.Opaque : c.Partial)++;
    }
  }
  return c;
}

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24); }
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

TEST_F(BuiltInAssetsTest, EveryAssetIsBuiltInByName) {
  std::vector<std::string> names;
  for (const TBuiltInAsset& a : BuiltInAssets()) names.emplace_back(a.Name);
  std::vector<std::string> expected = {"CNSPINEDITDOWN.bmp", "CNSPINEDITUP.bmp"};
  for (const char* b : {"btn4", "btn5", "btn6"})
    for (const char* state : {"PictureDefault", "PictureHot", "PicturePress"})
      expected.push_back(std::string(b) + "." + state + ".Data");
  for (const TLayoutStyle& style : kLayoutStyles) expected.push_back(std::string(style.Diagram) + ".Picture.Data");
  // Each one also drawn for displays at 200 % and 300 %.
  for (const std::string& name : std::vector<std::string>(expected))
    for (int scale = 2; scale <= 3; ++scale) expected.push_back(ScaledAssetName(name, scale));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_TRUE(BuiltInAsset("imgs" + std::to_string(kStyleCount + 1) + ".Picture.Data").empty());
  EXPECT_TRUE(BuiltInAsset("imgs1.picture.data").empty());
}

// The diagrams' names and stored forms are those of the style table.
std::vector<std::string> DiagramStreams(TDiagramForm form) {
  std::vector<std::string> names;
  for (const TLayoutStyle& style : kLayoutStyles)
    if (style.DiagramForm == form) names.push_back(std::string(style.Diagram) + ".Picture.Data");
  return names;
}

TEST_F(BuiltInAssetsTest, DiagramsStoredAsPngAreTransparentPngPictures) {
  for (const std::string& name : DiagramStreams(dfPng)) {
    SCOPED_TRACE(name);
    TPicture p = Read(name);
    auto* png = dynamic_cast<TPNGObject*>(p.Graphic());
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->Width(), 492);
    EXPECT_EQ(png->Height(), 151);
    const TChunkIHDR& h = png->Header();
    EXPECT_EQ(h.BitDepth(), 8);
    EXPECT_EQ(h.ColorType(), 6);
    EXPECT_EQ(h.InterlaceMethod(), 0);
    // A private ancillary chunk right after the header.
    ASSERT_GE(png->Chunks().Count(), 2);
    const TChunkName second = png->Chunks().Item(1).Name();
    EXPECT_TRUE(second[0] & 32) << png->Chunks().Item(1).NameText();
    EXPECT_TRUE(second[1] & 32) << png->Chunks().Item(1).NameText();
    EXPECT_GT(png->Chunks().Item(1).DataSize(), 0u);
    // The background is fully transparent: 71 to 77 % of the pixels; edges are anti-aliased.
    const TAlphaCount c = CountAlpha(png->PixelsWithAlpha());
    const double clear = static_cast<double>(c.Clear) / (492 * 151);
    EXPECT_GE(clear, 0.71);
    EXPECT_LE(clear, 0.77);
    EXPECT_GT(c.Partial, 100);
  }
}

TEST_F(BuiltInAssetsTest, DiagramsStoredAsAlphaBitmapsAreOpaque) {
  for (const std::string& name : DiagramStreams(dfAlphaBitmap)) {
    SCOPED_TRACE(name);
    const std::span<const std::uint8_t> raw = BuiltInAsset(name);
    ASSERT_EQ(raw.size(), 1u + 11 + 4 + 297222);
    EXPECT_EQ(raw[0], 11);
    EXPECT_EQ(std::memcmp(raw.data() + 1, "TPNGGraphic", 11), 0);
    const std::uint8_t* s = raw.data() + 12;
    EXPECT_EQ(Le32(s), 297222u);
    const std::uint8_t* bmp = s + 4;
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp + 2), 297222u);
    EXPECT_EQ(Le32(bmp + 6), 0u);
    EXPECT_EQ(Le32(bmp + 10), 54u);
    const std::uint8_t* info = bmp + 14;
    EXPECT_EQ(Le32(info), 40u);
    EXPECT_EQ(Le32(info + 4), 492u);
    EXPECT_EQ(Le32(info + 8), 151u);
    EXPECT_EQ(Le16(info + 12), 1);
    EXPECT_EQ(Le16(info + 14), 32);
    EXPECT_EQ(Le32(info + 16), 0u);
    EXPECT_EQ(Le32(info + 20), 492u * 151 * 4);
    for (int k = 24; k < 40; k += 4) EXPECT_EQ(Le32(info + k), 0u);

    TPicture p = Read(name);
    ASSERT_NE(dynamic_cast<TPNGGraphic*>(p.Graphic()), nullptr);
    const TSurface px = PixelsOf(p);
    EXPECT_EQ(CountAlpha(px).Opaque, 492 * 151);
    // The background carries the panel colour.
    EXPECT_EQ(px.At(20, 100), 0xFF605E5Eu);
    EXPECT_EQ(px.At(491, 0), 0xFF605E5Eu);
  }
}

// Hot pictures are the rest picture lighter; pressed ones the hot picture moved by (dx, dy).
void ExpectHotAndPressed(const TSurface& normal, const TSurface& hot, const TSurface& pressed, int dx, int dy) {
  int lighter = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      const std::uint32_t n = normal.At(x, y), h = hot.At(x, y);
      EXPECT_EQ(n >> 24, h >> 24) << x << "," << y;
      if (n >> 24 == 255 && n != 0xFFFFFFFFu) {
        for (int shift : {0, 8, 16}) EXPECT_GE((h >> shift) & 0xFF, (n >> shift) & 0xFF);
        lighter += h != n;
      }
      if (x >= dx && y >= dy)
        EXPECT_EQ(pressed.At(x, y), hot.At(x - dx, y - dy)) << x << "," << y;
      else
        EXPECT_EQ(pressed.At(x, y) >> 24, 0u) << x << "," << y;
    }
  }
  EXPECT_GT(lighter, 300);
}

TEST_F(BuiltInAssetsTest, PlusAndCardButtonsArePngPicturesWithLighterHotAndMovedPressed) {
  struct TCase {
    const char* Name;
    int Dx, Dy;
  };
  for (const TCase& c : {TCase{"btn4", 1, 1}, TCase{"btn6", 1, 2}}) {
    SCOPED_TRACE(c.Name);
    const std::string prefix = c.Name;
    TPicture normal = Read(prefix + ".PictureDefault.Data");
    TPicture hot = Read(prefix + ".PictureHot.Data");
    TPicture pressed = Read(prefix + ".PicturePress.Data");
    for (TPicture* p : {&normal, &hot, &pressed}) {
      ASSERT_NE(dynamic_cast<TPNGObject*>(p->Graphic()), nullptr);
      EXPECT_EQ(p->Width(), 48);
      EXPECT_EQ(p->Height(), 48);
    }
    const TSurface n = PixelsOf(normal);
    const TAlphaCount count = CountAlpha(n);
    EXPECT_EQ(n.At(0, 0) >> 24, 0u);
    EXPECT_EQ(n.At(47, 47) >> 24, 0u);
    EXPECT_GT(count.Partial, 10);
    EXPECT_GT(count.Opaque, 500);
    ExpectHotAndPressed(n, PixelsOf(hot), PixelsOf(pressed), c.Dx, c.Dy);
  }
}

TEST_F(BuiltInAssetsTest, SealLogoIsThreeIdenticalAlphaBitmaps) {
  const std::span<const std::uint8_t> normal = BuiltInAsset("btn5.PictureDefault.Data");
  for (const char* other : {"btn5.PictureHot.Data", "btn5.PicturePress.Data"}) {
    const std::span<const std::uint8_t> bytes = BuiltInAsset(other);
    EXPECT_TRUE(std::equal(normal.begin(), normal.end(), bytes.begin(), bytes.end())) << other;
  }
  TPicture p = Read("btn5.PictureDefault.Data");
  ASSERT_NE(dynamic_cast<TPNGGraphic*>(p.Graphic()), nullptr);
  EXPECT_EQ(p.Width(), 48);
  EXPECT_EQ(p.Height(), 48);
  const TSurface px = PixelsOf(p);
  const TAlphaCount count = CountAlpha(px);
  EXPECT_EQ(px.At(0, 0) >> 24, 0u);
  EXPECT_EQ(px.At(47, 0) >> 24, 0u);
  EXPECT_GT(count.Partial, 0);
  EXPECT_GT(count.Opaque, 1000);
  // Red seal, white lettering.
  int red = 0, white = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x) {
      const std::uint32_t v = px.At(x, y);
      if (v >> 24 != 255) continue;
      const std::uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
      red += r > 150 && g < 80 && b < 80;
      white += v == 0xFFFFFFFFu;
    }
  EXPECT_GT(red, 600);
  EXPECT_GT(white, 150);
}

TEST_F(BuiltInAssetsTest, ArrowGlyphsAreTheSpinEditResources) {
  // Black columns of rows 0 to 5, from the top; everything else olive.
  const int up[6][2] = {{1, 0}, {4, 4}, {3, 5}, {2, 6}, {1, 7}, {1, 0}};
  const int down[6][2] = {{1, 0}, {1, 7}, {2, 6}, {3, 5}, {4, 4}, {1, 0}};
  struct TCase {
    const char* Resource;
    const int (*Rows)[2];
  };
  for (const TCase& c : {TCase{"CNSPINEDITUP", up}, TCase{"CNSPINEDITDOWN", down}}) {
    SCOPED_TRACE(c.Resource);
    TBitmap glyph;
    glyph.LoadFromResourceName(c.Resource);
    ASSERT_EQ(glyph.Width(), 9);
    ASSERT_EQ(glyph.Height(), 6);
    EXPECT_EQ(glyph.PixelFormat(), pf4bit);
    EXPECT_EQ(glyph.TransparentColor(), RGB(128, 128, 0));
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 9; ++x) {
        const bool black = x >= c.Rows[y][0] && x <= c.Rows[y][1];
        EXPECT_EQ(ColorFromPixel(glyph.Surface().At(x, y)), black ? RGB(0, 0, 0) : RGB(128, 128, 0)) << x << "," << y;
      }
  }
}

// ---------------------------------------------------------------------------------------------
// The pictures for scaled displays
// ---------------------------------------------------------------------------------------------

// The picture laid over the panel colour, as the window shows it: 0xRRGGBB per pixel.
TSurface OverPanel(const TSurface& straight) {
  TSurface out(straight.Width, straight.Height);
  const std::uint32_t panel[3] = {94, 94, 96};  // B, G, R
  for (size_t i = 0; i < straight.Pixels.size(); ++i) {
    const std::uint32_t p = straight.Pixels[i], a = p >> 24;
    std::uint32_t q = 0;
    for (int c = 0; c < 3; ++c) q |= ((((p >> (8 * c)) & 0xFF) * a + panel[c] * (255 - a) + 127) / 255) << (8 * c);
    out.Pixels[i] = q;
  }
  return out;
}

struct TDifference {
  double Mean = 0;
  int Max = 0;
};

// `fine` (k times the size of `coarse`) averaged over k x k blocks, against `coarse`, per channel.
TDifference BoxFilteredDifference(const TSurface& fine, const TSurface& coarse, int k) {
  TDifference d;
  std::uint64_t sum = 0;
  for (int y = 0; y < coarse.Height; ++y)
    for (int x = 0; x < coarse.Width; ++x)
      for (int c = 0; c < 3; ++c) {
        int total = 0;
        for (int fy = 0; fy < k; ++fy)
          for (int fx = 0; fx < k; ++fx) total += (fine.At(x * k + fx, y * k + fy) >> (8 * c)) & 0xFF;
        const int mean = (total + k * k / 2) / (k * k);
        const int diff = std::abs(mean - static_cast<int>((coarse.At(x, y) >> (8 * c)) & 0xFF));
        sum += static_cast<std::uint64_t>(diff);
        d.Max = std::max(d.Max, diff);
      }
  d.Mean = static_cast<double>(sum) / (3.0 * coarse.Width * coarse.Height);
  return d;
}

TEST_F(BuiltInAssetsTest, EachPictureForAScaledDisplayIsItsPictureDrawnFinerNotAnother) {
  std::vector<std::string> pictures;
  for (const TLayoutStyle& style : kLayoutStyles) pictures.push_back(std::string(style.Diagram) + ".Picture.Data");
  for (const char* b : {"btn4", "btn5", "btn6"})
    for (const char* state : {"PictureDefault", "PictureHot", "PicturePress"})
      pictures.push_back(std::string(b) + "." + state + ".Data");
  for (const std::string& name : pictures) {
    const TSurface one = OverPanel(PixelsOf(Read(name)));
    for (int k = 2; k <= 3; ++k) {
      SCOPED_TRACE(name + " at " + std::to_string(k));
      const TSurface fine = OverPanel(PixelsOf(Read(ScaledAssetName(name, k))));
      ASSERT_EQ(fine.Width, one.Width * k);
      ASSERT_EQ(fine.Height, one.Height * k);
      // Shape edges are sampled finer, so single pixels along them differ a little; the picture
      // as a whole does not.
      const TDifference d = BoxFilteredDifference(fine, one, k);
      // (Measured: means up to 0.22 of a level, single channels up to 7 levels.)
      EXPECT_LT(d.Mean, 0.5);
      EXPECT_LE(d.Max, 12);
    }
  }
}

TEST_F(BuiltInAssetsTest, ArrowGlyphsForScaledDisplaysAreTheSameGlyphInWholeBlocks) {
  EXPECT_EQ(ScaledAssetName("CNSPINEDITUP", 3), "CNSPINEDITUP@3x");  // the resource the bitmap looks for
  for (const char* name : {"CNSPINEDITUP", "CNSPINEDITDOWN"}) {
    TBitmap one;
    one.LoadFromResourceName(name);
    for (int k = 2; k <= 3; ++k) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(k));
      auto* fine = dynamic_cast<TBitmap*>(&one.ForScale(k));
      ASSERT_NE(fine, &one);
      ASSERT_NE(fine, nullptr);
      ASSERT_EQ(fine->Width(), 9 * k);
      ASSERT_EQ(fine->Height(), 6 * k);
      for (int y = 0; y < fine->Height(); ++y)
        for (int x = 0; x < fine->Width(); ++x)
          ASSERT_EQ(fine->Surface().At(x, y), one.Surface().At(x / k, y / k)) << x << "," << y;
    }
  }
}

}  // namespace
