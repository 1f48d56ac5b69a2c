// Validity texts: the user's zone (the tests' Europe/Prague) and the locale's long date order.
#include <gtest/gtest.h>

#include <cstdlib>

#include "crypto/cert_details.h"
#include "crypto/validity_text.h"
#include "platform/linux/long_date_pattern.h"

namespace {

// Dates are compared in a fixed zone, whatever the environment the tests run in.
const bool kPragueTime = [] {
  ::setenv("TZ", "Europe/Prague", 1);
  return true;
}();

FileTime FromUnix(std::int64_t seconds) {
  return FileTime::FromValue(static_cast<std::uint64_t>(seconds + 11644473600) * 10000000u);
}

TEST(ValidityText, ShowsBothInstantsInLocalTimeAcrossDaylightSaving) {
  TCertDetails record;
  record.notBefore = FromUnix(1577836800);  // 2020-01-01 00:00:00 UTC, winter time (+1)
  record.notAfter = FromUnix(1909051200);   // 2030-06-30 12:00:00 UTC, summer time (+2)
  EXPECT_EQ(record.ValidityText(), u"January 1, 2020 01:00:00 - June 30, 2030 14:00:00");
}

TEST(ValidityText, LocalTimeCanFallOnTheNextDayAndSubSecondsAreDropped) {
  // 2026-12-31 23:30:59.9 UTC is already 2027 in Prague.
  const FileTime instant = FileTime::FromValue(FromUnix(1798759859).Value() + 9999999);
  EXPECT_EQ(FormatLocalDateTime(instant), u"January 1, 2027 00:30:59");
}

TEST(ValidityText, InstantsAtTheEndsOfTheRange) {
  EXPECT_EQ(FormatLocalDateTime(FileTime::FromValue(0)).substr(0, 15), u"January 1, 1601");
  // Beyond what can be formatted: both parts are empty, nothing crashes.
  EXPECT_EQ(FormatLocalDateTime(FileTime::FromValue(~std::uint64_t{0})), u" ");
}

TEST(LongDatePattern, FollowsTheLocalesDayOrder) {
  EXPECT_STREQ(platform::LongDatePattern("%m/%d/%y"), "%B %-d, %Y");  // en_US, C
  EXPECT_STREQ(platform::LongDatePattern("%D"), "%B %-d, %Y");
  EXPECT_STREQ(platform::LongDatePattern("%Y-%m-%d"), "%Y %B %-d");     // sv_SE
  EXPECT_STREQ(platform::LongDatePattern("%Y. %m. %d."), "%Y %B %-d");  // hu_HU
  EXPECT_STREQ(platform::LongDatePattern("%d.%m.%Y"), "%-d. %B %Y");    // de_DE
  EXPECT_STREQ(platform::LongDatePattern("%-d.%-m.%Y"), "%-d. %B %Y");  // cs_CZ
  EXPECT_STREQ(platform::LongDatePattern("%d/%m/%y"), "%-d %B %Y");     // en_GB
  EXPECT_STREQ(platform::LongDatePattern("%e/%m/%y"), "%-d %B %Y");
  EXPECT_STREQ(platform::LongDatePattern(""), "%-d %B %Y");
  EXPECT_STREQ(platform::LongDatePattern("%"), "%-d %B %Y");
  EXPECT_STREQ(platform::LongDatePattern("%-"), "%-d %B %Y");
}

}  // namespace
