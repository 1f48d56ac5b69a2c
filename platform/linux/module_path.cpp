#include "platform/module_path.h"

#include <unistd.h>

#include <string>

#include "platform/linux/utf8_text.h"

namespace platform {

std::u16string ModulePath() {
  // readlink does not say whether the link was cut to the buffer, so grow the buffer until the
  // answer leaves room to spare.
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) {
      return {};
    }
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    target.resize(target.size() * 2);
  }
  // A path the conversion would change names another file: no path is better than a wrong one.
  return linux_utf8::FileNameToUtf16(target);
}

}  // namespace platform
