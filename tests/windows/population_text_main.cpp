// Prints the page population text (tests/support/population_text.h) of this build, for the
// Windows build to compare with its own.
#include <cstdio>

#include "tests/support/population_text.h"

int main() {
  const std::string text = Utf8Of(PopulatedPageText());
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0
             ? 0
             : 1;
}
