// Reading the entry number that follows a command prefix in a page link: the decimal group
// flags, "_", and the decimal position of the certificate in its group (such as 16392_5).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The position of the first occurrence of marker in text, with end set just after it; -1 (end
// set to -1) when there is none. An empty marker gives -1 and leaves end unchanged.
std::ptrdiff_t FindMarker(std::u16string_view marker, std::u16string_view text,
                          std::ptrdiff_t& end);

// The integer at the start of the text, read as formatted stream extraction does: leading white
// space skipped, an optional sign, then decimal digits up to the first other character. None
// when no digit follows or the number does not fit in 32 bits.
std::optional<std::int32_t> ReadDecimal(std::u16string_view text);

// Splits the text at its first "_" into group flags and position. False when the text holds no
// "_" or either part does not start with a number that fits in 32 bits: it then names no entry.
bool ParseEntryNumber(std::u16string_view text, std::int32_t& flags, std::int32_t& position);
