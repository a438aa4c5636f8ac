// orvanta-script [SCRIPT]: runs the program headless, driven by SCRIPT or standard input.
#include <fstream>
#include <iostream>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/script/ScriptDriver.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // Output lines end in "\n" on every system: a program reading them gets the same bytes.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (argc > 2) {
    std::cerr << "usage: orvanta-script [SCRIPT]\n";
    return 2;
  }
  if (argc == 2) {
    std::ifstream file(argv[1]);
    if (!file) {
      std::cerr << "orvanta-script: cannot read " << argv[1] << "\n";
      return 2;
    }
    return TScriptDriver(file, std::cout).Run();
  }
  return TScriptDriver(std::cin, std::cout).Run();
}
