#include "platform/linux/utf8_text.h"

#include <glib.h>

#include <memory>

namespace platform::linux_utf8 {
namespace {

struct GFreeDeleter {
  void operator()(void* memory) const { g_free(memory); }
};

}  // namespace

std::optional<std::u16string> ToUtf16(std::string_view text) {
  if (text.empty()) {
    return std::u16string();
  }
  glong written = 0;
  std::unique_ptr<gunichar2, GFreeDeleter> converted(
      g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr));
  if (!converted) {
    return std::nullopt;
  }
  return std::u16string(reinterpret_cast<const char16_t*>(converted.get()),
                        static_cast<std::size_t>(written));
}

std::optional<std::string> ToUtf8(std::u16string_view text) {
  if (text.empty()) {
    return std::string();
  }
  glong written = 0;
  std::unique_ptr<gchar, GFreeDeleter> converted(
      g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                      static_cast<glong>(text.size()), nullptr, &written, nullptr));
  if (!converted) {
    return std::nullopt;
  }
  return std::string(converted.get(), static_cast<std::size_t>(written));
}

}  // namespace platform::linux_utf8
