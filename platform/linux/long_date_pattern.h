// The long-date pattern for a locale, chosen from the order of the locale's numeric date.
#pragma once

#include <string_view>

namespace platform {

// A g_date_time_format pattern with the full month name, in the day order of numericDateFormat
// (the locale's nl_langinfo(D_FMT)):
//   month first (e.g. en_US "%m/%d/%y")  -> "%B %-d, %Y"  ("December 9, 2026")
//   year first  (e.g. "%Y-%m-%d")        -> "%Y %B %-d"   ("2026 December 9")
//   day first, dot after it ("%d.%m.%Y") -> "%-d. %B %Y"  ("9. December 2026")
//   day first otherwise, or unknown      -> "%-d %B %Y"   ("9 December 2026")
const char* LongDatePattern(std::string_view numericDateFormat);

}  // namespace platform
