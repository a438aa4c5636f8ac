// The program's built-in pictures, drawn as scenes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/gen-assets/Scene.h"

namespace gen {

constexpr int kDiagramWidth = 492;
constexpr int kDiagramHeight = 151;
constexpr int kButtonSize = 48;
constexpr TRgba kPanelColour = Rgb(96, 94, 94);

// The layout diagram of style 1 to 5: transparent background for 1 to 3, opaque on the panel
// colour for 4 and 5.
TPixmap Diagram(int style);

// The button pictures at rest; the hot and pressed ones are made from these.
TPixmap PlusButton();
TPixmap SealLogo();
TPixmap ContactCard();

// The spin-edit arrow glyphs: 9 x 6 palette indices (top row first) of the 16-colour palette.
constexpr int kGlyphWidth = 9;
constexpr int kGlyphHeight = 6;
std::vector<std::uint8_t> ArrowGlyph(bool up);

}  // namespace gen
