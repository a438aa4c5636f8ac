#include "framework/FontEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr TPixel kBackground = 0xFF5E5E60;

TFontEngine& Engine() { return TFontEngine::Instance(); }

const TFontDesc kHei21{"黑体", 21};
const TFontDesc kHei30{"黑体", 30};
const TFontDesc kSong16{"宋体", 16};
const TFontDesc kSong16Bold{"宋体", 16, true};
const TFontDesc kTahoma11{"Tahoma", 11};

// The smallest rectangle holding every pixel that differs from the background.
TRect InkBounds(const TSurface& s) {
  TRect ink;
  for (int y = 0; y < s.Height; ++y) {
    for (int x = 0; x < s.Width; ++x) {
      if (s.At(x, y) != kBackground) ink = ink.Union(Bounds(x, y, 1, 1));
    }
  }
  return ink;
}

TSurface Draw(const TFontDesc& desc, std::string_view text, int x = 10, int y = 10, TColor color = clWhite) {
  TSurface s(400, 80, kBackground);
  Engine().DrawText(s, s.BoundsRect(), x, y, desc, text, color);
  return s;
}

}  // namespace

TEST(FontEngineFaces, WindowFacesResolveThroughAliases) {
  EXPECT_EQ(Engine().FaceInfo(kHei21).Family, "WenQuanYi Zen Hei");
  EXPECT_EQ(Engine().FaceInfo({"SimHei", 21}).Family, "WenQuanYi Zen Hei");
  EXPECT_EQ(Engine().FaceInfo({"simhei", 21}).Family, "WenQuanYi Zen Hei");
  EXPECT_EQ(Engine().FaceInfo(kSong16).Family, "AR PL UMing CN");
  EXPECT_EQ(Engine().FaceInfo({"SimSun", 16}).Family, "AR PL UMing CN");
  EXPECT_EQ(Engine().FaceInfo(kTahoma11).Family, "DejaVu Sans");
  EXPECT_FALSE(Engine().FaceInfo({"No Such Face Anywhere", 16}).Family.empty());
}

TEST(FontEngineFaces, BoldPrefersARealBoldFace) {
  const TFontFaceInfo tahomaBold = Engine().FaceInfo({"Tahoma", 11, true});
  EXPECT_NE(tahomaBold.File, Engine().FaceInfo(kTahoma11).File);
  EXPECT_FALSE(tahomaBold.SyntheticBold);
  // The Ming face has no bold member, so bold is synthesised on the regular face.
  const TFontFaceInfo songBold = Engine().FaceInfo(kSong16Bold);
  EXPECT_EQ(songBold.File, Engine().FaceInfo(kSong16).File);
  EXPECT_TRUE(songBold.SyntheticBold);
  EXPECT_FALSE(Engine().FaceInfo(kSong16).SyntheticBold);
}

TEST(FontEngineMetrics, HeightIsTheCharacterHeight) {
  const TFontDesc descs[] = {{"黑体", 16}, kHei21,      kHei30,    {"宋体", 14},        {"宋体", 14, true},
                             kSong16,      kSong16Bold, kTahoma11, {"Tahoma", 11, true}};
  for (const TFontDesc& desc : descs) {
    SCOPED_TRACE(desc.Name + " " + std::to_string(desc.Height) + (desc.Bold ? " bold" : ""));
    const TTextMetrics& m = Engine().Metrics(desc);
    EXPECT_EQ(m.Height, desc.Height);
    EXPECT_EQ(m.Ascent + m.Descent, m.Height);
    EXPECT_GT(m.Ascent, m.Descent);
    EXPECT_GT(m.Descent, 0);
    EXPECT_GE(m.InternalLeading, 0);
    EXPECT_LT(m.InternalLeading, m.Height);
    EXPECT_GT(m.AveCharWidth, 0);
    EXPECT_GE(m.MaxCharWidth, m.AveCharWidth);
    EXPECT_EQ(Engine().TextExtent(desc, "Ag总").Y, desc.Height);
  }
}

// Every height and style of a font file is drawn from one open file, which is read rather than
// mapped (a mapped CJK file costs megabytes of resident memory).
TEST(FontEngineFaces, EveryHeightAndStyleOfAFileSharesOneReadFile) {
#ifdef _WIN32
  GTEST_SKIP() << "the process's mappings and open files are read from Linux's /proc";
#endif
  TSurface s(100, 30);
  for (const TFontDesc& desc : {kSong16, kSong16Bold, TFontDesc{"宋体", 14, true}}) {
    Engine().DrawText(s, s.BoundsRect(), 0, 0, desc, "总长度: ×", clWhite);
  }
  const std::filesystem::path file = Engine().FaceInfo(kSong16).File;
  std::ifstream maps("/proc/self/maps");
  if (!maps || !std::filesystem::exists("/proc/self/fd")) GTEST_SKIP() << "no view of the process's files";
  int mappings = 0;
  for (std::string line; std::getline(maps, line);) mappings += line.ends_with(" " + file.string()) ? 1 : 0;
  EXPECT_EQ(mappings, 0);
  int opened = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    opened += std::filesystem::read_symlink(fd.path(), error) == file ? 1 : 0;
  }
  EXPECT_EQ(opened, 1);
}

TEST(FontEngineMetrics, HeightsOutsideTheUsableRangeAreClamped) {
  EXPECT_EQ(Engine().Metrics({"宋体", 0}).Height, TFontEngine::MinHeight);
  EXPECT_EQ(Engine().Metrics({"宋体", -12}).Height, TFontEngine::MinHeight);
  EXPECT_EQ(Engine().Metrics({"宋体", 1 << 30}).Height, TFontEngine::MaxHeight);
}

TEST(FontEngineMeasure, WindowTextsKeepTheirLaidOutWidths) {
  EXPECT_EQ(Engine().TextWidth(kHei21, "0"), 11);
  const int digits = Engine().TextWidth(kHei21, "656");
  EXPECT_GE(digits, 32);
  EXPECT_LE(digits, 34);
  EXPECT_EQ(Engine().TextExtent(kHei21, "656"), (TPoint{digits, 21}));
  EXPECT_NEAR(Engine().TextWidth(kSong16, "总长度:"), 56, 2);
  EXPECT_NEAR(Engine().TextWidth(kSong16, "分段:"), 40, 2);
  EXPECT_NEAR(Engine().TextWidth(kSong16, "理石缝:"), 56, 2);
  EXPECT_GT(Engine().TextWidth(kHei30, "3"), Engine().TextWidth(kHei21, "3"));
}

TEST(FontEngineMeasure, WidthIsTheSumOfAdvances) {
  const int whole = Engine().TextWidth(kSong16Bold, "-= Orvanta =-");
  int parts = 0;
  for (std::string_view part : {"-= ", "Orvanta", " =-"}) parts += Engine().TextWidth(kSong16Bold, part);
  EXPECT_EQ(whole, parts);
  // Synthetic bold thickens every stroke by a pixel and widens every advance to match.
  EXPECT_EQ(whole, Engine().TextWidth(kSong16, "-= Orvanta =-") + 13);
}

TEST(FontEngineMeasure, MalformedUtf8MeasuresAsReplacementCharacters) {
  EXPECT_EQ(Engine().TextWidth(kSong16, ""), 0);
  const int replacement = Engine().TextWidth(kSong16, "\xEF\xBF\xBD");
  EXPECT_GT(replacement, 0);
  EXPECT_EQ(Engine().TextWidth(kSong16, "\xFF"), replacement);
  // A truncated three-byte sequence: each byte stands alone.
  EXPECT_EQ(Engine().TextWidth(kSong16, "\xE6\x80"), 2 * replacement);
  // An overlong encoding of "/" is not read as "/".
  EXPECT_EQ(Engine().TextWidth(kSong16, "\xC0\xAF"), 2 * replacement);
  EXPECT_EQ(Engine().TextWidth(kSong16,
                               "a\xFF"
                               "b"),
            Engine().TextWidth(kSong16, "ab") + replacement);
}

TEST(FontEngineFallback, MissingGlyphsComeFromAFaceThatHasThem) {
  // The sans face has no full-width minus; a CJK face supplies it at the same height.
  const std::string family = Engine().GlyphFamily(kTahoma11, U'－');
  EXPECT_FALSE(family.empty());
  EXPECT_NE(family, "DejaVu Sans");
  EXPECT_GT(Engine().TextWidth(kTahoma11, "－"), Engine().TextWidth(kTahoma11, "-"));
  EXPECT_FALSE(InkBounds(Draw(kTahoma11, "－")).IsEmpty());
  // Glyphs the face has come from the face itself.
  EXPECT_EQ(Engine().GlyphFamily(kSong16Bold, U'×'), "AR PL UMing CN");
  EXPECT_EQ(Engine().GlyphFamily(kSong16, U'总'), "AR PL UMing CN");
}

TEST(FontEngineDraw, InkLiesInTheCharacterCellFromTheOrigin) {
  for (const TFontDesc& desc : {kHei21, kHei30, kSong16, kSong16Bold}) {
    SCOPED_TRACE(desc.Name + " " + std::to_string(desc.Height));
    const std::string text = "2000 656 总长度: × ↑";
    const TRect ink = InkBounds(Draw(desc, text, 10, 12));
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Top, 12);
    EXPECT_LE(ink.Bottom, 12 + desc.Height);
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Left, 12);
    EXPECT_LE(ink.Right, 10 + Engine().TextWidth(desc, text) + 1);
  }
}

TEST(FontEngineDraw, CoverageBlendsTowardsTheColour) {
  const TSurface s = Draw(kHei30, "总", 10, 10, clRed);
  const TPixel red = PixelFromColor(clRed);
  bool solid = false;
  bool partial = false;
  for (TPixel p : s.Pixels) {
    if (p == kBackground) continue;
    solid |= p == red;
    const int r = (p >> 16) & 0xFF;
    const int g = (p >> 8) & 0xFF;
    const int b = p & 0xFF;
    partial |= r > 0x5E && r < 0xFF && g > 0 && g < 0x5E;
    // Every touched pixel lies between the background (0x5E, 0x5E, 0x60) and red.
    EXPECT_GE(r, 0x5E);
    EXPECT_LE(g, 0x5E);
    EXPECT_LE(b, 0x60);
    EXPECT_EQ(p >> 24, 0xFFu);
  }
  EXPECT_TRUE(solid);
  EXPECT_TRUE(partial);
}

TEST(FontEngineDraw, OutputDependsOnlyOnPosition) {
  const std::string text = "分段: 656 ×";
  const TSurface first = Draw(kSong16Bold, text, 5, 5);
  const TSurface again = Draw(kSong16Bold, text, 5, 5);
  EXPECT_EQ(first.Pixels, again.Pixels);
  const TSurface moved = Draw(kSong16Bold, text, 12, 9);
  for (int y = 0; y + 4 < first.Height; ++y) {
    for (int x = 0; x + 7 < first.Width; ++x) ASSERT_EQ(first.At(x, y), moved.At(x + 7, y + 4)) << x << "," << y;
  }
}

TEST(FontEngineDraw, AHeightDrawsTheSameWhicheverHeightOfItsFaceWasUsedLast) {
  const std::string text = "总长度: 2500 ×";
  const TFontDesc song14Bold{"宋体", 14, true};
  TFontEngine alone;
  TSurface expected(200, 30, kBackground);
  alone.DrawText(expected, expected.BoundsRect(), 2, 2, kSong16, text, clWhite);

  TFontEngine mixed;
  mixed.Metrics(kSong16);
  TSurface other(200, 30, kBackground);
  mixed.DrawText(other, other.BoundsRect(), 2, 2, song14Bold, text, clWhite);
  TSurface drawn(200, 30, kBackground);
  mixed.DrawText(drawn, drawn.BoundsRect(), 2, 2, kSong16, text, clWhite);
  EXPECT_EQ(drawn.Pixels, expected.Pixels);
  EXPECT_NE(other.Pixels, expected.Pixels);
}

TEST(FontEngineDraw, OnlyPixelsInsideTheClipChange) {
  TSurface s(200, 60, kBackground);
  const TRect clip{30, 15, 70, 25};
  Engine().DrawText(s, clip, 10, 10, kHei21, "2000 656", clWhite);
  const TRect ink = InkBounds(s);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_EQ(ink.Union(clip), clip);

  // A clip reaching past the surface and text starting off its left edge.
  TSurface small(20, 10, kBackground);
  Engine().DrawText(small, {-50, -50, 500, 500}, -15, -5, kHei30, "2000", clWhite);
  EXPECT_FALSE(InkBounds(small).IsEmpty());
  TSurface untouched(20, 10, kBackground);
  Engine().DrawText(untouched, {5, 5, 5, 9}, 0, 0, kHei30, "2000", clWhite);
  EXPECT_TRUE(InkBounds(untouched).IsEmpty());
}

TEST(FontEngineDraw, UnderlineAndStrikeOutRunTheTextWidth) {
  const std::string text = "总长度:";
  const int width = Engine().TextWidth(kSong16, text);
  const TSurface plain = Draw(kSong16, text);
  for (bool underline : {true, false}) {
    SCOPED_TRACE(underline ? "underline" : "strike-out");
    TFontDesc desc = kSong16;
    desc.Underline = underline;
    desc.StrikeOut = !underline;
    const TSurface lined = Draw(desc, text);
    int solidRows = 0;
    for (int y = 0; y < lined.Height; ++y) {
      bool solid = true;
      for (int x = 10; x < 10 + width; ++x) solid &= lined.At(x, y) == PixelFromColor(clWhite);
      if (!solid) continue;
      ++solidRows;
      EXPECT_EQ(lined.At(9, y), plain.At(9, y));
      EXPECT_EQ(lined.At(10 + width, y), plain.At(10 + width, y));
      const int baseline = 10 + Engine().Metrics(kSong16).Ascent;
      EXPECT_EQ(y >= baseline, underline) << y;
      EXPECT_LT(y, 10 + 16);
    }
    EXPECT_GE(solidRows, 1);
  }
}
