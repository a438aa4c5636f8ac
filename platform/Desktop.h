// The real desktop. Each operating system's backend library implements these two functions and
// the build links the one for its target, so the program's entry names no backend.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

// Connects to the user's desktop; throws std::runtime_error when there is none to talk to.
std::unique_ptr<TPlatform> CreateDesktopPlatform();

// The program's arguments in UTF-8, without the program's own name, split as the operating
// system hands them over (on Windows the one command line is split by the start-up rule).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
