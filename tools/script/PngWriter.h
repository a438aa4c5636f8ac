// Writes a surface as an 8-bit RGB PNG file (for screenshots).
#pragma once

#include <string>

#include "framework/Types.h"

bool WritePng(const std::string& path, const TSurface& surface);
