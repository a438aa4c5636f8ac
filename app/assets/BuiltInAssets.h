// The files of assets/ built into the program: the stored picture streams of the main window
// ("imgs1.Picture.Data", "btn4.PictureHot.Data", ...) and the spin-edit arrow glyphs
// ("CNSPINEDITUP.bmp", "CNSPINEDITDOWN.bmp").
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct TBuiltInAsset {
  std::string_view Name;
  std::span<const std::uint8_t> Bytes;
};

// Every built-in asset, sorted by name.
std::span<const TBuiltInAsset> BuiltInAssets();
// The bytes of the asset with exactly this file name; empty when there is none.
std::span<const std::uint8_t> BuiltInAsset(std::string_view name);
// The asset drawn for a display scale (2 or 3) beside the one named: "imgs1.Picture.Data" at 2
// is "imgs1.Picture@2x.Data"; a name without an extension gets the mark at its end (the bitmap
// resource "CNSPINEDITUP" at 3 is "CNSPINEDITUP@3x").
std::string ScaledAssetName(std::string_view name, int scale);
// Makes the spin-edit arrow glyphs known as the bitmap resources CNSPINEDITUP and CNSPINEDITDOWN.
void RegisterBuiltInBitmaps();
