// The start-up rule for a command line that arrives as one text (Windows hands a program its
// whole command line): blanks and tabs separate arguments, double quotes group blanks into one
// argument and are removed, and the first argument (the program itself) is not counted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::win32 {

// The arguments in UTF-8, without the program's own name.
std::vector<std::string> SplitCommandLine(std::u16string_view commandLine);

}  // namespace platform::win32
