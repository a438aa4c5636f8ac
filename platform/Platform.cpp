#include "platform/Platform.h"

#include <clocale>
#include <stdexcept>

namespace platform {

namespace {
TPlatform* g_platform = nullptr;
}

TPlatform& Platform() {
  if (!g_platform) throw std::logic_error("no platform backend installed");
  return *g_platform;
}

void SetPlatform(TPlatform* p) { g_platform = p; }

char TPlatform::LocaleDecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  if (!conv || !conv->decimal_point || !conv->decimal_point[0]) return '.';
  return conv->decimal_point[0];
}

}  // namespace platform
