// The decoded image of a PNG datastream, as the codec produces it: the header's fields, the colour
// raster with its palette, the alpha and wide-sample planes, the gamma tables and the
// transparency table.
//
//   TPngBuffer, TPngRaster  - zero-filled planes; the raster (a bottom-up device-independent bitmap)
//   image memory limit      - the most one picture's planes may take
//   TPngHeader              - the IHDR fields, parsed and checked
//   TPngImage               - what the chunks of a datastream build
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "pictures/codec/PngFormat.h"

struct TRGBQuad {
  std::uint8_t Blue = 0;
  std::uint8_t Green = 0;
  std::uint8_t Red = 0;
  std::uint8_t Reserved = 0;
  friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// A zero-filled byte buffer for image planes. The memory comes from calloc, which takes large
// blocks from the system already zeroed, so the pages of rows that no data reaches are never
// touched: a small file that declares a huge image costs address space, not memory.
class TPngBuffer {
 public:
  TPngBuffer() = default;
  // Raises pfOutMemory when the memory cannot be had or exceeds the image memory limit.
  explicit TPngBuffer(std::uint64_t size);
  TPngBuffer(const TPngBuffer& other);
  TPngBuffer& operator=(const TPngBuffer& other);
  TPngBuffer(TPngBuffer&&) noexcept = default;
  TPngBuffer& operator=(TPngBuffer&&) noexcept = default;

  std::uint8_t* Data() { return m_data.get(); }
  const std::uint8_t* Data() const { return m_data.get(); }
  std::size_t Size() const { return m_size; }
  bool Empty() const { return m_size == 0; }

 private:
  struct TFree {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t[], TFree> m_data;
  std::size_t m_size = 0;
};

// The largest total of decoded planes one picture may allocate. The default, DefaultPngImageMemory,
// is far above any real picture (an 8192 x 8192 RGBA photograph takes a quarter of it) and far
// below what a tiny hostile file can declare (65535 x 65535 grey is four times it); a program that
// reads larger pictures raises it, one that reads untrusted input on a budget lowers it.
constexpr std::uint64_t DefaultPngImageMemory = std::uint64_t{1} << 30;
void SetPngImageMemoryLimit(std::uint64_t bytes);
std::uint64_t PngImageMemoryLimit();

// The decoded colour image: a device-independent bitmap, rows bottom-up, each row padded to a
// multiple of 4 bytes; 1, 4 or 8 bits per pixel with a palette, or 24 (bytes blue, green, red).
struct TPngRaster {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 0;
  std::size_t RowBytes = 0;
  TPngBuffer Bits;
  std::array<TRGBQuad, 256> Palette{};
  int PaletteCount = 0;

  // Row r of the bitmap (0 is the bottom row).
  std::uint8_t* Row(int r) { return Bits.Data() + static_cast<std::size_t>(r) * RowBytes; }
  const std::uint8_t* Row(int r) const { return Bits.Data() + static_cast<std::size_t>(r) * RowBytes; }
  // Image row y counted from the top.
  std::uint8_t* ImageRow(int y) { return Row(Height - 1 - y); }
  const std::uint8_t* ImageRow(int y) const { return Row(Height - 1 - y); }
  bool Allocated() const { return !Bits.Empty(); }
};

// Row bytes of a bottom-up bitmap: ((bits per pixel x width + 31) div 32) x 4.
std::uint64_t RasterRowBytes(int bitsPerPixel, std::uint64_t width);

// The fields of an IHDR chunk.
struct TPngHeader {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint8_t BitDepth = 0;
  std::uint8_t ColorType = 0;
  std::uint8_t Compression = 0;
  std::uint8_t Filter = 0;
  std::uint8_t Interlace = 0;

  // Raster bits per pixel, 0 for a combination of colour type and bit depth the format forbids.
  int RasterBitsPerPixel() const { return PngRasterBitsPerPixel(ColorType, BitDepth); }
  bool ValidFormat() const { return RasterBitsPerPixel() != 0; }
  bool HasAlphaPlane() const { return PngHasAlphaPlane(ColorType); }
};

// The header in IHDR data: pfInvalidIHDR when shorter than 13 bytes, pfSizeExceeds beyond 65535
// pixels, pfUnknownCompression, pfUnknownInterlace. Bit depth, colour type and filter method are
// not checked here (decoding refuses a forbidden combination).
TPngHeader ParsePngHeader(std::span<const std::uint8_t> data);
// The 13 bytes of IHDR data for a header.
std::array<std::uint8_t, 13> PngHeaderData(const TPngHeader& header);

class TPngImage {
 public:
  TPngImage();

  const TPngHeader& Header() const { return m_header; }
  // Takes the header and creates fresh zero-filled planes for it (pfOutMemory beyond the limit);
  // an indexed raster starts with a half-tone palette, a grey one with its grey ramp.
  void Prepare(const TPngHeader& header);
  void Clear();

  TPngRaster& Raster() { return m_raster; }
  const TPngRaster& Raster() const { return m_raster; }
  // One byte per pixel, rows top-down; empty unless the colour type has alpha.
  TPngBuffer& Alpha() { return m_alpha; }
  const TPngBuffer& Alpha() const { return m_alpha; }
  // Bit depth 16 only: the low bytes of the samples, laid out like the raster.
  TPngBuffer& Wide() { return m_wide; }
  const TPngBuffer& Wide() const { return m_wide; }

  const std::array<std::uint8_t, 256>& GammaLut() const { return m_gammaLut; }
  const std::array<std::uint8_t, 256>& InverseGammaLut() const { return m_inverseGammaLut; }
  bool GammaIsIdentity() const { return m_gammaIdentity; }
  // Rebuilds both tables for gamma x 100000 = g (g = 0 changes nothing).
  void SetGamma(std::uint32_t g);
  void ResetGamma();

  // PLTE data: pfInvalidPalette unless a multiple of 3 of at most 256 colours; an indexed raster
  // takes the colours through GammaLut.
  void SetPalette(std::span<const std::uint8_t> plte);
  // tRNS data: pfInvalidPalette beyond 256 bytes; the table is 255 with the data over its start.
  void SetTransparency(std::span<const std::uint8_t> trns);
  const std::array<std::uint8_t, 256>& Transparency() const { return m_transparency; }
  // Replaces the raster palette with a grey ramp of 2^bits entries through GammaLut.
  void BuildGreyRamp(int bits);

 private:
  TPngHeader m_header;
  TPngRaster m_raster;
  TPngBuffer m_alpha;
  TPngBuffer m_wide;
  std::array<std::uint8_t, 256> m_gammaLut{};
  std::array<std::uint8_t, 256> m_inverseGammaLut{};
  bool m_gammaIdentity = true;
  std::array<std::uint8_t, 256> m_transparency{};
};
