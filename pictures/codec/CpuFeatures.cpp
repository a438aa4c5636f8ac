#include "pictures/codec/CpuFeatures.h"

bool CpuHasSsse3() {
#if defined(ORV_PNG_X86)
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
#else
  return false;
#endif
}
