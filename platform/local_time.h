// Local date and time texts in the user's locale and time zone.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct LocalDateTimeText {
  std::u16string date;  // long date, e.g. "9 December 2026" (order and names per locale)
  std::u16string time;  // the locale's time with seconds, e.g. "14:30:05"
};

// The instant, in seconds since 1970-01-01 00:00 UTC, in the user's time zone. Both parts are
// empty when the instant lies outside the years 1 to 9999.
LocalDateTimeText FormatLocalInstant(std::int64_t unixSeconds);

}  // namespace platform
