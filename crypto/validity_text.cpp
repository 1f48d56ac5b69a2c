#include "crypto/validity_text.h"

#include "platform/local_time.h"

namespace {

// FILETIME counts 100 ns intervals from 1601-01-01; Unix time counts seconds from 1970-01-01.
constexpr std::uint64_t kIntervalsPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

}  // namespace

std::u16string FormatLocalDateTime(FileTime instant) {
  const auto seconds = static_cast<std::int64_t>(instant.Value() / kIntervalsPerSecond);
  const platform::LocalDateTimeText text =
      platform::FormatLocalInstant(seconds - kSecondsFrom1601To1970);
  return text.date + u" " + text.time;
}

std::u16string TCertDetails::ValidityText() const {
  return FormatLocalDateTime(notBefore) + u" - " + FormatLocalDateTime(notAfter);
}
