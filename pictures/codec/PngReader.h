// Reading a PNG datastream chunk by chunk into a TPngImage. The reader keeps the datastream's
// rules (signature, IHDR first, CRC of every chunk read, cHRM and late IDAT chunks skipped, image
// data required) and interprets the chunks the image is made of (IHDR, PLTE, tRNS, gAMA, IDAT);
// a sink sees every chunk it keeps, so that a class library can hold them as objects.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pictures/codec/PngImage.h"

using TPngChunkType = std::array<char, 4>;

inline constexpr TPngChunkType PngHeaderType{'I', 'H', 'D', 'R'};
inline constexpr TPngChunkType PngImageDataType{'I', 'D', 'A', 'T'};
inline constexpr TPngChunkType PngPaletteType{'P', 'L', 'T', 'E'};
inline constexpr TPngChunkType PngTransparencyType{'t', 'R', 'N', 'S'};
inline constexpr TPngChunkType PngGammaType{'g', 'A', 'M', 'A'};
inline constexpr TPngChunkType PngEndType{'I', 'E', 'N', 'D'};
inline constexpr TPngChunkType PngChromaticitiesType{'c', 'H', 'R', 'M'};

inline constexpr std::uint8_t PngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// A critical chunk (bit 5 of the type's first letter clear) must be understood to read the image.
constexpr bool PngCriticalChunk(const TPngChunkType& type) { return (type[0] & 32) == 0; }

// Where the datastream comes from.
class TPngInput {
 public:
  virtual ~TPngInput() = default;
  // Reads up to `count` bytes; fewer only at the end.
  virtual std::size_t Read(std::uint8_t* out, std::size_t count) = 0;
  virtual std::uint64_t Remaining() const = 0;
  // Moves forward (no further than the end).
  virtual void Skip(std::uint64_t count) = 0;
};

// A datastream in memory.
class TPngMemoryInput : public TPngInput {
 public:
  explicit TPngMemoryInput(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
  std::size_t Read(std::uint8_t* out, std::size_t count) override;
  std::uint64_t Remaining() const override { return m_bytes.size() - m_at; }
  void Skip(std::uint64_t count) override;

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_at = 0;
};

// What the reader tells about the chunks it keeps.
class TPngChunkSink {
 public:
  virtual ~TPngChunkSink() = default;
  // A chunk begins; its data is not read yet. Returns whether the chunk is understood, so that the
  // reader interprets it; may raise (an unknown critical chunk).
  virtual bool ChunkBegins(const TPngChunkType& type) = 0;
  // The chunk's data, read and its CRC checked; empty for image data, which the reader decodes.
  virtual void ChunkRead(const TPngChunkType& type, std::vector<std::uint8_t> data) = 0;
};

// Understands the chunks the image is made of and the text chunks; raises pfUnknownCriticalChunk
// for any other critical chunk. Keeps nothing: the sink of the codec used alone.
class TPngKnownChunks : public TPngChunkSink {
 public:
  bool ChunkBegins(const TPngChunkType& type) override;
  void ChunkRead(const TPngChunkType&, std::vector<std::uint8_t>) override {}
};

// Reads a whole datastream, up to and including IEND, into `image`, raising the failures of
// PngFailure.h. Chunks after a failure are not read; what was read stays with the sink.
void ReadPngDatastream(TPngInput& input, TPngImage& image, TPngChunkSink& sink);

// CRC-32 of a chunk (over its type and data).
std::uint32_t PngChunkCrc(const TPngChunkType& type, const std::uint8_t* data, std::size_t size);
// The data of a chunk whose length and type have just been read, and its CRC checked:
// pfUnexpectedEnd when the stream is shorter (before anything is allocated), pfInvalidCRC.
std::vector<std::uint8_t> ReadPngChunkData(TPngInput& input, const TPngChunkType& type, std::uint32_t size);

// Inflates compressed text, keeping at most `budget` bytes; text cut short by the end of its data
// keeps what was decompressed; other inflate failures raise pfZLIBError.
std::string InflatePngText(std::span<const std::uint8_t> compressed, std::size_t budget);
