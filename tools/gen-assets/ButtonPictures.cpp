// The pictures of the three image buttons and the spin-edit arrow glyphs.
#include <array>
#include <string_view>

#include "tools/gen-assets/Pictures.h"

namespace gen {

namespace {

TRgba Mix(TRgba a, TRgba b, double t) {
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  auto ch = [t](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * t + 0.5); };
  return {ch(a.R, b.R), ch(a.G, b.G), ch(a.B, b.B), 255};
}

// Letters of the seal, 5 x 6 cells each.
using TLetter = std::array<std::string_view, 6>;
constexpr TLetter kO = {".###.", "#...#", "#...#", "#...#", "#...#", ".###."};
constexpr TLetter kR = {"####.", "#...#", "####.", "#.#..", "#..#.", "#...#"};
constexpr TLetter kV = {"#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."};
constexpr TLetter kA = {"..#..", ".#.#.", "#...#", "#####", "#...#", "#...#"};

// Each cell of a letter as a 2 x 2 pixel block with its top-left at (x0, y0).
TShapePtr Letter(const TLetter& letter, int x0, int y0) {
  return Pixels({static_cast<double>(x0), static_cast<double>(y0), x0 + 10.0, y0 + 12.0},
                [&letter, x0, y0](int px, int py) {
                  return letter[static_cast<size_t>((py - y0) / 2)][static_cast<size_t>((px - x0) / 2)] == '#';
                });
}

}  // namespace

TPixmap PlusButton(int scale) {
  TScene s;
  s.Add(Circle(24, 24, 21), Rgb(18, 102, 38));
  const TRgba top = Rgb(118, 218, 126), bottom = Rgb(28, 146, 58);
  s.Add(Circle(24, 24, 19.6), [=](int, int, double, double y) { return Mix(top, bottom, (y - 4.4) / 39.2); });
  s.Add(Union({RoundRect(12, 21, 36, 27, 1.5), RoundRect(21, 12, 27, 36, 1.5)}), Rgb(255, 255, 255));
  return s.Render(kButtonSize, kButtonSize, scale);
}

TPixmap SealLogo(int scale) {
  TScene s;
  s.Add(RoundRect(5, 5, 43, 43, 2.5), Rgb(196, 30, 36));
  s.Add(Minus(RoundRect(8, 8, 40, 40, 1.5), RoundRect(9.5, 9.5, 38.5, 38.5, 1)), Rgb(255, 255, 255));
  s.Add(Letter(kO, 13, 11), Rgb(255, 255, 255));
  s.Add(Letter(kR, 25, 11), Rgb(255, 255, 255));
  s.Add(Letter(kV, 13, 25), Rgb(255, 255, 255));
  s.Add(Letter(kA, 25, 25), Rgb(255, 255, 255));
  return s.Render(kButtonSize, kButtonSize, scale);
}

TPixmap ContactCard(int scale) {
  TScene s;
  s.Add(RoundRect(4, 9, 44, 39, 3), Rgb(120, 130, 145));
  s.Add(RoundRect(5, 10, 43, 38, 2), Rgb(252, 252, 252));
  const TRgba blue = Rgb(38, 98, 196);
  s.Add(Circle(15, 19.5, 4), blue);
  s.Add(Intersect(Ellipse(15, 33, 8, 7.5), Rect(5, 25.5, 25, 35)), blue);
  const TRgba text = Rgb(120, 128, 140);
  s.Add(Rect(26, 15, 39, 17), text);
  s.Add(Rect(26, 20, 37, 22), text);
  s.Add(Rect(26, 25, 39, 27), text);
  s.Add(Rect(26, 30, 34, 32), text);
  return s.Render(kButtonSize, kButtonSize, scale);
}

std::vector<std::uint8_t> ArrowGlyph(bool up, int scale) {
  constexpr std::uint8_t kOlive = 3, kBlack = 0;
  const int width = kGlyphWidth * scale;
  std::vector<std::uint8_t> px(static_cast<size_t>(width) * kGlyphHeight * scale, kOlive);
  // Rows 1 to 4 of a triangle 7 wide and 4 tall, centred on column 4; a glyph pixel is a
  // scale x scale block, so the arrow keeps its stepped 45-degree edges at every size.
  for (int row = 1; row <= 4; ++row) {
    const int half = up ? row - 1 : 4 - row;
    for (int y = row * scale; y < (row + 1) * scale; ++y)
      for (int x = (4 - half) * scale; x < (5 + half) * scale; ++x) px[static_cast<size_t>(y) * width + x] = kBlack;
  }
  return px;
}

}  // namespace gen
