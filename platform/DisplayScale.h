// The display scale a desktop asks for, from what it publishes: the X resource database's
// Xft.dpi (96 per 100 %) and the ORVANTA_SCALE override. Pure text handling, so that every
// backend and the tests share it.
#pragma once

#include <optional>
#include <string_view>

namespace platform {

// The Xft.dpi value of an X resource database in its text form (RESOURCE_MANAGER: one
// "name:<tab>value" line each); none when absent or not a positive number.
std::optional<double> XftDpi(std::string_view resources);

// The desktop scale (1.0 at 96 pixels per inch): the override when it is a number from 1 to 3
// ("2", "1.5"), else dpi / 96, else 1.
double DesktopScaleFrom(const char* override, std::optional<double> dpi);

}  // namespace platform
