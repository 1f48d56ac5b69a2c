// Runs one of the build's Windows tools as its own process and collects what it prints.
#pragma once

#include <string>
#include <vector>

namespace corvane_test {

struct ToolRun {
  int exitCode = -1;
  std::string output;  // standard output, as written
  std::string errors;  // standard error
};

// Runs tools/NAME.exe of the build with the arguments (UTF-8) and waits for it to end.
ToolRun RunTool(const std::string& name, const std::vector<std::string>& arguments);

}  // namespace corvane_test
