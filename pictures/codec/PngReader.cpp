#include "pictures/codec/PngReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "base/ByteOrder.h"
#include "pictures/codec/PngDecoder.h"
#include "pictures/codec/PngFailure.h"

namespace {

// What a chunk of the image's own kinds does to the image once its data is read.
void Interpret(TPngImage& image, const TPngChunkType& type, std::span<const std::uint8_t> data, bool first) {
  if (type == PngHeaderType) {
    const TPngHeader header = ParsePngHeader(data);
    // The picture has one image: the first header's. A later header only has its fields checked.
    if (first) image.Prepare(header);
  } else if (type == PngPaletteType) {
    image.SetPalette(data);
  } else if (type == PngTransparencyType) {
    image.SetTransparency(data);
  } else if (type == PngGammaType && data.size() >= 4) {
    image.SetGamma(ReadBigEndian32(data.data()));
  }
}

}  // namespace

std::size_t TPngMemoryInput::Read(std::uint8_t* out, std::size_t count) {
  const std::size_t n = std::min(count, m_bytes.size() - m_at);
  if (n > 0) std::memcpy(out, m_bytes.data() + m_at, n);
  m_at += n;
  return n;
}

void TPngMemoryInput::Skip(std::uint64_t count) {
  m_at += static_cast<std::size_t>(std::min<std::uint64_t>(count, m_bytes.size() - m_at));
}

bool TPngKnownChunks::ChunkBegins(const TPngChunkType& type) {
  for (const TPngChunkType& known :
       {PngHeaderType, PngImageDataType, PngPaletteType, PngEndType, PngTransparencyType, PngGammaType})
    if (type == known) return true;
  if (PngCriticalChunk(type)) RaisePngFailure(pfUnknownCriticalChunk);
  return false;
}

std::uint32_t PngChunkCrc(const TPngChunkType& type, const std::uint8_t* data, std::size_t size) {
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type.data()), 4);
  while (size > 0) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    crc = crc32(crc, data, n);
    data += n;
    size -= n;
  }
  return static_cast<std::uint32_t>(crc);
}

std::vector<std::uint8_t> ReadPngChunkData(TPngInput& input, const TPngChunkType& type, std::uint32_t size) {
  // The data and its CRC must be in the stream before a buffer is sized for them.
  if (std::uint64_t{size} + 4 > input.Remaining()) RaisePngFailure(pfUnexpectedEnd);
  std::vector<std::uint8_t> data(size);
  std::uint8_t crc[4];
  if (input.Read(data.data(), size) != size || input.Read(crc, 4) != 4) RaisePngFailure(pfUnexpectedEnd);
  if (ReadBigEndian32(crc) != PngChunkCrc(type, data.data(), data.size())) RaisePngFailure(pfInvalidCRC);
  return data;
}

void ReadPngDatastream(TPngInput& input, TPngImage& image, TPngChunkSink& sink) {
  std::uint8_t signature[8];
  if (input.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
    RaisePngFailure(pfInvalidFileHeader);
  bool haveImageData = false;
  for (int index = 1;; ++index) {
    std::uint8_t head[8];
    // A length or type cut short by the end of the stream is an unexpected end as well.
    if (input.Read(head, 4) != 4 || input.Read(head + 4, 4) != 4) RaisePngFailure(pfUnexpectedEnd);
    const std::uint32_t size = ReadBigEndian32(head);
    TPngChunkType type;
    std::memcpy(type.data(), head + 4, 4);
    if (index == 1 && type != PngHeaderType) RaisePngFailure(pfIHDRNotFirst);
    // Chromaticities are not used, and the image data is the run of IDAT chunks read first.
    if (type == PngChromaticitiesType || (type == PngImageDataType && haveImageData)) {
      input.Skip(std::uint64_t{size} + 4);
      continue;
    }
    const bool understood = sink.ChunkBegins(type);
    if (type == PngImageDataType) haveImageData = true;
    if (type == PngImageDataType && understood) {
      DecodePngImageData(input, image, size);
      sink.ChunkRead(type, {});
    } else {
      std::vector<std::uint8_t> data = ReadPngChunkData(input, type, size);
      if (understood) Interpret(image, type, data, index == 1);
      sink.ChunkRead(type, std::move(data));
    }
    if (type == PngEndType) break;
  }
  if (!haveImageData) RaisePngFailure(pfNoImageData);
}

std::string InflatePngText(std::span<const std::uint8_t> compressed, std::size_t budget) {
  struct TInflater {
    z_stream Z{};
    TInflater() {
      if (inflateInit(&Z) != Z_OK) RaiseInflateFailure(Z_MEM_ERROR);
    }
    ~TInflater() { inflateEnd(&Z); }
  } inflater;
  z_stream& z = inflater.Z;
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = static_cast<uInt>(compressed.size());
  std::string text;
  char block[16384];
  int result = Z_OK;
  while (result == Z_OK && text.size() < budget) {
    z.next_out = reinterpret_cast<Bytef*>(block);
    z.avail_out = sizeof block;
    result = inflate(&z, Z_NO_FLUSH);
    text.append(block, std::min(sizeof block - z.avail_out, budget - text.size()));
  }
  // Running out of input (a truncated text) keeps what was decompressed.
  if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) RaiseInflateFailure(result);
  return text;
}
