#include "platform/platform_texts.h"

namespace platform {

std::optional<std::u16string> PlatformWording(PlatformText text) {
  switch (text) {
    case PlatformText::kErrorCodeWords:
      // The codes come from NSS, errno or the program itself, not from one operating system.
      return u"System error";
    case PlatformText::kStoresLink:
      // The link opens Corvane's own window over the user's certificate databases.
      return u"Display Certificate Stores";
  }
  return std::nullopt;
}

}  // namespace platform
