// The stored forms of the generated pictures.
//
//   PNG datastream   8-bit truecolour with alpha, a private ancillary chunk right after IHDR,
//                    image data deflated with zlib and split into several IDAT chunks
//   32-bit BMP file  bottom-up rows of blue, green, red, alpha
//   picture stream   one length byte, the picture class name, then the class's own data:
//                    "TPNGObject" + PNG datastream, "TPNGGraphic" + 4-byte length + BMP file
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/gen-assets/Scene.h"

namespace gen {

using TBytes = std::vector<std::uint8_t>;

// `note` is the text of the private chunk.
TBytes EncodePng(const TPixmap& picture, const std::string& note);
TBytes EncodeBmp32(const TPixmap& picture);
// A 4-bit BMP file with the 16-colour palette; `indices` holds one palette index per pixel,
// rows top-down.
TBytes EncodeBmp4(int width, int height, const std::vector<std::uint8_t>& indices);

TBytes PngObjectStream(const TPixmap& picture, const std::string& note);
TBytes PngGraphicStream(const TPixmap& picture);

}  // namespace gen
