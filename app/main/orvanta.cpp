// The desktop program: the entry on the SDL backend.
#include <clocale>
#include <cstdio>
#include <cstdlib>

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
    // The program has ended: its windows are gone and nothing is saved. The desktop connection
    // is left to the process end, since the toolkit's own shut-down can meet late answers about
    // windows that are already gone and would turn a normal end into a failure.
    std::fflush(nullptr);
    std::_Exit(code);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvanta: %s\n", e.what());
    return 1;
  }
}
