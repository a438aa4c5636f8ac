// orvanta-script [--echo] [SCRIPT]: runs the program headless, driven by SCRIPT or standard
// input. With --echo each command is printed, after "> ", before its output, so that the output
// reads as a transcript.
#include <fstream>
#include <iostream>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <string>

#include "tools/script/ScriptDriver.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // Output lines end in "\n" on every system: a program reading them gets the same bytes.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  bool echo = false;
  int first = 1;
  if (argc > 1 && std::string(argv[1]) == "--echo") {
    echo = true;
    first = 2;
  }
  if (argc - first > 1) {
    std::cerr << "usage: orvanta-script [--echo] [SCRIPT]\n";
    return 2;
  }
  if (argc - first == 1) {
    std::ifstream file(argv[first]);
    if (!file) {
      std::cerr << "orvanta-script: cannot read " << argv[first] << "\n";
      return 2;
    }
    return TScriptDriver(file, std::cout, echo).Run();
  }
  return TScriptDriver(std::cin, std::cout, echo).Run();
}
