// UTF-8 <-> UTF-16 at the boundary to the system's own (UTF-8) interfaces.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::linux_utf8 {

// None when the text is not valid UTF-8 (or UTF-16).
std::optional<std::u16string> ToUtf16(std::string_view text);
std::optional<std::string> ToUtf8(std::u16string_view text);

}  // namespace platform::linux_utf8
