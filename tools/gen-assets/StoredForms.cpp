#include "tools/gen-assets/StoredForms.h"

#include <zlib.h>

#include <cstdlib>
#include <stdexcept>

namespace gen {

namespace {

// Private chunk: ancillary (lower-case first letter), private (lower-case second), reserved bit
// clear (upper-case third), safe to copy (lower-case fourth).
constexpr char kNoteChunk[] = "orVa";
constexpr std::size_t kIdatSize = 16384;

void PutBE32(TBytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void PutLE32(TBytes& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void PutLE16(TBytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutChunk(TBytes& out, const char* type, const std::uint8_t* data, std::size_t size) {
  PutBE32(out, static_cast<std::uint32_t>(size));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + size);
  const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBE32(out, static_cast<std::uint32_t>(crc));
}
void PutChunk(TBytes& out, const char* type, const TBytes& data) { PutChunk(out, type, data.data(), data.size()); }

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// One scan line filtered with each of the five filters; the one with the smallest sum of
// absolute (signed) residuals is kept, ties going to the lower filter number.
void FilterRow(const std::uint8_t* row, const std::uint8_t* prior, std::size_t n, TBytes& out) {
  constexpr int bpp = 4;
  TBytes best;
  long bestCost = -1;
  TBytes line(n + 1);
  for (int f = 0; f <= 4; ++f) {
    line[0] = static_cast<std::uint8_t>(f);
    long cost = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0;
      const int b = prior ? prior[i] : 0;
      const int c = prior && i >= bpp ? prior[i - bpp] : 0;
      int pred = 0;
      switch (f) {
        case 1: pred = a; break;
        case 2: pred = b; break;
        case 3: pred = (a + b) / 2; break;
        case 4: pred = Paeth(a, b, c); break;
        default: break;
      }
      const auto v = static_cast<std::uint8_t>(row[i] - pred);
      line[i + 1] = v;
      cost += v < 128 ? v : 256 - v;
    }
    if (bestCost < 0 || cost < bestCost) {
      bestCost = cost;
      best = line;
    }
  }
  out.insert(out.end(), best.begin(), best.end());
}

TBytes Deflate(const TBytes& raw) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
  TBytes out(deflateBound(&z, static_cast<uLong>(raw.size())));
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

void PutTagged(TBytes& out, const std::string& className) {
  out.push_back(static_cast<std::uint8_t>(className.size()));
  out.insert(out.end(), className.begin(), className.end());
}

void PutBmpHeaders(TBytes& out, int width, int height, int bits, std::uint32_t paletteSize, std::uint32_t imageSize) {
  const std::uint32_t offset = 14 + 40 + paletteSize;
  out.push_back('B');
  out.push_back('M');
  PutLE32(out, offset + imageSize);
  PutLE16(out, 0);
  PutLE16(out, 0);
  PutLE32(out, offset);
  PutLE32(out, 40);
  PutLE32(out, static_cast<std::uint32_t>(width));
  PutLE32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
  PutLE16(out, 1);
  PutLE16(out, static_cast<std::uint16_t>(bits));
  PutLE32(out, 0);  // no compression
  PutLE32(out, imageSize);
  PutLE32(out, 0);
  PutLE32(out, 0);
  PutLE32(out, 0);
  PutLE32(out, 0);
}

}  // namespace

TBytes EncodePng(const TPixmap& p, const std::string& note) {
  const std::size_t rowBytes = static_cast<std::size_t>(p.Width()) * 4;
  TBytes raw;
  raw.reserve((rowBytes + 1) * p.Height());
  TBytes prior, row(rowBytes);
  for (int y = 0; y < p.Height(); ++y) {
    for (int x = 0; x < p.Width(); ++x) {
      const TRgba& c = p.At(x, y);
      row[4 * x] = c.R;
      row[4 * x + 1] = c.G;
      row[4 * x + 2] = c.B;
      row[4 * x + 3] = c.A;
    }
    FilterRow(row.data(), prior.empty() ? nullptr : prior.data(), rowBytes, raw);
    prior = row;
  }
  const TBytes packed = Deflate(raw);

  TBytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  TBytes ihdr;
  PutBE32(ihdr, static_cast<std::uint32_t>(p.Width()));
  PutBE32(ihdr, static_cast<std::uint32_t>(p.Height()));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, truecolour with alpha, no interlace
  PutChunk(out, "IHDR", ihdr);
  PutChunk(out, kNoteChunk, TBytes(note.begin(), note.end()));
  for (std::size_t at = 0; at < packed.size(); at += kIdatSize)
    PutChunk(out, "IDAT", packed.data() + at, std::min(kIdatSize, packed.size() - at));
  PutChunk(out, "IEND", nullptr, 0);
  return out;
}

TBytes EncodeBmp32(const TPixmap& p) {
  const auto imageSize = static_cast<std::uint32_t>(p.Width() * p.Height() * 4);
  TBytes out;
  PutBmpHeaders(out, p.Width(), p.Height(), 32, 0, imageSize);
  for (int y = p.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < p.Width(); ++x) {
      const TRgba& c = p.At(x, y);
      out.insert(out.end(), {c.B, c.G, c.R, c.A});
    }
  }
  return out;
}

TBytes EncodeBmp4(int width, int height, const std::vector<std::uint8_t>& indices) {
  // The classic 16-colour palette, entries blue, green, red, 0.
  static const std::uint8_t kPalette[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                               {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                               {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                               {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  const int rowBytes = (4 * width + 31) / 32 * 4;
  TBytes out;
  PutBmpHeaders(out, width, height, 4, 16 * 4, static_cast<std::uint32_t>(rowBytes * height));
  for (const auto& rgb : kPalette) out.insert(out.end(), {rgb[2], rgb[1], rgb[0], 0});
  for (int y = height - 1; y >= 0; --y) {
    TBytes row(static_cast<std::size_t>(rowBytes), 0);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t index = indices[static_cast<std::size_t>(y) * width + x] & 15;
      row[x / 2] |= x % 2 == 0 ? static_cast<std::uint8_t>(index << 4) : index;
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

TBytes PngObjectStream(const TPixmap& picture, const std::string& note) {
  TBytes out;
  PutTagged(out, "TPNGObject");
  const TBytes png = EncodePng(picture, note);
  out.insert(out.end(), png.begin(), png.end());
  return out;
}

TBytes PngGraphicStream(const TPixmap& picture) {
  TBytes out;
  PutTagged(out, "TPNGGraphic");
  const TBytes bmp = EncodeBmp32(picture);
  PutLE32(out, static_cast<std::uint32_t>(bmp.size()));
  out.insert(out.end(), bmp.begin(), bmp.end());
  return out;
}

}  // namespace gen
