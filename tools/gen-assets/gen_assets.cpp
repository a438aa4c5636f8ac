// orvanta-gen-assets OUTDIR [--preview DIR]
//
// Draws the program's built-in pictures and writes them in their stored forms into OUTDIR (the
// project keeps them in assets/). With --preview, every picture is also written as a plain PNG
// file into DIR for looking at.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/gen-assets/Pictures.h"
#include "tools/gen-assets/StoredForms.h"

namespace {

using namespace gen;

bool WriteFile(const std::filesystem::path& path, const TBytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
  return static_cast<bool>(out);
}

constexpr int kMaxScale = 3;

// The name of a picture drawn for a display scale: "imgs1.Picture.Data" at 2 is
// "imgs1.Picture@2x.Data"; at 1 the name is unchanged.
std::string ScaledName(const std::string& name, int scale) {
  if (scale == 1) return name;
  const size_t dot = name.rfind('.');
  return name.substr(0, dot) + "@" + std::to_string(scale) + "x" + name.substr(dot);
}

struct TOutput {
  std::filesystem::path Dir, Preview;
  bool Ok = true;
  int Scale = 1;

  void AllAt(int scale) {
    Scale = scale;
    for (std::int32_t style = 1; style <= kStyleCount; ++style) {
      const TLayoutStyle& row = LayoutStyle(style);
      Picture(std::string(row.Diagram) + ".Picture.Data", Diagram(row, scale), row.DiagramForm == dfAlphaBitmap,
              "Orvanta layout diagram, style " + std::to_string(style));
    }
    const TPixmap plus = PlusButton(scale), plusHot = Lighter(plus);
    Button("btn4", plus, plusHot, Shifted(plusHot, scale, scale), false);
    const TPixmap seal = SealLogo(scale);
    Button("btn5", seal, seal, seal, true);
    const TPixmap card = ContactCard(scale), cardHot = Lighter(card);
    Button("btn6", card, cardHot, Shifted(cardHot, scale, 2 * scale), false);
    for (const bool up : {true, false})
      Ok &= WriteFile(Dir / ScaledName(up ? "CNSPINEDITUP.bmp" : "CNSPINEDITDOWN.bmp", scale),
                      EncodeBmp4(kGlyphWidth * scale, kGlyphHeight * scale, ArrowGlyph(up, scale)));
  }

  void Picture(const std::string& baseName, const TPixmap& p, bool asAlphaBitmap, const std::string& note) {
    // The pictures for scaled displays are all stored as PNG: an alpha bitmap of a 3x diagram
    // would take 2.6 MB.
    const std::string name = ScaledName(baseName, Scale);
    Ok &= WriteFile(Dir / name, asAlphaBitmap && Scale == 1 ? PngGraphicStream(p) : PngObjectStream(p, note));
    if (!Preview.empty()) Ok &= WriteFile(Preview / (name + ".png"), EncodePng(p, note));
  }
  // A button's three pictures.
  void Button(const std::string& name, const TPixmap& normal, const TPixmap& hot, const TPixmap& pressed,
              bool asAlphaBitmap) {
    Picture(name + ".PictureDefault.Data", normal, asAlphaBitmap, name + " at rest");
    Picture(name + ".PictureHot.Data", hot, asAlphaBitmap, name + " under the pointer");
    Picture(name + ".PicturePress.Data", pressed, asAlphaBitmap, name + " pressed");
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--preview")) {
    std::fprintf(stderr, "usage: %s OUTDIR [--preview DIR]\n", argv[0]);
    return 2;
  }
  TOutput out;
  out.Dir = argv[1];
  std::filesystem::create_directories(out.Dir);
  if (argc == 4) {
    out.Preview = argv[3];
    std::filesystem::create_directories(out.Preview);
  }

  for (int scale = 1; scale <= kMaxScale; ++scale) out.AllAt(scale);
  return out.Ok ? 0 : 1;
}
