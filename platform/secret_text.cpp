#include "platform/secret_text.h"

#include <utility>

namespace platform {

SecretText::SecretText(std::string_view text) {
  // Sized once, so the buffer never moves and leaves no copy behind.
  bytes_.reserve(text.size() + 1);
  bytes_.assign(text.begin(), text.end());
  bytes_.push_back('\0');
}

SecretText::SecretText(SecretText&& other) noexcept : bytes_(std::move(other.bytes_)) {
  other.bytes_.clear();
}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
  if (this != &other) {
    Wipe();
    bytes_ = std::move(other.bytes_);
    other.bytes_.clear();
  }
  return *this;
}

SecretText::~SecretText() {
  Wipe();
}

void SecretText::Wipe() {
  WipeSecret(bytes_.data(), bytes_.capacity());
  bytes_.clear();
}

}  // namespace platform
