// Every colour type, bit depth and interlace method, with and without tRNS and gAMA, written by
// libpng and decoded by TPNGObject, compared pixel for pixel with libpng's own decoding.
#include <gtest/gtest.h>

#include <cmath>

#include "PngTestSupport.h"

namespace {

// The gamma table of a gAMA value, straight from its definition.
std::array<int, 256> ExpectedLut(std::uint32_t gamma) {
  std::array<int, 256> lut{};
  for (int i = 0; i < 256; ++i)
    lut[i] = gamma == 0 ? i : static_cast<int>(std::nearbyint(255.0 * std::pow(i / 255.0, 100000.0 / (2.2 * gamma))));
  return lut;
}

int RasterPixel(const TPngRaster& raster, int x, int y) {
  const std::uint8_t* row = raster.ImageRow(y);
  const int bits = raster.BitsPerPixel;
  return (row[x * bits / 8] >> (8 - bits - (x * bits % 8))) & ((1 << bits) - 1);
}

struct TFormat {
  int ColorType, BitDepth;
};
const TFormat AllFormats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                              {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

void CompareWithLibpng(const TBytes& file, const TPngRecipe& recipe, const std::vector<png_color>& palette);

void CheckAgainstLibpng(const TPngRecipe& recipe, std::uint32_t seed) {
  SCOPED_TRACE("type " + std::to_string(recipe.ColorType) + " depth " + std::to_string(recipe.BitDepth) +
               " interlace " + std::to_string(recipe.Interlace) + " size " + std::to_string(recipe.Width) + "x" +
               std::to_string(recipe.Height) + " gamma " + std::to_string(recipe.Gamma) +
               (recipe.WithTrns ? " tRNS" : ""));
  std::vector<png_color> palette;
  if (recipe.ColorType == 3)
    for (int i = 0; i < (1 << recipe.BitDepth); ++i)
      palette.push_back({static_cast<png_byte>(i * 7), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 3)});
  TBytes trns;
  if (recipe.WithTrns) {
    if (recipe.ColorType == 3) trns = {0, 128, 255, 7};
    if (recipe.ColorType == 3 && recipe.BitDepth == 1)
      trns = {0, 128};
    else
      trns = {0, 1, 0, 0, 0, 1};
    if (recipe.ColorType == 0) trns = {0, static_cast<std::uint8_t>(recipe.BitDepth == 1 ? 1 : 2)};
  }
  CompareWithLibpng(WritePng(recipe, RandomRows(recipe, seed), trns, palette), recipe, palette);
}

void CompareWithLibpng(const TBytes& file, const TPngRecipe& recipe, const std::vector<png_color>& palette) {
  const TReference ref = ReadWithLibpng(file);
  TPNGObject png;
  LoadPng(png, file);
  const TChunkIHDR& header = png.Header();
  const TPngRaster& raster = header.ColorRaster();
  const auto lut = ExpectedLut(recipe.Gamma);
  ASSERT_EQ(png.Width(), recipe.Width);
  ASSERT_EQ(png.Height(), recipe.Height);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(png.GammaLut()[i], lut[i]);
  const bool wide = recipe.BitDepth == 16;
  const std::size_t wideRowBytes = raster.RowBytes;
  auto wideByte = [&](int x, int y, int i) {
    return header.WideSamplePlane().Data()[(raster.Height - 1 - y) * wideRowBytes +
                                           x * (recipe.ColorType == 2 || recipe.ColorType == 6 ? 3 : 1) + i];
  };
  for (int y = 0; y < recipe.Height; ++y)
    for (int x = 0; x < recipe.Width; ++x) {
      SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
      const int hi0 = wide ? ref.At(x, y, 0) >> 8 : ref.At(x, y, 0);
      switch (recipe.ColorType) {
        case 0:
          ASSERT_EQ(RasterPixel(raster, x, y), recipe.BitDepth == 2 ? hi0 * 5 : hi0);
          if (wide) {
            ASSERT_EQ(wideByte(x, y, 0), ref.At(x, y, 0) & 0xFF);
          }
          break;
        case 3: ASSERT_EQ(RasterPixel(raster, x, y), hi0); break;
        case 4:
          ASSERT_EQ(RasterPixel(raster, x, y), hi0);
          ASSERT_EQ(header.AlphaPlane().Data()[y * recipe.Width + x], wide ? ref.At(x, y, 1) >> 8 : ref.At(x, y, 1));
          if (wide) {
            ASSERT_EQ(wideByte(x, y, 0), ref.At(x, y, 0) & 0xFF);
          }
          break;
        default: {
          const std::uint8_t* p = raster.ImageRow(y) + 3 * x;
          for (int c = 0; c < 3; ++c) {
            const int sample = ref.At(x, y, c);
            ASSERT_EQ(p[2 - c], lut[wide ? sample >> 8 : sample]);
            if (wide) {
              ASSERT_EQ(wideByte(x, y, 2 - c), lut[sample & 0xFF]);
            }
          }
          if (recipe.ColorType == 6) {
            ASSERT_EQ(header.AlphaPlane().Data()[y * recipe.Width + x], wide ? ref.At(x, y, 3) >> 8 : ref.At(x, y, 3));
          }
        }
      }
    }
  // The palette the raster shows: the grey ramp through GammaLut, or PLTE through GammaLut.
  if (recipe.ColorType == 0 || recipe.ColorType == 4) {
    const int bits = raster.BitsPerPixel;
    for (int k = 0; k < (1 << bits); ++k) ASSERT_EQ(raster.Palette[k].Green, lut[k * 255 / ((1 << bits) - 1)]);
  }
  if (recipe.ColorType == 3)
    for (std::size_t i = 0; i < palette.size(); ++i) {
      ASSERT_EQ(raster.Palette[i].Red, lut[palette[i].red]);
      ASSERT_EQ(raster.Palette[i].Blue, lut[palette[i].blue]);
    }
}

TEST(PngDecode, EveryFormatMatchesLibpng) {
  std::uint32_t seed = 1;
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {13, 7}, {33, 17}};
  for (const TFormat& f : AllFormats)
    for (int interlace = 0; interlace <= 1; ++interlace)
      for (auto [w, h] : sizes)
        for (std::uint32_t gamma : {0u, 100000u}) {
          TPngRecipe recipe;
          recipe.Width = w;
          recipe.Height = h;
          recipe.ColorType = f.ColorType;
          recipe.BitDepth = f.BitDepth;
          recipe.Interlace = interlace;
          recipe.Gamma = gamma;
          recipe.WithTrns = (f.ColorType == 0 || f.ColorType == 2 || f.ColorType == 3) && seed % 2 == 0;
          CheckAgainstLibpng(recipe, seed++);
          if (HasFatalFailure()) return;
        }
}

TEST(PngDecode, LargeImagesSpanSeveralIdatChunksAndBlocks) {
  // libpng splits the data into 8 KiB IDAT chunks; 300 x 200 RGBA needs many of them.
  for (int interlace = 0; interlace <= 1; ++interlace) {
    TPngRecipe recipe{300, 200, 8, 6, interlace};
    CheckAgainstLibpng(recipe, 77);
    TPngRecipe wide{257, 131, 16, 2, interlace};
    CheckAgainstLibpng(wide, 78);
  }
}

TEST(PngDecode, EveryFilterSequence) {
  // Scan lines whose filter types run through every sequence of three (a de Bruijn sequence over
  // the five types), for each pixel width the unfilter code distinguishes.
  std::vector<int> filters;
  std::vector<int> word(4, 0);
  const auto deBruijn = [&](auto&& self, int t, int p) -> void {
    if (t > 3) {
      if (3 % p == 0)
        for (int i = 1; i <= p; ++i) filters.push_back(word[i]);
      return;
    }
    word[t] = word[t - p];
    self(self, t + 1, p);
    for (int j = word[t - p] + 1; j < 5; ++j) {
      word[t] = j;
      self(self, t + 1, t);
    }
  };
  deBruijn(deBruijn, 1, 1);
  filters.push_back(0);
  filters.push_back(0);
  for (auto [type, depth] : {std::pair{0, 8}, std::pair{0, 16}, std::pair{2, 8}, std::pair{6, 8}, std::pair{2, 16},
                             std::pair{6, 16}, std::pair{0, 1}, std::pair{4, 8}}) {
    TPngRecipe recipe{23, static_cast<int>(filters.size()), depth, type, 0};
    std::mt19937 random(static_cast<std::uint32_t>(type * 100 + depth));
    TBytes lines;
    for (int f : filters) {
      lines.push_back(static_cast<std::uint8_t>(f));
      for (std::size_t i = 0; i < PackedRowBytes(recipe); ++i) lines.push_back(static_cast<std::uint8_t>(random()));
    }
    const TBytes file = Concat({Signature(), Chunk("IHDR", IhdrData(23, recipe.Height, depth, type)),
                                Chunk("IDAT", Deflate(lines)), Chunk("IEND", {})});
    CompareWithLibpng(file, recipe, {});
  }
}

TEST(PngDecode, GammaTableValues) {
  TPNGObject png;
  png.SetGamma(45455);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(png.GammaLut()[i], i);
  png.SetGamma(100000);
  EXPECT_EQ(png.GammaLut()[128], 186);
  EXPECT_EQ(png.GammaLut()[64], 136);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(png.GammaLut()[png.InverseGammaLut()[png.GammaLut()[i]]], png.GammaLut()[i]);
  png.SetGamma(0);  // no effect
  EXPECT_EQ(png.GammaLut()[128], 186);
  png.Clear();
  EXPECT_EQ(png.GammaLut()[128], 128);
}

TEST(PngDecode, TwoBitSamples) {
  // Indexed: samples 3, 2, 1, 0 stay 3, 2, 1, 0 as 4-bit pixels. Grey: the pixel shows v x 85.
  for (int type : {3, 0}) {
    TPngRecipe recipe{4, 1, 2, type, 0};
    std::vector<png_color> palette(4, png_color{1, 2, 3});
    const TBytes file = WritePng(recipe, {TBytes{0b11100100}}, {}, type == 3 ? palette : std::vector<png_color>{});
    TPNGObject png;
    LoadPng(png, file);
    const TPngRaster& raster = png.Header().ColorRaster();
    ASSERT_EQ(raster.BitsPerPixel, 4);
    for (int x = 0; x < 4; ++x) {
      const int pixel = RasterPixel(raster, x, 0);
      if (type == 3) {
        EXPECT_EQ(pixel, 3 - x);
      } else {
        EXPECT_EQ(raster.Palette[pixel].Red, (3 - x) * 85);
      }
    }
  }
}

TEST(PngDecode, ShortImageDataLeavesRowsZero) {
  // A zlib stream that ends after two of four rows: the rest keeps its zero fill, no error.
  TBytes raw;
  for (int y = 0; y < 2; ++y) raw.insert(raw.end(), {0, 200, 200, 200});
  const TBytes file =
      Concat({Signature(), Chunk("IHDR", IhdrData(1, 4, 8, 2)), Chunk("IDAT", Deflate(raw)), Chunk("IEND", {})});
  TPNGObject png;
  LoadPng(png, file);
  const TPngRaster& raster = png.Header().ColorRaster();
  EXPECT_EQ(raster.ImageRow(1)[0], 200);
  EXPECT_EQ(raster.ImageRow(2)[0], 0);
  EXPECT_EQ(raster.ImageRow(3)[0], 0);
  EXPECT_EQ(raster.ImageRow(0)[3], 0);  // row padding
}

TEST(PngDecode, UndecodedRowsAreZeroAfterShortDataAndAfterFailure) {
  // Earlier pictures of the same size leave their memory to be reused for the next planes.
  for (int i = 0; i < 3; ++i) {
    TPNGObject filler;
    LoadPng(filler, Concat({Signature(), Chunk("IHDR", IhdrData(150, 400, 8, 6)),
                            Chunk("IDAT", Deflate(TBytes(601 * 400, 0x5A))), Chunk("IEND", {})}));
  }
  // The image data ends after two rows: no error, the rest is zero.
  TPNGObject partial;
  LoadPng(partial, Concat({Signature(), Chunk("IHDR", IhdrData(150, 400, 8, 6)),
                           Chunk("IDAT", Deflate(TBytes(601 * 2, 0x5A))), Chunk("IEND", {})}));
  EXPECT_EQ(partial.Header().ColorRaster().ImageRow(1)[0], 0x5A);
  for (int y = 2; y < 400; y += 37) {
    EXPECT_EQ(partial.Header().ColorRaster().ImageRow(y)[0], 0) << y;
    EXPECT_EQ(partial.Header().AlphaPlane().Data()[y * 150 + 149], 0) << y;
  }
  // The image data breaks off in the middle (the next chunk is not IDAT): an error, and zeros
  // below the rows decoded.
  std::mt19937 random(3);
  TBytes lines(601 * 400);
  for (auto& b : lines) b = static_cast<std::uint8_t>(random() % 7);
  for (std::size_t y = 0; y < 400; ++y) lines[y * 601] = 0;
  const TBytes packed = Deflate(lines);
  const TBytes half(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed.size() / 2));
  TPNGObject failed;
  EXPECT_THROW(LoadPng(failed, Concat({Signature(), Chunk("IHDR", IhdrData(150, 400, 8, 6)), Chunk("IDAT", half),
                                       Chunk("tEXt", {'a', 0}), Chunk("IEND", {})})),
               EPNGMissingMultipleIDAT);
  ASSERT_TRUE(failed.HasHeader());
  EXPECT_EQ(failed.Header().ColorRaster().ImageRow(399)[5], 0);
  EXPECT_EQ(failed.Header().AlphaPlane().Data()[399 * 150], 0);
}

TEST(PngDecode, InterlacedEdgeSizes) {
  // One pixel wide uses passes 1, 3, 5 and 7; one row high only those starting at row 0.
  for (auto [w, h] : {std::pair{1, 11}, std::pair{11, 1}, std::pair{2, 2}}) {
    TPngRecipe recipe{w, h, 8, 2, 1};
    CheckAgainstLibpng(recipe, 5);
    TPngRecipe sub{w, h, 1, 0, 1};
    CheckAgainstLibpng(sub, 6);
  }
}

}  // namespace
