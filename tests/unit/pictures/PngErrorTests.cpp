// Every error class of the PNG reader through a crafted datastream, and the chunk-level rules of
// loading (skipped chunks, unknown ancillary chunks, hostile lengths).
#include <gtest/gtest.h>

#include "PngTestSupport.h"

namespace {

TBytes Rgb1x1Idat() { return Chunk("IDAT", Deflate({0, 10, 20, 30})); }
TBytes Ihdr1x1() { return Chunk("IHDR", IhdrData(1, 1, 8, 2)); }
TBytes Iend() { return Chunk("IEND", {}); }

using TError = std::pair<std::string, std::string>;
TError Err(const std::string& name, const std::string& message) { return {name, message}; }

// Loads `bytes` and returns the class name and message of the error raised ("" when none).
TError LoadError(const TBytes& bytes) {
  TPNGObject png;
  try {
    LoadPng(png, bytes);
  } catch (const Exception& e) {
    return {e.ClassName(), e.Message()};
  }
  return {};
}

TEST(PngErrors, ChunkSequence) {
  EXPECT_EQ(LoadError(Concat({{137, 80, 78, 71, 13, 10, 26, 11}, Ihdr1x1(), Rgb1x1Idat(), Iend()})),
            Err("EPNGInvalidFileHeader", PngFailureMessage(pfInvalidFileHeader)));
  EXPECT_EQ(LoadError({137, 80, 78}).first, "EPNGInvalidFileHeader");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Rgb1x1Idat()})),
            Err("EPngUnexpectedEnd", PngFailureMessage(pfUnexpectedEnd)));
  const auto notFirst = LoadError(Concat({Signature(), Chunk("gAMA", {0, 0, 0, 1}), Ihdr1x1(), Rgb1x1Idat(), Iend()}));
  EXPECT_EQ(notFirst.first, "EPNGIHDRNotFirst");
  EXPECT_EQ(notFirst.second,
            "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
            "(IHDR chunk is not the first)");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("ABCD", {1}), Rgb1x1Idat(), Iend()})).first,
            "EPNGUnknownCriticalChunk");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Iend()})),
            Err("EPNGNoImageData", PngFailureMessage(pfNoImageData)));
}

TEST(PngErrors, CrcOfEveryReadChunkIsChecked) {
  EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 2), 1), Rgb1x1Idat(), Iend()})).first,
            "EPngInvalidCRC");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", Deflate({0, 10, 20, 30}), 1), Iend()})).first,
            "EPngInvalidCRC");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("tEXt", {'a', 0, 'b'}, 1), Rgb1x1Idat(), Iend()})).first,
            "EPngInvalidCRC");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Rgb1x1Idat(), Chunk("IEND", {}, 1)})).first, "EPngInvalidCRC");
  // The CRC of the first of two IDAT chunks is checked when the decoder moves on to the second.
  const TBytes data = Deflate({0, 10, 20, 30});
  const TBytes first(data.begin(), data.begin() + 3), second(data.begin() + 3, data.end());
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", first, 1), Chunk("IDAT", second), Iend()})).first,
            "EPngInvalidCRC");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", first), Chunk("IDAT", second), Iend()})).first, "");
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", first), Chunk("tEXt", {'a', 0}),
                              Chunk("IDAT", second), Iend()})),
            Err("EPNGMissingMultipleIDAT", PngFailureMessage(pfMissingMultipleIDAT)));
}

TEST(PngErrors, HeaderFields) {
  TBytes shortIhdr = IhdrData(1, 1, 8, 2);
  shortIhdr.pop_back();
  EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", shortIhdr), Rgb1x1Idat(), Iend()})),
            Err("EPngInvalidIHDR", PngFailureMessage(pfInvalidIHDR)));
  EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(65536, 1, 8, 2)), Rgb1x1Idat(), Iend()})).first,
            "EPNGSizeExceeds");
  EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(1, 65536, 8, 2)), Rgb1x1Idat(), Iend()})).first,
            "EPNGSizeExceeds");
  EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 2, 1)), Rgb1x1Idat(), Iend()})).first,
            "EPNGUnknownCompression");
  EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 2, 0, 0, 2)), Rgb1x1Idat(), Iend()})).first,
            "EPNGUnknownInterlace");
  // Forbidden combinations of colour type and bit depth are refused when decoding starts.
  for (auto [type, depth] : {std::pair{2, 4}, std::pair{3, 16}, std::pair{4, 1}, std::pair{6, 2}, std::pair{0, 3},
                             std::pair{5, 8}, std::pair{1, 8}})
    EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, depth, type)), Rgb1x1Idat(), Iend()})).first,
              "EPngInvalidIHDR")
        << type << "/" << depth;
  // The filter method is not checked.
  EXPECT_EQ(LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 2, 0, 9)), Rgb1x1Idat(), Iend()})).first,
            "");
}

TEST(PngErrors, Palettes) {
  const TBytes ihdr = Chunk("IHDR", IhdrData(1, 1, 8, 3));
  const TBytes idat = Chunk("IDAT", Deflate({0, 0}));
  EXPECT_EQ(LoadError(Concat({Signature(), ihdr, Chunk("PLTE", TBytes(10)), idat, Iend()})),
            Err("EPNGInvalidPalette", PngFailureMessage(pfInvalidPalette)));
  EXPECT_EQ(LoadError(Concat({Signature(), ihdr, Chunk("PLTE", TBytes(257 * 3)), idat, Iend()})).first,
            "EPNGInvalidPalette");
  EXPECT_EQ(
      LoadError(Concat({Signature(), ihdr, Chunk("PLTE", TBytes(3)), Chunk("tRNS", TBytes(257)), idat, Iend()})).first,
      "EPNGInvalidPalette");
  EXPECT_EQ(
      LoadError(Concat({Signature(), ihdr, Chunk("PLTE", TBytes(256 * 3)), Chunk("tRNS", TBytes(256)), idat, Iend()}))
          .first,
      "");
}

TEST(PngErrors, InflateFailures) {
  const auto garbage = LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", {1, 2, 3, 4}), Iend()}));
  EXPECT_EQ(garbage.first, "EPNGZLIBError");
  EXPECT_EQ(garbage.second, std::string(PngFailureMessage(pfZLIBError)) + "\r\n Description: data error (-3)");
  // A zlib header asking for a preset dictionary.
  TBytes dict = {0x78, 0xBB, 0, 0, 0, 1};
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", dict), Iend()})).second,
            std::string(PngFailureMessage(pfZLIBError)) + "\r\n Description: need dictionary (2)");
  EXPECT_EQ(InflateResultText(-6), "incompatible version (-6)");
  EXPECT_EQ(InflateResultText(-5), "buffer error (-5)");
  EXPECT_EQ(InflateResultText(1), "stream end (1)");
}

TEST(PngErrors, TheStreamsCheckValueIsVerified) {
  const TBytes stream = Deflate({0, 10, 20, 30});
  // The four check bytes split over two chunks: still read as one stream.
  const size_t cut = stream.size() - 2;
  const TBytes head(stream.begin(), stream.begin() + static_cast<long>(cut)),
      tail(stream.begin() + static_cast<long>(cut), stream.end());
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", head), Chunk("IDAT", tail), Iend()})), TError{});
  // A wrong check value read with the image data fails as zlib's own check would.
  TBytes bad = stream;
  bad.back() ^= 0x01;
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), Chunk("IDAT", bad), Iend()})),
            Err("EPNGZLIBError", std::string(PngFailureMessage(pfZLIBError)) + "\r\n Description: data error (-3)"));
}

TEST(PngErrors, HostileLengthsAndMemory) {
  // A chunk claiming more data than the stream holds fails before any buffer is sized for it.
  TBytes huge;
  PutBe32(huge, 0x7FFFFFF0u);
  huge.insert(huge.end(), {'t', 'E', 'X', 't', 1, 2, 3});
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), huge})).first, "EPngUnexpectedEnd");
  TBytes hugeIdat;
  PutBe32(hugeIdat, 0xFFFFFFFFu);
  hugeIdat.insert(hugeIdat.end(), {'I', 'D', 'A', 'T', 1, 2, 3});
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), hugeIdat})).first, "EPngUnexpectedEnd");
  // A length cut short by the end of the stream.
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), {0, 0}})).first, "EPngUnexpectedEnd");
  // Skipping a cHRM chunk past the end leads to an unexpected end, not a crash.
  TBytes chrm;
  PutBe32(chrm, 0xFFFFFFFFu);
  chrm.insert(chrm.end(), {'c', 'H', 'R', 'M'});
  EXPECT_EQ(LoadError(Concat({Signature(), Ihdr1x1(), chrm})).first, "EPngUnexpectedEnd");

  const std::uint64_t saved = PngImageMemoryLimit();
  SetPngImageMemoryLimit(1 << 20);
  const auto big = LoadError(Concat({Signature(), Chunk("IHDR", IhdrData(4000, 4000, 8, 6)), Rgb1x1Idat(), Iend()}));
  SetPngImageMemoryLimit(saved);
  EXPECT_EQ(big, Err("EPNGOutMemory", PngFailureMessage(pfOutMemory)));
}

TEST(PngErrors, OperationsOnThePicture) {
  TPNGObject empty;
  try {
    empty.Header();
    FAIL();
  } catch (const EPNGHeaderNotPresent& e) {
    EXPECT_EQ(e.Message(), PngFailureMessage(pfHeaderNotPresent));
  }
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_TRUE(empty.Empty());
  TPNGObject png;
  TChunkgAMA gama(png);
  TChunktEXt text(png);
  try {
    gama.Assign(text);
    FAIL();
  } catch (const EPngError& e) {
    EXPECT_EQ(e.Message(), PngFailureMessage(pfChunksNotCompatible));
  }
}

TEST(PngLoading, SkippedAndKeptChunks) {
  // cHRM is dropped; a private ancillary chunk is kept as a plain chunk with its data; an IDAT
  // after another chunk is dropped unread.
  TBytes chrmData(32, 7);
  const TBytes file = Concat({Signature(), Ihdr1x1(), Chunk("cHRM", chrmData), Chunk("prVt", {9, 8, 7}), Rgb1x1Idat(),
                              Chunk("tEXt", {'k', 0, 'v'}), Chunk("IDAT", {0xDE, 0xAD}, 5), Iend()});
  TPNGObject png;
  LoadPng(png, file);
  ASSERT_EQ(png.Chunks().Count(), 5);
  EXPECT_EQ(png.Chunks().Item(0).NameText(), "IHDR");
  EXPECT_EQ(png.Chunks().Item(1).NameText(), "prVt");
  EXPECT_EQ(png.Chunks().Item(1).Data(), (TBytes{9, 8, 7}));
  EXPECT_EQ(png.Chunks().Item(2).NameText(), "IDAT");
  EXPECT_EQ(png.Chunks().Item(3).NameText(), "tEXt");
  EXPECT_EQ(png.Chunks().Item(4).NameText(), "IEND");
  EXPECT_EQ(png.Chunks().Find({'c', 'H', 'R', 'M'}), nullptr);
  const auto* text = png.Chunks().FindChunk<TChunktEXt>();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Keyword(), "k");
  EXPECT_EQ(text->Text(), "v");
  EXPECT_EQ(png.Header().ColorRaster().ImageRow(0)[0], 30);  // blue of (10, 20, 30)
}

TEST(PngLoading, AncillaryChunkContents) {
  TBytes ztxt = {'C', 'o', 'm', 0, 0};
  const TBytes packed = Deflate({'h', 'e', 'l', 'l', 'o'});
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  const TBytes file =
      Concat({Signature(), Ihdr1x1(), Chunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x12, 1}),
              Chunk("tIME", {0x07, 0xEA, 12, 9, 6, 53, 42}), Chunk("zTXt", ztxt), Rgb1x1Idat(), Iend()});
  TPNGObject png;
  LoadPng(png, file);
  const auto* phys = png.Chunks().FindChunk<TChunkpHYs>();
  ASSERT_NE(phys, nullptr);
  EXPECT_EQ(phys->PPUnitX(), 2835u);
  EXPECT_EQ(phys->PPUnitY(), 2834u);
  EXPECT_EQ(phys->Unit(), 1);
  const auto* time = png.Chunks().FindChunk<TChunktIME>();
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->Year(), 2026);
  EXPECT_EQ(time->Second(), 42);
  const auto* z = png.Chunks().FindChunk<TChunkzTXt>();
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Keyword(), "Com");
  EXPECT_EQ(z->Text(), "hello");
}

TEST(PngLoading, UnregisteredClassesMakeEveryChunkPlain) {
  UnregisterChunkClasses();
  const auto error = LoadError(Concat({Signature(), Ihdr1x1(), Rgb1x1Idat(), Iend()}));
  RegisterChunkClasses();
  EXPECT_EQ(error.first, "EPNGUnknownCriticalChunk");
}

}  // namespace
