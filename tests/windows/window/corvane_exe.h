// The corvane.exe whose resources and window the tests check.
#pragma once

#include <cstdlib>
#include <string>

namespace corvane_test {

// The build's corvane.exe, or the one CORVANE_EXE names (an installed copy).
inline std::wstring CorvaneExePath() {
  if (const wchar_t* chosen = _wgetenv(L"CORVANE_EXE"); chosen != nullptr && *chosen != L'\0') {
    return chosen;
  }
  const std::string path = CORVANE_BINARY_DIR "/corvane.exe";
  return std::wstring(path.begin(), path.end());
}

}  // namespace corvane_test
