// What hostile input may cost: memory for pictures that declare more than their data holds, the
// text of many compressed chunks, drawing huge indexed pictures, malformed bitmaps, extreme
// rectangles and image data that a zero-sized image would never look at.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <fstream>

#include "PngTestSupport.h"
#include "framework/Bitmap.h"
#include "framework/Graphics.h"
#include "pictures/PNGGraphic.h"

namespace {

// A field of /proc/self/status in bytes ("VmRSS", "VmSize"); -1 where the system has none, or
// where a sanitizer's own bookkeeping would be counted with the picture's memory.
std::int64_t ProcessMemory(const std::string& field) {
#if defined(__SANITIZE_ADDRESS__)
  return -1;
#endif
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1)) * 1024;
  return -1;
}

constexpr std::int64_t MiB = 1 << 20;

TBytes PictureDeclaring(std::uint32_t w, std::uint32_t h, int depth, int type, const TBytes& extra = {},
                        int interlace = 0) {
  return Concat({Signature(), Chunk("IHDR", IhdrData(w, h, depth, type, 0, 0, interlace)), extra,
                 Chunk("IDAT", Deflate({0, 1, 2, 3, 4})), Chunk("IEND", {})});
}

TEST(HostileInput, UndecodedRowsCostNoMemoryUntilDrawn) {
  if (ProcessMemory("VmRSS") < 0) GTEST_SKIP() << "memory not measurable here (no /proc, or a sanitizer)";
  const std::int64_t before = ProcessMemory("VmRSS");
  TPNGObject png;  // 16384 x 16384 RGBA: a gigabyte of planes, five bytes of image data
  LoadPng(png, PictureDeclaring(16384, 16384, 8, 6));
  EXPECT_LT(ProcessMemory("VmRSS") - before, 32 * MiB);
  TSurface surface(48, 40, 0xFF000000u);
  TCanvas canvas(surface);
  png.Draw(canvas, {0, 0, png.Width(), png.Height()});
  EXPECT_LT(ProcessMemory("VmRSS") - before, 32 * MiB);
  EXPECT_EQ(surface.At(47, 39), 0xFF000000u);  // undecoded rows are transparent black
}

TEST(HostileInput, DefaultImageLimitRefusesBeforeTouchingAndCanBeRaised) {
  // 65535 x 65535 grey: four gigabytes, far above any real picture.
  const std::int64_t before = ProcessMemory("VmSize");
  TPNGObject huge;
  EXPECT_THROW(LoadPng(huge, PictureDeclaring(65535, 65535, 8, 0)), EPNGOutMemory);
  if (before >= 0) {
    EXPECT_LT(ProcessMemory("VmSize") - before, 64 * MiB);
  }
  // An 8192 x 8192 RGBA photograph (and 16-bit RGB of that size) stays far below the default.
  EXPECT_GE(PngImageMemoryLimit(), 4 * (8192ull * 8192 * 4));
  TPNGObject photo;
  LoadPng(photo, PictureDeclaring(8192, 8192, 8, 6));
  EXPECT_EQ(photo.Width(), 8192);
  // A program may lower and raise the limit; what it lowers it to is refused.
  const std::uint64_t saved = PngImageMemoryLimit();
  SetPngImageMemoryLimit(100 * MiB);
  EXPECT_THROW(LoadPng(photo, PictureDeclaring(8192, 8192, 8, 6)), EPNGOutMemory);
  SetPngImageMemoryLimit(saved);
  LoadPng(photo, PictureDeclaring(8192, 8192, 8, 6));
}

TEST(HostileInput, ASecondHeaderAllocatesNoSecondImage) {
  if (ProcessMemory("VmSize") < 0) GTEST_SKIP() << "memory not measurable here (no /proc, or a sanitizer)";
  const TBytes header = Chunk("IHDR", IhdrData(4096, 4096, 8, 6));  // 64 MiB of planes
  const TBytes file =
      Concat({Signature(), header, header, header, Chunk("IDAT", Deflate({0, 1, 2, 3, 4})), Chunk("IEND", {})});
  const std::int64_t before = ProcessMemory("VmSize");
  TPNGObject png;
  LoadPng(png, file);
  EXPECT_LT(ProcessMemory("VmSize") - before, 96 * MiB);
  EXPECT_EQ(png.Header().ColorRaster().Width, 4096);
}

TEST(HostileInput, CompressedTextIsCappedForThePictureAsAWhole) {
  // Twenty chunks of a megabyte of text each: together no more than one picture's text budget.
  TBytes text = {'C', 'o', 'm', 0, 0};
  const TBytes packed = Deflate(TBytes(TChunkzTXt::MaxTextBytes, 'a'));
  text.insert(text.end(), packed.begin(), packed.end());
  TBytes chunks;
  for (int i = 0; i < 20; ++i) chunks = Concat({chunks, Chunk("zTXt", text)});
  TPNGObject png;
  LoadPng(png, PictureDeclaring(1, 1, 8, 0, chunks));
  std::size_t total = 0;
  for (int i = 0; i < png.Chunks().Count(); ++i)
    if (auto* z = dynamic_cast<TChunkzTXt*>(&png.Chunks().Item(i))) total += z->Text().size();
  EXPECT_LE(total, TChunkzTXt::MaxTextBytes);
  EXPECT_GE(total, TChunkzTXt::MaxTextBytes / 2);  // the first chunk keeps its text
}

TEST(HostileInput, DrawingAHugeIndexedPictureChecksOnlyThePixelsDrawn) {
  const TBytes plte = Chunk("PLTE", {255, 0, 0, 0, 255, 0});
  const TBytes trns = Chunk("tRNS", {0, 128});
  TPNGObject huge;  // 65535 x 65535, one bit per pixel, blended per pixel
  LoadPng(huge, PictureDeclaring(65535, 65535, 1, 3, Concat({plte, trns})));
  TSurface surface(48, 40, 0xFF000000u);
  TCanvas canvas(surface);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) huge.Draw(canvas, {0, 0, 65535, 65535});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4000));

  // Index 2 has no colour: it fails where it is drawn, and not where it lies outside the clip.
  TPNGObject bad;
  LoadPng(bad, Concat({Signature(), Chunk("IHDR", IhdrData(4, 1, 8, 3)), plte, trns,
                       Chunk("IDAT", Deflate({0, 1, 1, 1, 2})), Chunk("IEND", {})}));
  TSurface small(3, 1, 0xFF030303u);
  TCanvas clipped(small);
  bad.Draw(clipped, {0, 0, 4, 1});
  EXPECT_EQ(small.At(2, 0), 0xFF028102u);  // green at alpha 128 over grey 3
  TSurface wide(4, 1, 0xFF030303u);
  TCanvas whole(wide);
  EXPECT_THROW(bad.Draw(whole, {0, 0, 4, 1}), EPngError);
  EXPECT_EQ(wide.At(0, 0), 0xFF030303u);  // nothing drawn
}

// A 32-bit BMP file with BI_BITFIELDS masks (red, green, blue) after a 40-byte header.
TBytes BitfieldsBmp(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  TBytes out = {'B', 'M'};
  auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  le32(14 + 40 + 12 + 4);
  le32(0);
  le32(14 + 40 + 12);
  le32(40);
  le32(1);
  le32(1);
  out.insert(out.end(), {1, 0, 32, 0});
  le32(3);
  le32(4);
  for (int i = 0; i < 4; ++i) le32(0);
  le32(red);
  le32(green);
  le32(blue);
  out.insert(out.end(), {10, 20, 30, 40});
  return out;
}

TEST(HostileInput, BitfieldMasksThatRepeatOrOverlapAreRefused) {
  auto load = [](const TBytes& file) {
    TSpanStream stream(file);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    return bitmap.Surface().At(0, 0);
  };
  EXPECT_EQ(load(BitfieldsBmp(0xFF0000u, 0xFF00u, 0xFFu)), 0x281E140Au);
  EXPECT_EQ(load(BitfieldsBmp(0xFFu, 0xFF00u, 0xFF000000u)), 0x1E0A1428u);  // alpha in the byte left over
  for (auto masks : {std::array<std::uint32_t, 3>{0xFFu, 0xFFu, 0xFFu},
                     std::array<std::uint32_t, 3>{0xFF000000u, 0xFF000000u, 0xFF000000u},
                     std::array<std::uint32_t, 3>{0xFF0000u, 0xFF0000u, 0xFFu}}) {
    try {
      load(BitfieldsBmp(masks[0], masks[1], masks[2]));
      ADD_FAILURE() << std::hex << masks[0] << " " << masks[1] << " " << masks[2];
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
  }
}

TEST(HostileInput, RectanglesWiderThanAnIntDrawBitmapsWithoutOverflow) {
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  bitmap.Surface().Pixels = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu};
  TSurface surface(2, 2, 0xFF000000u);
  TCanvas canvas(surface);
  // The rectangle's right half starts at 0, so the canvas shows the bitmap's right column and
  // (vertically) its bottom row.
  bitmap.Draw(canvas, {-2000000000, -2000000000, 2000000000, 2000000000});
  EXPECT_EQ(surface.At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(surface.At(1, 1), 0xFFFFFFFFu);
  TPNGGraphic alpha;
  alpha.SetSize(2, 1);
  alpha.SetPixelFormat(pf32bit);
  alpha.Surface().Pixels = {0xFF0000FFu, 0xFF00FF00u};
  alpha.Draw(canvas, {INT_MIN, 0, INT_MAX, 1});
  EXPECT_EQ(surface.At(0, 0) & 0xFFFFFF, 0x00FF00u);
}

TEST(HostileInput, ZeroSizedImagesStillCheckTheirImageData) {
  const TBytes bad = Chunk("IDAT", {1, 2, 3, 4});
  for (auto [w, h, interlace] : {std::tuple{0u, 2u, 0}, std::tuple{0u, 2u, 1}, std::tuple{3u, 0u, 0}}) {
    TPNGObject png;
    EXPECT_THROW(LoadPng(png, Concat({Signature(), Chunk("IHDR", IhdrData(w, h, 8, 2, 0, 0, interlace)), bad,
                                      Chunk("IEND", {})})),
                 EPNGZLIBError)
        << w << "x" << h;
  }
  // Sound data for a zero-width image loads.
  TPNGObject empty;
  LoadPng(empty, Concat({Signature(), Chunk("IHDR", IhdrData(0, 2, 8, 2)), Chunk("IDAT", Deflate({0, 0})),
                         Chunk("IEND", {})}));
  EXPECT_EQ(empty.Width(), 0);
}

}  // namespace
