// The one list of places where Wine's certificate services answer differently from Windows'.
// Under Wine, a comparison skips a listed field only where Wine's answer has the listed wrong
// form; everywhere else, and on Windows, every field is compared.
#pragma once

#include <string>
#include <string_view>

namespace corvane_test {

#ifdef _WIN32
// Whether the process runs under Wine (ntdll exports wine_get_version there only).
bool RunningUnderWine();

// True when field is a listed deviation, the process runs under Wine, and Wine's value (actual)
// has the listed wrong form compared with the expected value. Values are given as JSON texts.
bool IsKnownWineDeviation(std::string_view field, const std::string& expected,
                          const std::string& actual);
#else
// Not Wine: every field is compared.
inline bool IsKnownWineDeviation(std::string_view, const std::string&, const std::string&) {
  return false;
}
#endif

}  // namespace corvane_test
