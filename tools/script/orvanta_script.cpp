// orvanta-script [--echo] [--scale S] [SCRIPT]: runs the program headless, driven by SCRIPT or
// standard input. With --echo each command is printed, after "> ", before its output, so that the
// output reads as a transcript. With --scale the desktop asks for display scale S (1 to 3).
#include <cstdlib>
#include <fstream>
#include <iostream>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <string>

#include "tools/script/ScriptDriver.h"

namespace {
int Usage() {
  std::cerr << "usage: orvanta-script [--echo] [--scale S] [SCRIPT]\n";
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Output lines end in "\n" on every system: a program reading them gets the same bytes.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  bool echo = false;
  double scale = 1.0;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string arg = argv[first];
    if (arg == "--echo") {
      echo = true;
    } else if (arg == "--scale" && first + 1 < argc) {
      if (!ParseDesktopScale(argv[++first], scale)) return Usage();
    } else {
      break;
    }
  }
  if (argc - first > 1) return Usage();
  std::ifstream file;
  if (argc - first == 1) {
    file.open(argv[first]);
    if (!file) {
      std::cerr << "orvanta-script: cannot read " << argv[first] << "\n";
      return 2;
    }
  }
  TScriptDriver driver(argc - first == 1 ? static_cast<std::istream&>(file) : std::cin, std::cout, echo);
  driver.SetDesktopScale(scale);
  return driver.Run();
}
