#include "framework/GlyphStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/Hash.h"
#include "framework/FontEngine.h"

namespace {

constexpr size_t kBodyAt = 20;  // magic, format, checksum

TGlyphStore SmallStore() {
  TGlyphStore store;
  store.Stamp = "stamp-1";
  store.Files.push_back({"/fonts/a.ttf", 1234, 5678});
  TStoredFont& font = store.Fonts.emplace_back();
  font.Desc = {"宋体", 16, true, false, true, false};
  font.HasFace = true;
  font.Metrics = {16, 14, 2, 1, 8, 16};
  font.Lines = {2, 1, 5, 1};
  font.Glyphs[U'0'] = {8, 1, 12, 3, 2, {0, 128, 255, 1, 2, 3}};
  font.Glyphs[U'总'] = {16, 0, 13, 0, 0, {}};
  store.Fonts.push_back({{"NoSuchFace", 11}, false, {11, 8, 3, 0, 6, 6}, {}, {}});
  return store;
}

// A changed body with its checksum made right again: what a hostile file would look like.
std::string Resealed(std::string bytes) {
  const std::uint64_t sum = Hash64(std::string_view(bytes).substr(kBodyAt));
  for (int i = 0; i < 8; ++i) bytes[12 + i] = static_cast<char>(sum >> (8 * i));
  return bytes;
}

std::filesystem::path TempPath(const std::string& name) {
  return std::filesystem::temp_directory_path() / ("orvanta-glyph-store-test-" + name);
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(GlyphStoreFile, RoundTripsAndRefusesEveryDamagedOrTruncatedCopy) {
  const std::string bytes = EncodeGlyphStore(SmallStore());
  const std::optional<TGlyphStore> decoded = DecodeGlyphStore(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(EncodeGlyphStore(*decoded), bytes);
  EXPECT_EQ(decoded->Fonts[0].Glyphs.at(U'0').Coverage, (std::vector<std::uint8_t>{0, 128, 255, 1, 2, 3}));
  EXPECT_EQ(decoded->Fonts[0].Desc, SmallStore().Fonts[0].Desc);

  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(DecodeGlyphStore(std::string_view(bytes).substr(0, size))) << size;
  }
  EXPECT_FALSE(DecodeGlyphStore(bytes + '\0'));
  for (size_t at = 0; at < bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
    EXPECT_FALSE(DecodeGlyphStore(damaged)) << at;
  }
}

TEST(GlyphStoreFile, ValuesOutOfRangeFailEvenUnderARightChecksum) {
  const std::string bytes = EncodeGlyphStore(SmallStore());
  const size_t stamp = kBodyAt + 4 + SmallStore().Stamp.size();
  const size_t fileCount = stamp;
  const size_t fontCount = fileCount + 4 + 4 + std::string("/fonts/a.ttf").size() + 16;
  const size_t name = fontCount + 4;
  const size_t height = name + 4 + std::string("宋体").size();
  const size_t glyphCount = height + 4 + 2 + 40;
  const size_t firstGlyphWidth = glyphCount + 4 + 4 + 12;
  auto patched = [&](size_t at, std::initializer_list<unsigned char> values) {
    std::string copy = bytes;
    for (unsigned char v : values) copy[at++] = static_cast<char>(v);
    return Resealed(copy);
  };
  ASSERT_TRUE(DecodeGlyphStore(Resealed(bytes)));
  EXPECT_EQ(patched(firstGlyphWidth, {3, 0}), bytes);  // the offsets above point where they should

  // Counts beyond what the bytes could hold fail before anything is allocated for them.
  EXPECT_FALSE(DecodeGlyphStore(patched(fileCount, {0xFF, 0xFF, 0xFF, 0xFF})));
  EXPECT_FALSE(DecodeGlyphStore(patched(fontCount, {0xFF, 0xFF, 0xFF, 0x7F})));
  EXPECT_FALSE(DecodeGlyphStore(patched(glyphCount, {0xFF, 0xFF, 0, 0})));
  // A glyph larger than the bytes left, or larger than any glyph can be.
  EXPECT_FALSE(DecodeGlyphStore(patched(firstGlyphWidth, {0xFF, 0x1F, 0xFF, 0x1F})));
  EXPECT_FALSE(DecodeGlyphStore(patched(firstGlyphWidth, {0xFF, 0xFF, 1, 0})));
  // Heights outside the engine's range, positions far enough out to overflow, unknown styles,
  // a text longer than any path.
  EXPECT_FALSE(DecodeGlyphStore(patched(height, {0, 0, 0, 0})));
  EXPECT_FALSE(DecodeGlyphStore(patched(height, {0x01, 0x04, 0, 0})));
  EXPECT_FALSE(DecodeGlyphStore(patched(firstGlyphWidth - 12, {0xFF, 0xFF, 0xFF, 0x7F})));
  EXPECT_FALSE(DecodeGlyphStore(patched(height + 4, {0x10})));
  EXPECT_FALSE(DecodeGlyphStore(patched(name, {0xFF, 0xFF, 0xFF, 0xFF})));
  // Another format version.
  EXPECT_FALSE(DecodeGlyphStore(patched(8, {2, 0, 0, 0})));
}

TEST(GlyphStoreFile, ReadOnlyUnderTheSameStampWithUnchangedFontFiles) {
  const auto font = TempPath("font");
  const auto path = TempPath("store");
  WriteBytes(font, "a font file");
  TGlyphStore store = SmallStore();
  store.Files = {*StoredFileNow(font.string())};
  ASSERT_TRUE(WriteGlyphStore(path.string(), store));
  EXPECT_FALSE(std::filesystem::exists(path.string() + ".partial"));

  EXPECT_TRUE(ReadGlyphStore(path.string(), "stamp-1"));
  EXPECT_FALSE(ReadGlyphStore(path.string(), "stamp-2"));
  EXPECT_FALSE(ReadGlyphStore(TempPath("missing").string(), "stamp-1"));
  WriteBytes(font, "a font file, changed");
  EXPECT_FALSE(ReadGlyphStore(path.string(), "stamp-1"));
  std::filesystem::remove(font);
  EXPECT_FALSE(ReadGlyphStore(path.string(), "stamp-1"));
  // A store that cannot be written says so.
  EXPECT_FALSE(WriteGlyphStore((path / "under-a-file").string(), store));
  std::filesystem::remove(path);
}

// Fonts and glyphs kept by one engine draw the same pixels in the next, from the store.
TEST(GlyphStoreEngine, StoredTextDrawsTheSamePixelsAndComesFromTheStore) {
  const auto path = TempPath("engine").string();
  std::filesystem::remove(path);
  const std::vector<std::pair<TFontDesc, std::string>> texts{{{"宋体", 16}, "总长度: 1234.5"},
                                                             {{"黑体", 21, true}, "缝宽 0"},
                                                             {{"Tahoma", 11, false, false, true}, "Ag"},
                                                             {{"宋体", 16, false, true, false, true}, "毫米"},
                                                             {{"NoSuchFaceAtAll", 12}, "x"}};
  auto drawAll = [&](TFontEngine& engine) {
    std::vector<TSurface> drawn;
    for (const auto& [desc, text] : texts) {
      TSurface& s = drawn.emplace_back(200, 40, 0xFF102030);
      engine.DrawText(s, s.BoundsRect(), 3, 4, desc, text, clWhite);
      EXPECT_EQ(engine.TextWidth(desc, text), TFontEngine::Instance().TextWidth(desc, text)) << text;
      EXPECT_EQ(engine.Metrics(desc).Ascent, TFontEngine::Instance().Metrics(desc).Ascent) << text;
    }
    return drawn;
  };

  std::vector<TSurface> first;
  {
    TFontEngine engine;
    engine.UseGlyphStore(path, "s");
    first = drawAll(engine);
    EXPECT_TRUE(engine.SaveGlyphStore());
    EXPECT_FALSE(engine.SaveGlyphStore());  // nothing new since
  }
  {
    TFontEngine engine;
    engine.UseGlyphStore(path, "s");
    const std::vector<TSurface> again = drawAll(engine);
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(again[i].Pixels, first[i].Pixels) << texts[i].second;
    EXPECT_FALSE(engine.SaveGlyphStore());
  }

  // A glyph changed in the store draws changed: the text came from the store, not the faces.
  std::optional<TGlyphStore> store = ReadGlyphStore(path, "s");
  ASSERT_TRUE(store);
  for (TStoredFont& font : store->Fonts) {
    if (font.Desc == texts[0].first) font.Glyphs.at(U'1') = {30, 0, 10, 2, 2, {255, 255, 255, 255}};
  }
  ASSERT_TRUE(WriteGlyphStore(path, *store));
  {
    TFontEngine engine;
    engine.UseGlyphStore(path, "s");
    EXPECT_EQ(engine.TextWidth(texts[0].first, "1"), 30);
    // A character the store lacks opens the faces and draws as it always does.
    EXPECT_EQ(engine.TextWidth(texts[0].first, "9"), TFontEngine::Instance().TextWidth(texts[0].first, "9"));
    EXPECT_TRUE(engine.SaveGlyphStore());
  }
  // Under another stamp nothing stored is used.
  TFontEngine engine;
  engine.UseGlyphStore(path, "other");
  EXPECT_EQ(engine.TextWidth(texts[0].first, "1"), TFontEngine::Instance().TextWidth(texts[0].first, "1"));
  std::filesystem::remove(path);
}
