// The program's entry, shared by the desktop program and the headless driver.
#pragma once

#include <string>
#include <vector>

// Runs the program on the installed platform backend: module initialisation, the version switch,
// the single-instance test, the main window and the message loop. `args` excludes the program's
// own path; `exePath` gives the application's title. Returns the exit code.
int RunOrvanta(const std::vector<std::string>& args, const std::string& exePath);
