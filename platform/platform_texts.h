// The few texts whose words name the platform the program runs on. The program's own words for
// them (the string table, the page template) are those of the platform it was first written for;
// any other platform gives its own wording here.
#pragma once

#include <optional>
#include <string>

namespace platform {

enum class PlatformText {
  kErrorCodeWords,  // the first words of an error-code text, before ": 0x"
  kStoresLink,      // the text of the page's link that opens the certificate stores
};

// This platform's wording of the text; none where the program's own text already fits.
std::optional<std::u16string> PlatformWording(PlatformText text);

}  // namespace platform
