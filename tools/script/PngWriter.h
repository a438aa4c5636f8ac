// Writes a surface as an 8-bit PNG file: RGB for screenshots, RGBA (the pixels' alpha bytes)
// for icons.
#pragma once

#include <string>

#include "base/Types.h"

enum TPngChannels { pcRgb, pcRgba };
bool WritePng(const std::string& path, const TSurface& surface, TPngChannels channels = pcRgb);
