#include "pictures/codec/PngImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/ByteOrder.h"
#include "pictures/codec/PngFailure.h"

namespace {

std::uint64_t g_imageMemoryLimit = DefaultPngImageMemory;

constexpr std::uint32_t MaxDimension = 65535;

// A colour cube of 6 levels per channel followed by a grey ramp: the palette an indexed picture
// shows before its PLTE chunk arrives.
std::array<TRGBQuad, 256> HalftonePalette() {
  std::array<TRGBQuad, 256> palette{};
  int i = 0;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        palette[i++] = {static_cast<std::uint8_t>(b * 51), static_cast<std::uint8_t>(g * 51),
                        static_cast<std::uint8_t>(r * 51), 0};
  for (int k = 0; i < 256; ++i, ++k) {
    const auto v = static_cast<std::uint8_t>((k + 1) * 255 / 41);
    palette[i] = {v, v, v, 0};
  }
  return palette;
}

}  // namespace

// --- Buffers ----------------------------------------------------------------------------------

void SetPngImageMemoryLimit(std::uint64_t bytes) { g_imageMemoryLimit = bytes; }
std::uint64_t PngImageMemoryLimit() { return g_imageMemoryLimit; }

TPngBuffer::TPngBuffer(std::uint64_t size) {
  if (size == 0) return;
  if (size > g_imageMemoryLimit || size > std::numeric_limits<std::size_t>::max() / 2) RaisePngFailure(pfOutMemory);
  const auto bytes = static_cast<std::size_t>(size);
  auto* p = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (p == nullptr) RaisePngFailure(pfOutMemory);
  m_data.reset(p);
  m_size = bytes;
}

TPngBuffer::TPngBuffer(const TPngBuffer& other) : TPngBuffer(other.m_size) {
  if (m_size != 0) std::memcpy(m_data.get(), other.m_data.get(), m_size);
}

TPngBuffer& TPngBuffer::operator=(const TPngBuffer& other) {
  if (this != &other) *this = TPngBuffer(other);
  return *this;
}

std::uint64_t RasterRowBytes(int bitsPerPixel, std::uint64_t width) {
  return ((static_cast<std::uint64_t>(bitsPerPixel) * width + 31) / 32) * 4;
}

// --- The header -------------------------------------------------------------------------------

TPngHeader ParsePngHeader(std::span<const std::uint8_t> data) {
  if (data.size() < 13) RaisePngFailure(pfInvalidIHDR);
  TPngHeader h;
  h.Width = ReadBigEndian32(data.data());
  h.Height = ReadBigEndian32(data.data() + 4);
  h.BitDepth = data[8];
  h.ColorType = data[9];
  h.Compression = data[10];
  h.Filter = data[11];
  h.Interlace = data[12];
  if (h.Width > MaxDimension || h.Height > MaxDimension) RaisePngFailure(pfSizeExceeds);
  if (h.Compression != 0) RaisePngFailure(pfUnknownCompression);
  if (h.Interlace > imAdam7) RaisePngFailure(pfUnknownInterlace);
  return h;
}

std::array<std::uint8_t, 13> PngHeaderData(const TPngHeader& header) {
  std::array<std::uint8_t, 13> d{};
  WriteBigEndian32(d.data(), header.Width);
  WriteBigEndian32(d.data() + 4, header.Height);
  d[8] = header.BitDepth;
  d[9] = header.ColorType;
  d[10] = header.Compression;
  d[11] = header.Filter;
  d[12] = header.Interlace;
  return d;
}

// --- The image --------------------------------------------------------------------------------

TPngImage::TPngImage() {
  ResetGamma();
  m_transparency.fill(255);
}

void TPngImage::Clear() {
  m_header = TPngHeader{};
  m_raster = TPngRaster{};
  m_alpha = TPngBuffer{};
  m_wide = TPngBuffer{};
  ResetGamma();
  m_transparency.fill(255);
}

void TPngImage::Prepare(const TPngHeader& header) {
  m_header = header;
  m_raster = TPngRaster{};
  m_alpha = TPngBuffer{};
  m_wide = TPngBuffer{};
  const int bpp = header.RasterBitsPerPixel();
  if (bpp == 0) return;  // a forbidden combination: decoding refuses it
  const std::uint64_t rowBytes = RasterRowBytes(bpp, header.Width);
  const std::uint64_t rasterBytes = rowBytes * header.Height;
  const std::uint64_t alphaBytes = header.HasAlphaPlane() ? std::uint64_t{header.Width} * header.Height : 0;
  const std::uint64_t wideBytes = header.BitDepth == bd16 ? rasterBytes : 0;
  // The planes together, refused before any of them is allocated.
  if (rasterBytes + alphaBytes + wideBytes > PngImageMemoryLimit()) RaisePngFailure(pfOutMemory);
  m_raster.Width = static_cast<int>(header.Width);
  m_raster.Height = static_cast<int>(header.Height);
  m_raster.BitsPerPixel = bpp;
  m_raster.RowBytes = static_cast<std::size_t>(rowBytes);
  m_raster.Bits = TPngBuffer(rasterBytes);
  m_alpha = TPngBuffer(alphaBytes);
  m_wide = TPngBuffer(wideBytes);
  if (header.ColorType == ctIndexed) {
    m_raster.Palette = HalftonePalette();
    m_raster.PaletteCount = 1 << bpp;
  } else if (header.ColorType == ctGreyscale || header.ColorType == ctGreyscaleAlpha) {
    BuildGreyRamp(header.BitDepth == bd16 ? 8 : header.BitDepth);
    m_raster.PaletteCount = 1 << bpp;
  }
}

void TPngImage::BuildGreyRamp(int bits) {
  const int entries = 1 << bits;
  m_raster.Palette.fill({});
  for (int k = 0; k < entries; ++k) {
    // 255 is divisible by 2^bits - 1 for 1, 2, 4 and 8 bits, so the level is exact.
    const std::uint8_t v = m_gammaLut[static_cast<std::size_t>(k * 255 / (entries - 1))];
    m_raster.Palette[static_cast<std::size_t>(k)] = {v, v, v, 0};
  }
  if (m_raster.BitsPerPixel > 0) m_raster.PaletteCount = 1 << m_raster.BitsPerPixel;
}

void TPngImage::ResetGamma() {
  for (int i = 0; i < 256; ++i) {
    m_gammaLut[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    m_inverseGammaLut[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  }
  m_gammaIdentity = true;
}

void TPngImage::SetGamma(std::uint32_t g) {
  if (g == 0) return;
  const double exponent = 1.0 / (2.2 * g / 100000.0);
  for (int i = 0; i < 256; ++i) m_inverseGammaLut[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  m_gammaIdentity = true;
  for (int i = 0; i < 256; ++i) {
    const double v = std::nearbyint(255.0 * std::pow(i / 255.0, exponent));
    const auto out = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    m_gammaLut[static_cast<std::size_t>(i)] = out;
    m_inverseGammaLut[out] = static_cast<std::uint8_t>(i);
    if (out != i) m_gammaIdentity = false;
  }
}

void TPngImage::SetPalette(std::span<const std::uint8_t> plte) {
  if (plte.size() % 3 != 0 || plte.size() / 3 > 256) RaisePngFailure(pfInvalidPalette);
  if (m_header.ColorType != ctIndexed) return;
  for (std::size_t i = 0; i < plte.size() / 3; ++i) {
    const std::uint8_t* c = plte.data() + 3 * i;
    m_raster.Palette[i] = {m_gammaLut[c[2]], m_gammaLut[c[1]], m_gammaLut[c[0]], 0};
  }
}

void TPngImage::SetTransparency(std::span<const std::uint8_t> trns) {
  if (trns.size() > 256) RaisePngFailure(pfInvalidPalette);
  m_transparency.fill(255);
  std::copy(trns.begin(), trns.end(), m_transparency.begin());
}
