// The last step of every command-line tool: its standard output must have been written and
// closed completely, or the run failed, whatever it did before (output to a full disk, a closed
// pipe or a device that refuses it is otherwise lost without a word).
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>

namespace tools {

// Flushes and closes the standard output. Gives status, or 1 when the output failed and status
// was success; the failure is reported on standard error.
inline int FinishStandardOutput(std::string_view program, int status) {
  std::cout.flush();
  bool failed = !std::cout.good();
  int error = failed ? errno : 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    failed = true;
    error = errno;
  }
  errno = 0;
  // A standard output that was closed before the tool started and never written is no failure.
  if (std::fclose(stdout) != 0 && errno != EBADF) {
    failed = true;
    error = errno;
  }
  if (!failed) {
    return status;
  }
  std::cerr << program << ": cannot write the standard output"
            << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
  return status != 0 ? status : 1;
}

}  // namespace tools
