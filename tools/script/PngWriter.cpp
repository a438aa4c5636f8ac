#include "tools/script/PngWriter.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace {
void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
  Put32(out, static_cast<std::uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  Put32(out, static_cast<std::uint32_t>(crc));
}
}  // namespace

bool WritePng(const std::string& path, const TSurface& s, TPngChannels channels) {
  const bool alpha = channels == pcRgba;
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<size_t>(s.Height) * (1 + (alpha ? 4 : 3) * s.Width));
  for (int y = 0; y < s.Height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < s.Width; ++x) {
      const TPixel p = s.At(x, y);
      raw.push_back(static_cast<unsigned char>(p >> 16));
      raw.push_back(static_cast<unsigned char>(p >> 8));
      raw.push_back(static_cast<unsigned char>(p));
      if (alpha) raw.push_back(static_cast<unsigned char>(p >> 24));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> ihdr;
  Put32(ihdr, static_cast<std::uint32_t>(s.Width));
  Put32(ihdr, static_cast<std::uint32_t>(s.Height));
  ihdr.insert(ihdr.end(), {8, static_cast<unsigned char>(alpha ? 6 : 2), 0, 0, 0});
  Chunk(out, "IHDR", ihdr);
  Chunk(out, "IDAT", packed);
  Chunk(out, "IEND", {});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}
