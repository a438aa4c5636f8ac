// make-icon STORED ICON.png [ICON.ico]: writes the stored 32-bit alpha bitmap picture STORED
// (class name, 4-byte length, BMP file) as an RGBA PNG, and optionally as a Windows icon file
// holding that PNG (the form Windows icons take for pictures with an alpha channel).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/script/PngWriter.h"

namespace {
void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An icon file with one image: the header, one directory entry, then the PNG itself.
bool WriteIco(const char* pngPath, const char* icoPath, int width, int height) {
  std::ifstream in(pngPath, std::ios::binary);
  const std::vector<char> png((std::istreambuf_iterator<char>(in)), {});
  std::ofstream out(icoPath, std::ios::binary);
  if (png.empty() || !out) return false;
  PutLe(out, 0, 2);  // reserved
  PutLe(out, 1, 2);  // an icon
  PutLe(out, 1, 2);  // one image
  PutLe(out, width >= 256 ? 0 : width, 1);
  PutLe(out, height >= 256 ? 0 : height, 1);
  PutLe(out, 0, 2);   // no palette, reserved
  PutLe(out, 1, 2);   // colour planes
  PutLe(out, 32, 2);  // bits per pixel
  PutLe(out, static_cast<std::uint32_t>(png.size()), 4);
  PutLe(out, 6 + 16, 4);  // where the image starts
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(out);
}

std::uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: make-icon STORED ICON.png [ICON.ico]\n");
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
  if (!WritePng(argv[2], icon, pcRgba)) return 1;
  if (argc == 4 && !WriteIco(argv[2], argv[3], width, height))
    return std::fprintf(stderr, "make-icon: cannot write %s\n", argv[3]), 1;
  return 0;
}
