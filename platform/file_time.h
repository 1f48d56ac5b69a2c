// FILETIME instants (100 ns intervals since 1601-01-01 00:00 UTC) and Unix time (seconds since
// 1970-01-01 00:00 UTC).
#pragma once

#include <cstdint>

namespace platform {

inline constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;
// Seconds from the FILETIME epoch to the Unix epoch.
inline constexpr std::int64_t kFileTimeEpochToUnixSeconds = 11'644'473'600;

// The instant in whole seconds since the Unix epoch; the part of a second is dropped.
constexpr std::int64_t UnixSecondsOfFileTime(std::uint64_t fileTime) {
  return static_cast<std::int64_t>(fileTime / kFileTimeTicksPerSecond) -
         kFileTimeEpochToUnixSeconds;
}

}  // namespace platform
