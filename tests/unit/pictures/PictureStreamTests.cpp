// Picture streams through TPicture and the registry, the BMP reader, streams, and writing and
// copying TPNGObject.
#include <gtest/gtest.h>

#include "PngTestSupport.h"
#include "framework/Bitmap.h"
#include "framework/Picture.h"
#include "pictures/PNGGraphic.h"

namespace {

TBytes Tagged(const std::string& className, const TBytes& data) {
  TBytes out = {static_cast<std::uint8_t>(className.size())};
  out.insert(out.end(), className.begin(), className.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

TBytes SmallPng() {
  return Concat(
      {Signature(), Chunk("IHDR", IhdrData(3, 2, 8, 6)),
       Chunk("IDAT", Deflate({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})),
       Chunk("IEND", {})});
}

TBytes Le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

// A BMP file: info header fields, palette, rows as given (already padded).
TBytes Bmp(int w, int h, int bits, const TBytes& palette, const TBytes& rows, int colorsUsed = 0) {
  const std::uint32_t offset = 54 + static_cast<std::uint32_t>(palette.size());
  TBytes out = {'B', 'M'};
  auto add = [&](const TBytes& b) { out.insert(out.end(), b.begin(), b.end()); };
  add(Le32(offset + static_cast<std::uint32_t>(rows.size())));
  add(Le32(0));
  add(Le32(offset));
  add(Le32(40));
  add(Le32(static_cast<std::uint32_t>(w)));
  add(Le32(static_cast<std::uint32_t>(h)));
  add({1, 0, static_cast<std::uint8_t>(bits), 0});
  add(Le32(0));
  add(Le32(static_cast<std::uint32_t>(rows.size())));
  add(Le32(0));
  add(Le32(0));
  add(Le32(static_cast<std::uint32_t>(colorsUsed)));
  add(Le32(0));
  add(palette);
  add(rows);
  return out;
}

TEST(PictureStream, ReadsRegisteredClassesByExactName) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  TMemoryStream stream(Tagged("TPNGObject", SmallPng()));
  picture.ReadData(stream);
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TPNGObject");
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(picture.Height(), 2);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(stream.Position(), stream.Size());  // reading stops after IEND

  // Letter case matters: an unknown name gives an empty picture and no error.
  TMemoryStream unknown(Tagged("TPngObject", SmallPng()));
  picture.ReadData(unknown);
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(changes, 2);
}

TEST(PictureStream, FailingReadKeepsTheHolderAndPassesTheErrorOn) {
  TPicture picture;
  TMemoryStream good(Tagged("TPNGObject", SmallPng()));
  picture.ReadData(good);
  TGraphic* before = picture.Graphic();
  TBytes broken = SmallPng();
  broken[20] ^= 1;  // inside IHDR: CRC error
  TMemoryStream bad(Tagged("TPNGObject", broken));
  EXPECT_THROW(picture.ReadData(bad), EPngInvalidCRC);
  EXPECT_EQ(picture.Graphic(), before);
}

TEST(PictureStream, MostRecentRegistrationWins) {
  struct TFake : TBitmap {
    const char* ClassName() const override { return "TPNGObject"; }
    void ReadData(TStream&) override { SetSize(7, 7); }
  };
  RegisterFileFormat<TFake>("fake", "A stand-in", "TPNGObject");
  TPicture picture;
  TMemoryStream stream(Tagged("TPNGObject", SmallPng()));
  picture.ReadData(stream);
  EXPECT_EQ(picture.Width(), 7);
  UnregisterFileFormat("TPNGObject");
  TMemoryStream again(Tagged("TPNGObject", SmallPng()));
  picture.ReadData(again);
  EXPECT_EQ(picture.Graphic(), nullptr);
  RegisterPictureClasses();  // back to the start-up state (chunk classes are registered once)
  ASSERT_NE(TFileFormatsList::Instance().FindClassName("TPNGObject"), nullptr);
  EXPECT_EQ(TFileFormatsList::Instance().FindClassName("TPNGObject")->Extension, "PNG");
  EXPECT_EQ(TFileFormatsList::Instance().FindClassName("TPNGObject")->Description, "Portable Network Graphics");
}

TEST(PictureStream, AlphaBitmapStoredForm) {
  const TBytes rows = {10, 20, 30, 128, 40, 50, 60, 255};  // one row of two 32-bit pixels
  const TBytes file = Bmp(2, 1, 32, {}, rows);
  TBytes data = Le32(static_cast<std::uint32_t>(file.size()));
  data.insert(data.end(), file.begin(), file.end());
  data.push_back(0xEE);  // what follows the picture stays unread
  TPicture picture;
  TMemoryStream stream(Tagged("TPNGGraphic", data));
  picture.ReadData(stream);
  auto* graphic = dynamic_cast<TPNGGraphic*>(picture.Graphic());
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->PixelFormat(), pf32bit);
  EXPECT_EQ(graphic->Surface().At(0, 0), 0x801E140Au);
  EXPECT_EQ(stream.Remaining(), 1);
  // Written back and read again it is the same bitmap.
  TMemoryStream out;
  ASSERT_TRUE(picture.WriteData(out));
  out.SetPosition(0);
  TPicture copy;
  copy.ReadData(out);
  ASSERT_NE(copy.Graphic(), nullptr);
  EXPECT_EQ(dynamic_cast<TPNGGraphic*>(copy.Graphic())->Surface().Pixels, graphic->Surface().Pixels);
  // Length 0: an empty bitmap. A file not starting with "BM" fails.
  TMemoryStream empty(Tagged("TPNGGraphic", Le32(0)));
  picture.ReadData(empty);
  EXPECT_TRUE(picture.Empty());
  TBytes notBmp = Le32(4);
  notBmp.insert(notBmp.end(), {'X', 'M', 0, 0});
  TMemoryStream invalid(Tagged("TPNGGraphic", notBmp));
  try {
    picture.ReadData(invalid);
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Bitmap image is not valid");
  }
  TPicture nothing;
  TMemoryStream none;
  EXPECT_FALSE(nothing.WriteData(none));
  EXPECT_EQ(none.Size(), 0);
}

TEST(BitmapReader, EveryBitDepthAndRowOrder) {
  const TBytes palette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red, green, blue
  struct TCase {
    int Bits;
    TBytes Rows;  // bottom row first: (0 1 / 2 0) as indices, or colours
  };
  const TCase cases[] = {
      {1, {0x00, 0, 0, 0, 0x40, 0, 0, 0}},  // 1-bit cannot hold index 2: rows are (0 1) and (0 0)
      {4, {0x20, 0, 0, 0, 0x01, 0, 0, 0}},
      {8, {2, 0, 0, 0, 0, 1, 0, 0}},
  };
  for (const TCase& c : cases) {
    TBitmap bitmap;
    const TBytes file = Bmp(2, 2, c.Bits, palette, c.Rows, 3);
    TSpanStream stream(file);
    bitmap.LoadFromStream(stream);
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Surface().At(0, 0), 0xFFFF0000u) << c.Bits;  // top row: index 0
    EXPECT_EQ(bitmap.Surface().At(1, 0), 0xFF00FF00u) << c.Bits;  // index 1
    EXPECT_EQ(bitmap.Surface().At(0, 1), c.Bits == 1 ? 0xFFFF0000u : 0xFF0000FFu) << c.Bits;
  }
  // 24-bit, top-down (negative height), rows padded to 4 bytes.
  TBytes file = Bmp(1, 2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0});
  file[22] = 0xFE, file[23] = 0xFF, file[24] = 0xFF, file[25] = 0xFF;  // height -2
  TBitmap topDown;
  TSpanStream stream(file);
  topDown.LoadFromStream(stream);
  EXPECT_EQ(topDown.Surface().At(0, 0), 0xFF030201u);
  EXPECT_EQ(topDown.Surface().At(0, 1), 0xFF060504u);
  EXPECT_EQ(topDown.PixelFormat(), pf24bit);
  EXPECT_EQ(topDown.TransparentColor(), RGB(6, 5, 4));  // the bottom-left pixel
  // Rows missing from the file: a read error, not a read past the end.
  TBytes truncated = Bmp(100, 100, 24, {}, {1, 2, 3});
  TSpanStream shortStream(truncated);
  TBitmap b;
  EXPECT_THROW(b.LoadFromStream(shortStream), EReadError);
  TBytes badDepth = Bmp(1, 1, 16, {}, {0, 0, 0, 0});
  TSpanStream badStream(badDepth);
  EXPECT_THROW(b.LoadFromStream(badStream), EInvalidGraphic);
}

TEST(BitmapReader, ResourcesByName) {
  static const TBytes arrow = Bmp(1, 1, 24, {}, {9, 8, 7, 0});
  // Registered without the file header, as built-in bitmaps are.
  static const TBytes bare(arrow.begin() + 14, arrow.end());
  RegisterBitmapResource("ARROW", arrow);
  RegisterBitmapResource("BARE", bare);
  TBitmap b;
  b.LoadFromResourceName("ARROW");
  EXPECT_EQ(b.Surface().At(0, 0), 0xFF070809u);
  b.LoadFromResourceName("BARE");
  EXPECT_EQ(b.Surface().At(0, 0), 0xFF070809u);
  EXPECT_THROW(b.LoadFromResourceName("MISSING"), EResNotFound);
}

TEST(Streams, ReadsWritesAndSeeks) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  EXPECT_EQ(m.Size(), 3);
  m.Seek(10, soBeginning);
  char c[4] = {};
  EXPECT_EQ(m.Read(c, 1), 0u);
  EXPECT_EQ(m.Remaining(), 0);
  m.SetPosition(1);
  try {
    m.ReadBuffer(c, 3);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  const std::uint8_t bytes[] = {1, 2};
  TSpanStream span(bytes);
  EXPECT_EQ(span.Write("x", 1), 0u);
  EXPECT_THROW(span.WriteBuffer("x", 1), EWriteError);
  span.Seek(-5, soEnd);
  EXPECT_EQ(span.Position(), 0);
}

TEST(PngWriting, RoundTripOfEveryFormat) {
  const std::pair<int, int> formats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                         {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  std::uint32_t seed = 100;
  for (auto [type, depth] : formats)
    for (int interlace = 0; interlace <= 1; ++interlace) {
      SCOPED_TRACE(std::to_string(type) + "/" + std::to_string(depth) + "/" + std::to_string(interlace));
      TPngRecipe recipe{11, 5, depth, type, interlace};
      recipe.Gamma = type == 2 ? 100000 : 0;
      std::vector<png_color> palette;
      if (type == 3) palette.assign(static_cast<std::size_t>(1 << depth), png_color{1, 2, 3});
      const TBytes file = WritePng(recipe, RandomRows(recipe, seed++), {}, palette);
      TPNGObject png;
      LoadPng(png, file);
      TMemoryStream written;
      png.SaveToStream(written);
      // libpng accepts what we write (fresh CRCs, valid deflate data) ...
      const TReference original = ReadWithLibpng(file);
      const TReference rewritten = ReadWithLibpng(written.Bytes());
      if (recipe.Gamma == 0 && depth != 16) {
        EXPECT_EQ(rewritten.Samples, original.Samples);
      }
      // ... and our decoding of it gives the same planes.
      TPNGObject again;
      LoadPng(again, written.Bytes());
      const TChunkIHDR& a = png.Header();
      const TChunkIHDR& b = again.Header();
      ASSERT_EQ(b.InterlaceMethod(), interlace);
      // Pixel bits only: bits past the last pixel of a row are not image data.
      const int bits = a.ColorRaster().BitsPerPixel * 11;
      for (int y = 0; y < 5; ++y) {
        ASSERT_EQ(0, std::memcmp(a.ColorRaster().ImageRow(y), b.ColorRaster().ImageRow(y), bits / 8));
        if (bits % 8 != 0) {
          const int mask = 0xFF00 >> (bits % 8) & 0xFF;
          ASSERT_EQ(a.ColorRaster().ImageRow(y)[bits / 8] & mask, b.ColorRaster().ImageRow(y)[bits / 8] & mask);
        }
      }
      const auto samePlane = [](const TPngBuffer& x, const TPngBuffer& y) {
        return x.Size() == y.Size() && (x.Empty() || std::memcmp(x.Data(), y.Data(), x.Size()) == 0);
      };
      EXPECT_TRUE(samePlane(a.AlphaPlane(), b.AlphaPlane()));
      if (type != 2) {
        EXPECT_TRUE(samePlane(a.WideSamplePlane(), b.WideSamplePlane()));
      }
    }
}

TEST(PngWriting, UnknownChunksAreWrittenBackByteForByte) {
  const TBytes privateChunk = Chunk("prVt", {1, 2, 3, 4, 5});
  const TBytes file = Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 2)), privateChunk,
                              Chunk("IDAT", Deflate({0, 1, 2, 3})), Chunk("IEND", {})});
  TPNGObject png;
  LoadPng(png, file);
  TMemoryStream out;
  png.SaveToStream(out);
  const TBytes& w = out.Bytes();
  EXPECT_NE(std::search(w.begin(), w.end(), privateChunk.begin(), privateChunk.end()), w.end());
  EXPECT_TRUE(std::equal(file.begin(), file.begin() + 33, w.begin()));  // signature and IHDR
}

TEST(PngCopying, DeepCopiesAndConversions) {
  TPNGObject png;
  LoadPng(png, SmallPng());
  auto clone = png.Clone();
  auto& copy = dynamic_cast<TPNGObject&>(*clone);
  ASSERT_EQ(copy.Chunks().Count(), png.Chunks().Count());
  EXPECT_EQ(&copy.Chunks().Item(0).Owner(), &copy);
  png.Header().ColorRaster().ImageRow(0)[0] = 99;
  EXPECT_EQ(copy.Header().ColorRaster().ImageRow(0)[0], 3);
  png.Assign(nullptr);
  EXPECT_TRUE(png.Empty());
  // From a 32-bit bitmap: truecolour with alpha.
  TBitmap bitmap;
  bitmap.SetSize(2, 1);
  bitmap.SetPixelFormat(pf32bit);
  bitmap.Surface().At(0, 0) = 0x80112233u;
  png.Assign(&bitmap);
  EXPECT_EQ(png.Header().ColorType(), 6);
  EXPECT_EQ(png.AlphaKind(), akPerPixel);
  EXPECT_EQ(png.Header().AlphaPlane().Data()[0], 0x80);
  TMemoryStream out;
  png.SaveToStream(out);
  const TReference ref = ReadWithLibpng(out.Bytes());
  EXPECT_EQ(ref.At(0, 0, 0), 0x11);
  EXPECT_EQ(ref.At(0, 0, 2), 0x33);
  EXPECT_EQ(ref.At(0, 0, 3), 0x80);
  // A TPicture copy is deep too.
  TPicture holder, other;
  TMemoryStream stream(Tagged("TPNGObject", SmallPng()));
  holder.ReadData(stream);
  other.Assign(holder);
  ASSERT_NE(other.Graphic(), nullptr);
  EXPECT_NE(other.Graphic(), holder.Graphic());
  EXPECT_EQ(other.Width(), 3);
}

TEST(AlphaBitmap, LoadsAPngFile) {
  TPNGGraphic g;
  const TBytes file = Concat(
      {Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 6)), Chunk("IDAT", Deflate({0, 1, 2, 3, 4})), Chunk("IEND", {})});
  TSpanStream stream(file);
  g.LoadFromStream(stream);
  EXPECT_EQ(g.PixelFormat(), pf32bit);
  EXPECT_EQ(g.Surface().At(0, 0), 0x04010203u);
}

}  // namespace
