#include "app/assets/BuiltInAssets.h"

#include "framework/Bitmap.h"

// Defined in the source generated from assets/.
extern const TBuiltInAsset kBuiltInAssets[];
extern const std::size_t kBuiltInAssetCount;

std::span<const TBuiltInAsset> BuiltInAssets() { return {kBuiltInAssets, kBuiltInAssetCount}; }

std::span<const std::uint8_t> BuiltInAsset(std::string_view name) {
  for (const TBuiltInAsset& a : BuiltInAssets())
    if (a.Name == name) return a.Bytes;
  return {};
}

void RegisterBuiltInBitmaps() {
  RegisterBitmapResource("CNSPINEDITUP", BuiltInAsset("CNSPINEDITUP.bmp"));
  RegisterBitmapResource("CNSPINEDITDOWN", BuiltInAsset("CNSPINEDITDOWN.bmp"));
}
