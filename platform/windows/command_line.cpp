// The arguments come from the wide command line: main's narrow ones are in the ANSI code page,
// which cannot hold every file name.
#include "platform/command_line.h"

#include "platform/windows/win_api.h"
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

namespace platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  const windows::LocalPtr<LPWSTR> wide(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  if (!wide) {
    for (int index = 1; index < argc; ++index) {
      arguments.emplace_back(argv[index]);
    }
    return arguments;
  }
  for (int index = 1; index < count; ++index) {
    arguments.push_back(windows::Utf8Of(wide.get()[index]));
  }
  return arguments;
}

}  // namespace platform
