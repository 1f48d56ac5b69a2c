// Local date and time texts in the user's locale and time zone: the long date and the time with
// seconds, as the locale writes them.
#include "platform/local_time.h"

#include "platform/file_time.h"
#include "platform/windows/win_api.h"

namespace platform {
namespace {

// FILETIME starts in 1601, so earlier instants have no text; 9999-12-31 23:59:59 is the last.
constexpr std::int64_t kLastUnixSecond = 253402300799;

std::u16string DateText(const SYSTEMTIME& time) {
  const int size = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &time, nullptr,
                                     nullptr, 0, nullptr);
  if (size <= 1) {
    return {};
  }
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &time, nullptr, text.data(), size,
                    nullptr);
  return windows::TextOf(text.c_str());
}

std::u16string TimeText(const SYSTEMTIME& time) {
  const int size = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, nullptr, 0);
  if (size <= 1) {
    return {};
  }
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, text.data(), size);
  return windows::TextOf(text.c_str());
}

}  // namespace

LocalDateTimeText FormatLocalInstant(std::int64_t unixSeconds) {
  if (unixSeconds < -kFileTimeEpochToUnixSeconds || unixSeconds > kLastUnixSecond) {
    return {};
  }
  const auto ticks = static_cast<std::uint64_t>(unixSeconds + kFileTimeEpochToUnixSeconds) *
                     kFileTimeTicksPerSecond;
  const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utcTime{};
  SYSTEMTIME localTime{};
  if (!::FileTimeToSystemTime(&utc, &utcTime) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &localTime)) {
    return {};
  }
  return {DateText(localTime), TimeText(localTime)};
}

}  // namespace platform
