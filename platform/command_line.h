// The arguments the program was started with.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments after the program's name, as UTF-8 texts (on Linux: as the system passed them).
// argc and argv are those given to main.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
