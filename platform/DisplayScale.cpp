#include "platform/DisplayScale.h"

#include <cstdlib>
#include <string>

namespace platform {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A whole text as a number; none when anything but the number is in it.
std::optional<double> Number(std::string_view text) {
  const std::string s(Trim(text));
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == nullptr || *end != '\0' || !(v > 0)) return std::nullopt;
  return v;
}

}  // namespace

std::optional<double> XftDpi(std::string_view resources) {
  std::optional<double> dpi;
  while (!resources.empty()) {
    const size_t end = resources.find('\n');
    const std::string_view line = resources.substr(0, end);
    resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || Trim(line.substr(0, colon)) != "Xft.dpi") continue;
    dpi = Number(line.substr(colon + 1));  // the last entry wins, as in the database
  }
  return dpi;
}

double DesktopScaleFrom(const char* override, std::optional<double> dpi) {
  if (override != nullptr) {
    const std::optional<double> v = Number(override);
    if (v && *v >= 1.0 && *v <= 3.0) return *v;
  }
  return dpi ? *dpi / 96.0 : 1.0;
}

}  // namespace platform
