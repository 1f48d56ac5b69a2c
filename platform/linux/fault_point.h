// Points where a test build can make the process die on purpose, to check what the next run
// makes of a change that was cut off. Only builds configured with CORVANE_FAULT_POINTS have them;
// in every other build they are nothing.
#pragma once

#ifdef CORVANE_FAULT_POINTS
#include <csignal>
#include <cstdlib>
#include <cstring>
#endif

namespace platform {

// Kills the process without any clean-up when the environment variable CORVANE_FAULT_POINT names
// this point (test builds only).
inline void FaultPoint([[maybe_unused]] const char* name) {
#ifdef CORVANE_FAULT_POINTS
  const char* chosen = std::getenv("CORVANE_FAULT_POINT");
  if (chosen != nullptr && std::strcmp(chosen, name) == 0) {
    std::raise(SIGKILL);
  }
#endif
}

}  // namespace platform
