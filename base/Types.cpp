#include "base/Types.h"

#include <cstring>

// ---------------------------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------------------------

namespace {
struct TSystemColorEntry {
  TColor Color;
  TColor Rgb;
  const char* Name;
};
// The classic desktop scheme.
constexpr TSystemColorEntry kSystemColors[] = {
    {clBackground, RGB(58, 110, 165), "clBackground"},      {clWindow, RGB(255, 255, 255), "clWindow"},
    {clWindowFrame, RGB(0, 0, 0), "clWindowFrame"},         {clWindowText, RGB(0, 0, 0), "clWindowText"},
    {clHighlight, RGB(10, 36, 106), "clHighlight"},         {clHighlightText, RGB(255, 255, 255), "clHighlightText"},
    {clBtnFace, RGB(212, 208, 200), "clBtnFace"},           {clBtnShadow, RGB(128, 128, 128), "clBtnShadow"},
    {clGrayText, RGB(128, 128, 128), "clGrayText"},         {clBtnText, RGB(0, 0, 0), "clBtnText"},
    {clBtnHighlight, RGB(255, 255, 255), "clBtnHighlight"},
};
}  // namespace

TColor ColorToRGB(TColor c) {
  if (!IsSystemColor(c)) return c & 0xFFFFFF;
  for (const auto& e : kSystemColors)
    if (e.Color == c) return e.Rgb;
  return 0;
}

std::string SystemColorName(TColor c) {
  for (const auto& e : kSystemColors)
    if (e.Color == c) return e.Name;
  return {};
}

// ---------------------------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------------------------

void FillPixels(TPixel* first, int count, TPixel value) {
  const TPixel quad[4] = {value, value, value, value};
  int i = 0;
  for (; i + 4 <= count; i += 4) std::memcpy(first + i, quad, sizeof quad);
  for (; i < count; ++i) first[i] = value;
}
