// The reading of a profile list (profiles.ini): any text gives profiles with a path each, or a
// problem in the program's own words, never the text's own bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "fuzz/fuzz_check.h"
#include "platform/linux/profiles_ini.h"

using platform::linux_profiles::ListedProfile;
using platform::linux_profiles::ListProblem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = platform::linux_profiles::ParseProfileList(text);
  if (const auto* problem = std::get_if<ListProblem>(&parsed)) {
    FUZZ_CHECK(!problem->message.empty());
    for (const char c : problem->message) {
      FUZZ_CHECK(c >= 0x20 && c < 0x7F);  // plain ASCII words, nothing of the input
    }
    return 0;
  }
  for (const ListedProfile& profile : std::get<std::vector<ListedProfile>>(parsed)) {
    FUZZ_CHECK(!profile.path.empty());
    FUZZ_CHECK(profile.path.find('\n') == std::string::npos);
    FUZZ_CHECK(profile.name.find('\n') == std::string::npos);
    // Every byte of a value comes from the text.
    FUZZ_CHECK(profile.path.size() <= size && profile.name.size() <= size);
  }
  return 0;
}
