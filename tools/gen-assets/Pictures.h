// The program's built-in pictures, drawn as scenes.
#pragma once

#include <cstdint>
#include <vector>

#include "app/LayoutStyles.h"
#include "tools/gen-assets/Scene.h"

namespace gen {

constexpr int kDiagramWidth = 492;
constexpr int kDiagramHeight = 151;
constexpr int kButtonSize = 48;
constexpr TRgba kPanelColour = Rgb(96, 94, 94);

// The layout diagram of a style, drawn from what lies at the two ends of its run: transparent
// background for a diagram stored as PNG, opaque on the panel colour for an alpha bitmap.
TPixmap Diagram(const TLayoutStyle& style);

// The button pictures at rest; the hot and pressed ones are made from these.
TPixmap PlusButton();
TPixmap SealLogo();
TPixmap ContactCard();

// The spin-edit arrow glyphs: 9 x 6 palette indices (top row first) of the 16-colour palette.
constexpr int kGlyphWidth = 9;
constexpr int kGlyphHeight = 6;
std::vector<std::uint8_t> ArrowGlyph(bool up);

}  // namespace gen
