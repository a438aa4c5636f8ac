#include "app/assets/BuiltInAssets.h"

#include "framework/Bitmap.h"

#include <algorithm>
#include <string>

// Defined in the source generated from assets/.
extern const TBuiltInAsset kBuiltInAssets[];
extern const std::size_t kBuiltInAssetCount;

std::span<const TBuiltInAsset> BuiltInAssets() { return {kBuiltInAssets, kBuiltInAssetCount}; }

std::span<const std::uint8_t> BuiltInAsset(std::string_view name) {
  for (const TBuiltInAsset& a : BuiltInAssets())
    if (a.Name == name) return a.Bytes;
  return {};
}

std::string ScaledAssetName(std::string_view name, int scale) {
  const size_t dot = std::min(name.rfind('.'), name.size());
  return std::string(name.substr(0, dot)) + "@" + std::to_string(scale) + "x" + std::string(name.substr(dot));
}

void RegisterBuiltInBitmaps() {
  for (const char* name : {"CNSPINEDITUP", "CNSPINEDITDOWN"}) {
    const std::string file = std::string(name) + ".bmp";
    RegisterBitmapResource(name, BuiltInAsset(file));
    // The glyphs drawn for scaled displays, found by the bitmap as NAME@2x and NAME@3x.
    for (int scale = 2; scale <= 3; ++scale)
      RegisterBitmapResource(ScaledAssetName(name, scale), BuiltInAsset(ScaledAssetName(file, scale)));
  }
}
