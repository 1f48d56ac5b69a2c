// A password held only while one operation needs it. Its bytes live in one buffer that is never
// copied and is wiped when the object goes away, so no copy of the password outlives it.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace platform {

class SecretText {
 public:
  SecretText() = default;
  explicit SecretText(std::string_view text);
  SecretText(SecretText&& other) noexcept;
  SecretText& operator=(SecretText&& other) noexcept;
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  ~SecretText();

  // The text (UTF-8), terminated by NUL.
  const char* c_str() const { return bytes_.empty() ? "" : bytes_.data(); }
  std::size_t size() const { return bytes_.empty() ? 0 : bytes_.size() - 1; }
  bool empty() const { return size() == 0; }

 private:
  void Wipe();

  std::vector<char> bytes_;
};

// Overwrites memory that held a secret with zeros, in a way the compiler does not drop.
void WipeSecret(void* data, std::size_t size);

}  // namespace platform
