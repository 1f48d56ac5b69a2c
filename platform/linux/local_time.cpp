// Local date and time texts through GLib's date formatting, in the user's time zone and in the
// locale chosen for LC_TIME: the long date of LongDatePattern (full month name in the locale's
// day order), then the locale's own time format (%X), which carries seconds.
#include "platform/local_time.h"

#include "platform/linux/long_date_pattern.h"

#include <langinfo.h>

#include <string_view>

#include "platform/linux/glib_handle.h"
#include "platform/linux/utf8_text.h"

namespace platform {
namespace {

std::u16string Format(GDateTime* dateTime, const char* pattern) {
  const glib::CharsPtr text(g_date_time_format(dateTime, pattern));
  return text ? linux_utf8::ToUtf16(text.get()) : std::u16string();
}

}  // namespace

const char* LongDatePattern(std::string_view numeric) {
  // The first conversion names the leading field; "%-d", "%e" and "%Od" style flags are skipped.
  const std::size_t percent = numeric.find('%');
  if (percent != std::string_view::npos) {
    const std::size_t field = numeric.find_first_not_of("-_0^#EO", percent + 1);
    if (field != std::string_view::npos) {
      switch (numeric[field]) {
        case 'm':
        case 'D':
        case 'b':
        case 'B':
          return "%B %-d, %Y";
        case 'y':
        case 'Y':
        case 'F':
          return "%Y %B %-d";
        case 'd':
        case 'e':
          if (field + 1 < numeric.size() && numeric[field + 1] == '.') {
            return "%-d. %B %Y";
          }
          return "%-d %B %Y";
        default:
          break;
      }
    }
  }
  return "%-d %B %Y";
}

LocalDateTimeText FormatLocalInstant(std::int64_t unixSeconds) {
  const glib::DateTimePtr dateTime(g_date_time_new_from_unix_local(unixSeconds));
  if (!dateTime) {
    return {};
  }
  return {Format(dateTime.get(), LongDatePattern(nl_langinfo(D_FMT))),
          Format(dateTime.get(), "%X")};
}

}  // namespace platform
