// make-icon STORED ICON.png: writes the stored 32-bit alpha bitmap picture STORED (class name,
// 4-byte length, BMP file) as an RGBA PNG.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/script/PngWriter.h"

namespace {
std::uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-icon STORED ICON.png\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), {});
  if (data.empty()) return std::fprintf(stderr, "make-icon: cannot read %s\n", argv[1]), 1;
  const size_t bmp = 1 + data[0] + 4;  // class name, then the bitmap's length
  if (data.size() < bmp + 54 || data[bmp] != 'B' || data[bmp + 1] != 'M')
    return std::fprintf(stderr, "make-icon: %s holds no bitmap\n", argv[1]), 1;
  const std::uint32_t offset = Le32(data, bmp + 10);
  const int width = static_cast<int>(Le32(data, bmp + 18));
  const int rawHeight = static_cast<int>(Le32(data, bmp + 22));
  const int bits = data[bmp + 28] | (data[bmp + 29] << 8);
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  if (bits != 32 || width <= 0 || width > 1024 || height <= 0 || height > 1024 ||
      data.size() < bmp + offset + static_cast<size_t>(width) * height * 4)
    return std::fprintf(stderr, "make-icon: %s is no 32-bit bitmap\n", argv[1]), 1;
  TSurface icon(width, height);
  for (int y = 0; y < height; ++y) {
    const int row = rawHeight > 0 ? height - 1 - y : y;  // bottom-up rows unless the height is negative
    std::memcpy(icon.Row(y), data.data() + bmp + offset + static_cast<size_t>(row) * width * 4, width * 4u);
  }
  return WritePng(argv[2], icon, pcRgba) ? 0 : 1;
}
