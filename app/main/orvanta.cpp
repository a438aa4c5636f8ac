// The desktop program: the entry on the backend the build links for this operating system.
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "app/Entry.h"
#include "framework/FontEngine.h"
#include "framework/SysUtils.h"
#include "platform/Desktop.h"
#include "platform/FontFiles.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
  try {
    auto backend = platform::CreateDesktopPlatform();
    platform::SetPlatform(backend.get());
    // Text is drawn from the glyphs an earlier run kept, where the desktop has a place for them.
    if (const auto store = platform::GlyphStoreLocation())
      TFontEngine::Instance().UseGlyphStore(store->Path, store->Stamp);
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
