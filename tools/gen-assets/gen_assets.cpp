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

struct TOutput {
  std::filesystem::path Dir, Preview;
  bool Ok = true;

  void Picture(const std::string& name, const TPixmap& p, bool asAlphaBitmap, const std::string& note) {
    Ok &= WriteFile(Dir / name, asAlphaBitmap ? PngGraphicStream(p) : PngObjectStream(p, note));
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

  for (std::int32_t style = 1; style <= kStyleCount; ++style) {
    const TLayoutStyle& row = LayoutStyle(style);
    out.Picture(std::string(row.Diagram) + ".Picture.Data", Diagram(row), row.DiagramForm == dfAlphaBitmap,
                "Orvanta layout diagram, style " + std::to_string(style));
  }

  const TPixmap plus = PlusButton(), plusHot = Lighter(plus);
  out.Button("btn4", plus, plusHot, Shifted(plusHot, 1, 1), false);
  const TPixmap seal = SealLogo();
  out.Button("btn5", seal, seal, seal, true);
  const TPixmap card = ContactCard(), cardHot = Lighter(card);
  out.Button("btn6", card, cardHot, Shifted(cardHot, 1, 2), false);

  out.Ok &= WriteFile(out.Dir / "CNSPINEDITUP.bmp", EncodeBmp4(kGlyphWidth, kGlyphHeight, ArrowGlyph(true)));
  out.Ok &= WriteFile(out.Dir / "CNSPINEDITDOWN.bmp", EncodeBmp4(kGlyphWidth, kGlyphHeight, ArrowGlyph(false)));
  return out.Ok ? 0 : 1;
}
