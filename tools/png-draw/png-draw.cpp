// png-draw FILE R G B OUT.ppm
// png-draw --info FILE
//
// Reads FILE as a TPNGObject picture, draws it at its natural size onto a canvas of the same size
// filled with the colour (R, G, B), and writes the canvas as a binary PPM (P6, maxval 255). With
// --info it only reads the picture and prints one line,
//   width W height H colour-type C bit-depth B interlace I
// so that the cost of reading alone can be measured. On failure nothing is written: the error is
// printed as "CLASSNAME: message" on standard error and the exit status is 1. Bad arguments print
// the usage and exit with 2.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Streams.h"
#include "pictures/PictureClasses.h"
#include "pictures/pngimage.h"

namespace {

bool ParseChannel(const char* text, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 255) return false;
  out = static_cast<int>(v);
  return true;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EReadError("Cannot open file \"" + path + "\"");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Ppm(const TSurface& surface) {
  std::string out = "P6\n" + std::to_string(surface.Width) + " " + std::to_string(surface.Height) + "\n255\n";
  out.reserve(out.size() + surface.Pixels.size() * 3);
  for (TPixel p : surface.Pixels) {
    out.push_back(static_cast<char>((p >> 16) & 0xFF));
    out.push_back(static_cast<char>((p >> 8) & 0xFF));
    out.push_back(static_cast<char>(p & 0xFF));
  }
  return out;
}

void Load(TPNGObject& picture, const std::string& file) {
  const std::vector<std::uint8_t> bytes = ReadFile(file);
  TSpanStream stream(bytes);
  picture.LoadFromStream(stream);
}

int Info(const std::string& file) {
  TPNGObject picture;
  Load(picture, file);
  const TChunkIHDR& header = picture.Header();
  std::cout << "width " << header.Width() << " height " << header.Height() << " colour-type " << int{header.ColorType()}
            << " bit-depth " << int{header.BitDepth()} << " interlace " << int{header.InterlaceMethod()} << std::endl;
  return 0;
}

int Draw(const std::string& file, int r, int g, int b, const std::string& output) {
  TPNGObject picture;
  Load(picture, file);
  TSurface surface(picture.Width(), picture.Height(), PixelFromColor(RGB(r, g, b)));
  TCanvas canvas(surface);
  picture.Draw(canvas, {0, 0, surface.Width, surface.Height});
  const std::string ppm = Ppm(surface);
  std::ofstream out(output, std::ios::binary);
  if (!out) throw EWriteError("Cannot create file \"" + output + "\"");
  out.write(ppm.data(), static_cast<std::streamsize>(ppm.size()));
  if (!out) throw EWriteError("Stream write error");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int r = 0, g = 0, b = 0;
  const bool info = argc == 3 && std::string(argv[1]) == "--info";
  if (!info && (argc != 6 || !ParseChannel(argv[2], r) || !ParseChannel(argv[3], g) || !ParseChannel(argv[4], b))) {
    std::cerr << "usage: png-draw FILE R G B OUT.ppm   (R, G, B in 0..255)\n"
                 "       png-draw --info FILE\n";
    return 2;
  }
  RegisterPictureClasses();
  int status = 1;
  try {
    status = info ? Info(argv[2]) : Draw(argv[1], r, g, b, argv[5]);
  } catch (const Exception& e) {
    std::cerr << e.ClassName() << ": " << e.Message() << std::endl;
  } catch (const std::bad_alloc&) {
    std::cerr << "EPNGOutMemory: " << PngFailureMessage(pfOutMemory) << std::endl;
  }
  UnregisterPictureClasses();
  return status;
}
