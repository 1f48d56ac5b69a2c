// Runs a program of the system (such as the command that rebuilds the CA bundle) and waits for it.
#pragma once

#include <string>
#include <vector>

namespace platform::linux_trust {

struct ProgramRun {
  bool started = false;
  int exitCode = -1;   // -1 when it did not exit normally
  std::string output;  // standard output and standard error together
};

// argv[0] is the program's path. Standard input is /dev/null.
ProgramRun RunProgram(const std::vector<std::string>& argv);

// A failed run as one line: the program, how it ended and the last line it wrote.
std::string RunProblem(const std::vector<std::string>& argv, const ProgramRun& run);

}  // namespace platform::linux_trust
