// Fuzz target of the PNG codec alone (no class library, no fonts): every input is read as a PNG
// datastream into an image, the text of its zTXt chunks decompressed within one budget, and every
// byte of the decoded planes read back, so that a plane shorter than its image is caught.
#include <cstdint>
#include <span>
#include <vector>

#include "pictures/codec/PngFailure.h"
#include "pictures/codec/PngImage.h"
#include "pictures/codec/PngReader.h"

namespace {

constexpr TPngChunkType TextType{'z', 'T', 'X', 't'};

// The chunks the codec understands, and the text of zTXt chunks decompressed as a picture does.
class TFuzzChunks : public TPngKnownChunks {
 public:
  void ChunkRead(const TPngChunkType& type, std::vector<std::uint8_t> data) override {
    if (type != TextType) return;
    std::size_t at = 0;
    while (at < data.size() && data[at] != 0) ++at;
    if (data.size() - at < 2) return;
    const std::string text = InflatePngText(std::span(data).subspan(at + 2), m_budget);
    m_budget -= text.size();
  }

 private:
  std::size_t m_budget = 1 << 20;
};

// Reads every byte of the planes the image claims to have.
unsigned TouchPlanes(const TPngImage& image) {
  const TPngRaster& raster = image.Raster();
  unsigned sum = 0;
  if (!raster.Allocated()) return sum;
  for (int y = 0; y < raster.Height; ++y) {
    const std::uint8_t* row = raster.ImageRow(y);
    for (std::size_t x = 0; x < raster.RowBytes; ++x) sum += row[x];
  }
  for (std::size_t i = 0; i < image.Alpha().Size(); ++i) sum += image.Alpha().Data()[i];
  for (std::size_t i = 0; i < image.Wide().Size(); ++i) sum += image.Wide().Data()[i];
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Inputs are small; images are refused beyond a budget that keeps each run fast.
  static const bool limited = (SetPngImageMemoryLimit(16u << 20), true);
  (void)limited;
  TPngMemoryInput input(std::span(data, size));
  TPngImage image;
  TFuzzChunks chunks;
  try {
    ReadPngDatastream(input, image, chunks);
  } catch (const EPngFailure&) {
  }
  volatile unsigned sum = TouchPlanes(image);
  (void)sum;
  return 0;
}
