// The codec used alone (memory in, TPngImage out, no picture classes), and the one table that
// turns its failures into the picture classes' errors.
#include <gtest/gtest.h>

#include "PngTestSupport.h"
#include "pictures/codec/PngReader.h"

namespace {

// Keeps the types and data sizes the reader hands on.
class TRecordingSink : public TPngKnownChunks {
 public:
  void ChunkRead(const TPngChunkType& type, std::vector<std::uint8_t> data) override {
    Seen.push_back(std::string(type.data(), 4) + ":" + std::to_string(data.size()));
  }
  std::vector<std::string> Seen;
};

TEST(PngCodec, ReadsADatastreamFromMemoryIntoItsOwnImage) {
  // Two RGBA pixels: red half transparent, blue opaque; gamma that changes colours, not alpha.
  const TBytes file = Concat({Signature(), Chunk("IHDR", IhdrData(2, 1, 8, 6)), Chunk("gAMA", {0, 1, 0x86, 0xA0}),
                              Chunk("tEXt", {'k', 0, 'v'}), Chunk("IDAT", Deflate({0, 255, 0, 0, 128, 0, 0, 255, 255})),
                              Chunk("IEND", {})});
  TPngMemoryInput input(file);
  TPngImage image;
  TRecordingSink sink;
  ReadPngDatastream(input, image, sink);
  EXPECT_EQ(sink.Seen, (std::vector<std::string>{"IHDR:13", "gAMA:4", "tEXt:3", "IDAT:0", "IEND:0"}));
  EXPECT_EQ(image.Header().Width, 2u);
  const std::uint8_t* row = image.Raster().ImageRow(0);
  EXPECT_EQ(row[2], image.GammaLut()[255]);  // red of pixel 0, stored blue, green, red
  EXPECT_EQ(row[3], image.GammaLut()[255]);  // blue of pixel 1
  EXPECT_EQ(image.Alpha().Data()[0], 128);
  EXPECT_EQ(image.Alpha().Data()[1], 255);
  EXPECT_FALSE(image.GammaIsIdentity());
}

TEST(PngCodec, FailuresAreRaisedAsTheCodecsOwnError) {
  const TBytes unknown = Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 0)), Chunk("ABCD", {}),
                                 Chunk("IDAT", Deflate({0, 0})), Chunk("IEND", {})});
  TPngMemoryInput input(unknown);
  TPngImage image;
  TPngKnownChunks sink;
  try {
    ReadPngDatastream(input, image, sink);
    FAIL();
  } catch (const EPngFailure& failure) {
    EXPECT_EQ(failure.Failure(), pfUnknownCriticalChunk);
    EXPECT_STREQ(failure.what(), PngFailureMessage(pfUnknownCriticalChunk));
  }
  // An unknown ancillary chunk is passed over.
  const TBytes ancillary = Concat({Signature(), Chunk("IHDR", IhdrData(1, 1, 8, 0)), Chunk("aBCD", {}),
                                   Chunk("IDAT", Deflate({0, 7})), Chunk("IEND", {})});
  TPngMemoryInput again(ancillary);
  ReadPngDatastream(again, image, sink);
  EXPECT_EQ(image.Raster().ImageRow(0)[0], 7);
}

TEST(PngCodec, EveryFailureBecomesTheErrorClassOfItsName) {
  const char* classes[] = {"EPNGInvalidFileHeader",
                           "EPngUnexpectedEnd",
                           "EPNGIHDRNotFirst",
                           "EPNGUnknownCriticalChunk",
                           "EPNGNoImageData",
                           "EPngInvalidCRC",
                           "EPngInvalidIHDR",
                           "EPNGSizeExceeds",
                           "EPNGUnknownCompression",
                           "EPNGUnknownInterlace",
                           "EPNGInvalidPalette",
                           "EPNGMissingMultipleIDAT",
                           "EPNGZLIBError",
                           "EPNGOutMemory",
                           "EPNGHeaderNotPresent",
                           "EPngError",
                           "EPngError"};
  for (int f = pfInvalidFileHeader; f <= pfChunksNotCompatible; ++f) {
    const auto failure = static_cast<TPngFailure>(f);
    std::string raised;
    try {
      RaisePngError(failure);
    } catch (const Exception& e) {
      raised = e.ClassName();
      EXPECT_EQ(e.Message(), PngFailureMessage(failure));
    }
    EXPECT_EQ(raised, classes[f]);
  }
  // The inflate failure keeps its description through the translation.
  std::string message;
  try {
    WithPngErrors([] { RaiseInflateFailure(-3); });
  } catch (const EPNGZLIBError& e) {
    message = e.Message();
  }
  EXPECT_EQ(message, std::string(PngFailureMessage(pfZLIBError)) + "\r\n Description: data error (-3)");
}

}  // namespace
