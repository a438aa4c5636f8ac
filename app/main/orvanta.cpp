// The desktop program: the entry on the SDL backend.
#include <clocale>
#include <cstdio>

#include "app/Entry.h"
#include "framework/SysUtils.h"
#include "platform/sdl/SdlPlatform.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    auto backend = CreateSdlPlatform();
    platform::SetPlatform(backend.get());
    const int code = RunOrvanta(args, argv[0]);
    platform::SetPlatform(nullptr);
    return code;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvanta: %s\n", e.what());
    return 1;
  }
}
