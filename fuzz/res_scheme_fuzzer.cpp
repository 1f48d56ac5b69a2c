// The "res" scheme's way from a requested path to a resource: only a file directly beside the
// executable's path is asked for, and only the compiled-in page files are ever found, each under
// its own name without regard to case.
#include <gio/gio.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/linux/gui/res_scheme.h"

namespace {

constexpr std::string_view kExecutable = "/opt/corvane/corvane";

// The lower-case names of the page files, read from the bundle itself.
const std::set<std::string>& PageFileNames() {
  static const std::set<std::string> names = [] {
    std::set<std::string> found;
    // Looking one resource up registers the bundle.
    platform::LookupPageResource("main.html");
    char** children =
        g_resources_enumerate_children("/corvane/page/", G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    for (char** child = children; child != nullptr && *child != nullptr; ++child) {
      found.insert(*child);
    }
    g_strfreev(children);
    return found;
  }();
  return names;
}

std::string Lower(std::string_view text) {
  std::string lower;
  for (const char c : text) {
    lower += g_ascii_tolower(c);
  }
  return lower;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as a name, and as a path under the executable and on its own.
  for (const std::string& path :
       {std::string(kExecutable) + "/" + std::string(input), std::string(input)}) {
    const auto name = platform::ResourceNameFromPath(path, kExecutable);
    if (!name) {
      continue;
    }
    FUZZ_CHECK(name->find('/') == std::string_view::npos);
    FUZZ_CHECK(std::string(kExecutable) + "/" + std::string(*name) == path);
  }

  const auto bytes = platform::LookupPageResource(input);
  if (bytes) {
    FUZZ_CHECK(input.find('/') == std::string_view::npos);
    FUZZ_CHECK(input.find('\0') == std::string_view::npos);
    FUZZ_CHECK(PageFileNames().count(Lower(input)) == 1);
    FUZZ_CHECK(platform::LookupPageResource(Lower(input)) == bytes);
  } else {
    FUZZ_CHECK(PageFileNames().count(Lower(input)) == 0);
  }
  return 0;
}
