// Helpers of the picture tests: PNG datastreams written by libpng, hand-made chunks, and decoding
// with libpng as the reference.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Streams.h"
#include "pictures/PictureClasses.h"
#include "pictures/pngimage.h"

using TBytes = std::vector<std::uint8_t>;

struct TPngRecipe {
  int Width = 1;
  int Height = 1;
  int BitDepth = 8;
  int ColorType = 6;
  int Interlace = 0;
  bool WithTrns = false;
  std::uint32_t Gamma = 0;  // gAMA value, 0 for none
  int PaletteSize = 0;      // PLTE entries (indexed; 0 means 2^depth)
};

inline int ChannelsOf(int colorType) {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

inline std::size_t PackedRowBytes(const TPngRecipe& s) {
  return (static_cast<std::size_t>(s.Width) * ChannelsOf(s.ColorType) * s.BitDepth + 7) / 8;
}

// libpng's writer: rows are packed PNG scan-line bytes without the filter byte.
inline TBytes WritePng(const TPngRecipe& s, const std::vector<TBytes>& rows, const TBytes& trns = {},
                       const std::vector<png_color>& palette = {}) {
  TBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng write failed");
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* o = static_cast<TBytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, s.Width, s.Height, s.BitDepth, s.ColorType,
               s.Interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (s.Gamma != 0) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(s.Gamma));
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!trns.empty()) {
    if (s.ColorType == 3) {
      png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
    } else {
      png_color_16 c{};
      auto sample = [&](int i) { return static_cast<png_uint_16>((trns[2 * i] << 8) | trns[2 * i + 1]); };
      if (s.ColorType == 0)
        c.gray = sample(0);
      else {
        c.red = sample(0);
        c.green = sample(1);
        c.blue = sample(2);
      }
      png_set_tRNS(png, info, nullptr, 0, &c);
    }
  }
  // Every filter type occurs, so the unfiltering of each is exercised.
  png_set_filter(png, 0, PNG_ALL_FILTERS);
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (const TBytes& row : rows) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// libpng's decoding: one entry per sample (sub-byte samples unpacked, 16-bit samples whole).
struct TReference {
  int Width = 0, Height = 0, Channels = 0;
  std::vector<std::uint16_t> Samples;
  std::uint16_t At(int x, int y, int c) const {
    return Samples[(static_cast<std::size_t>(y) * Width + x) * Channels + c];
  }
};

inline TReference ReadWithLibpng(const TBytes& file) {
  struct TSource {
    const TBytes* Bytes;
    std::size_t At;
  } source{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    throw std::runtime_error("libpng read failed");
  }
  png_set_read_fn(png, &source, [](png_structp p, png_bytep data, png_size_t n) {
    auto* s = static_cast<TSource*>(png_get_io_ptr(p));
    if (s->At + n > s->Bytes->size()) png_error(p, "short");
    std::memcpy(data, s->Bytes->data() + s->At, n);
    s->At += n;
  });
  png_read_png(png, info, PNG_TRANSFORM_PACKING, nullptr);
  TReference ref;
  ref.Width = static_cast<int>(png_get_image_width(png, info));
  ref.Height = static_cast<int>(png_get_image_height(png, info));
  ref.Channels = png_get_channels(png, info);
  const int depth = png_get_bit_depth(png, info);
  png_bytepp rows = png_get_rows(png, info);
  for (int y = 0; y < ref.Height; ++y)
    for (int i = 0; i < ref.Width * ref.Channels; ++i)
      ref.Samples.push_back(depth == 16 ? static_cast<std::uint16_t>((rows[y][2 * i] << 8) | rows[y][2 * i + 1])
                                        : rows[y][i]);
  png_destroy_read_struct(&png, &info, nullptr);
  return ref;
}

inline std::vector<TBytes> RandomRows(const TPngRecipe& s, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<TBytes> rows(static_cast<std::size_t>(s.Height), TBytes(PackedRowBytes(s)));
  for (auto& row : rows)
    for (auto& b : row) b = static_cast<std::uint8_t>(random() >> 24);
  return rows;
}

// --- Hand-made datastreams ------------------------------------------------------------------

inline void PutBe32(TBytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline TBytes Signature() { return {137, 80, 78, 71, 13, 10, 26, 10}; }

// One chunk with a correct CRC (or `crcDelta` added to it).
inline TBytes Chunk(const std::string& type, const TBytes& data, std::uint32_t crcDelta = 0) {
  TBytes out;
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  PutBe32(out, static_cast<std::uint32_t>(crc) + crcDelta);
  return out;
}

inline TBytes IhdrData(std::uint32_t w, std::uint32_t h, int depth, int type, int compression = 0, int filter = 0,
                       int interlace = 0) {
  TBytes d;
  PutBe32(d, w);
  PutBe32(d, h);
  d.push_back(static_cast<std::uint8_t>(depth));
  d.push_back(static_cast<std::uint8_t>(type));
  d.push_back(static_cast<std::uint8_t>(compression));
  d.push_back(static_cast<std::uint8_t>(filter));
  d.push_back(static_cast<std::uint8_t>(interlace));
  return d;
}

inline TBytes Deflate(const TBytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  TBytes out(size);
  compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

inline TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline void LoadPng(TPNGObject& png, const TBytes& bytes) {
  TSpanStream stream(bytes);
  png.LoadFromStream(stream);
}

// Registers the picture and chunk classes for the whole test program.
class TPictureClassesEnvironment {
 public:
  TPictureClassesEnvironment() { RegisterPictureClasses(); }
};
inline TPictureClassesEnvironment g_pictureClasses;
