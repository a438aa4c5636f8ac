// The PNG format's own numbers, named: colour types, bit depths, the Adam7 passes, and the sizes
// that follow from them (scan-line bytes, filter distance, the bits a decoded raster pixel takes).
#pragma once

#include <cstddef>
#include <cstdint>

enum TPngColorType : std::uint8_t {
  ctGreyscale = 0,
  ctTrueColor = 2,
  ctIndexed = 3,
  ctGreyscaleAlpha = 4,
  ctTrueColorAlpha = 6,
};

enum TPngBitDepth : std::uint8_t { bd1 = 1, bd2 = 2, bd4 = 4, bd8 = 8, bd16 = 16 };

enum TPngInterlace : std::uint8_t { imNone = 0, imAdam7 = 1 };

// One pass of Adam7 interlacing: its first row and column and its steps.
struct TAdam7Pass {
  int Row0, Col0, RowStep, ColStep;
  // The pixels of an image row of `width` that this pass holds.
  std::uint64_t Columns(std::uint64_t width) const { return (width + ColStep - Col0 - 1) / ColStep; }
};
inline constexpr TAdam7Pass Adam7Passes[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                              {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};

// Samples per pixel of a colour type.
constexpr int PngChannels(std::uint8_t colorType) {
  switch (colorType) {
    case ctTrueColor: return 3;
    case ctGreyscaleAlpha: return 2;
    case ctTrueColorAlpha: return 4;
    default: return 1;
  }
}

// Bytes of a scan line of `width` pixels, without its filter byte.
constexpr std::size_t PngLineBytes(std::uint8_t colorType, std::uint8_t bitDepth, std::uint64_t width) {
  return static_cast<std::size_t>((width * bitDepth * PngChannels(colorType) + 7) / 8);
}

// The bytes of one complete pixel (at least 1): how far back the filters look.
constexpr std::size_t PngFilterDistance(std::uint8_t colorType, std::uint8_t bitDepth) {
  const std::size_t bits = static_cast<std::size_t>(bitDepth) * PngChannels(colorType);
  return bits < 8 ? 1 : bits / 8;
}

// Bits per pixel of the decoded raster (1, 4 or 8 with a palette, or 24 for blue, green, red);
// 0 for a combination of colour type and bit depth that the format forbids.
constexpr int PngRasterBitsPerPixel(std::uint8_t colorType, std::uint8_t bitDepth) {
  switch (colorType) {
    case ctGreyscale:
      if (bitDepth == bd16) return 8;
      [[fallthrough]];
    case ctIndexed:
      if (bitDepth == bd1 || bitDepth == bd4 || bitDepth == bd8) return bitDepth;
      return bitDepth == bd2 ? 4 : 0;
    case ctTrueColor:
    case ctTrueColorAlpha: return (bitDepth == bd8 || bitDepth == bd16) ? 24 : 0;
    case ctGreyscaleAlpha: return (bitDepth == bd8 || bitDepth == bd16) ? 8 : 0;
    default: return 0;
  }
}

constexpr bool PngHasAlphaPlane(std::uint8_t colorType) {
  return colorType == ctGreyscaleAlpha || colorType == ctTrueColorAlpha;
}
