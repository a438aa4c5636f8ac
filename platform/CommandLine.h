// The start-up rule for splitting one command line into arguments, for systems that hand the
// program a single line (and for the headless driver's `start`).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Blanks and tabs separate arguments; a double quote starts or ends a quoted stretch in which
// blanks and tabs belong to the argument; the quotes themselves are removed. `""` is an empty
// argument; an unclosed quote runs to the end of the line.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace platform
