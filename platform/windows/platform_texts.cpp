// On Windows the program's own words, written for it, fit every text.
#include "platform/platform_texts.h"

namespace platform {

std::optional<std::u16string> PlatformWording(PlatformText) {
  return std::nullopt;
}

}  // namespace platform
