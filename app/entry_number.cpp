#include "app/entry_number.h"

#include <limits>

namespace {

// The white space that formatted extraction skips in the classic locale.
bool IsStreamSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

}  // namespace

std::ptrdiff_t FindMarker(std::u16string_view marker, std::u16string_view text,
                          std::ptrdiff_t& end) {
  if (marker.empty()) {
    return -1;
  }
  end = -1;
  const std::size_t found = text.find(marker);
  if (found == std::u16string_view::npos) {
    return -1;
  }
  const auto position = static_cast<std::ptrdiff_t>(found);
  end = position + static_cast<std::ptrdiff_t>(marker.size());
  return position;
}

std::optional<std::int32_t> ReadDecimal(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsStreamSpace(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulate the magnitude in 64 bits and stop as soon as it exceeds what 32 bits can hold.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > kLimit) {
      return std::nullopt;
    }
  }
  if (digits == 0) {
    return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

bool ParseEntryNumber(std::u16string_view text, std::int32_t& flags, std::int32_t& position) {
  std::ptrdiff_t end = -1;
  const std::ptrdiff_t underscore = FindMarker(u"_", text, end);
  if (underscore == -1) {
    return false;
  }
  const auto readFlags = ReadDecimal(text.substr(0, static_cast<std::size_t>(underscore)));
  const auto readPosition = ReadDecimal(text.substr(static_cast<std::size_t>(end)));
  if (!readFlags || !readPosition) {
    return false;
  }
  flags = *readFlags;
  position = *readPosition;
  return true;
}
