// The Base64 codec in every flag combination: the first input byte is the flags, the rest the
// bytes to encode and the text to decode. Encoding must round-trip and give OpenSSL's text
// (without line breaks); decoding must report the same size with and without a buffer, and agree
// with OpenSSL on every text both define a result for.
#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/base64.h"
#include "fuzz/fuzz_check.h"

namespace {

// What OpenSSL and the codec both define: alphabet characters only, whole quads, and "=" only
// as the last one or two characters.
bool IsCanonicalBase64(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) {
    return false;
  }
  std::size_t pads = 0;
  while (pads < 2 && text[text.size() - 1 - pads] == '=') {
    ++pads;
  }
  for (std::size_t i = 0; i < text.size() - pads; ++i) {
    const char c = text[i];
    const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '+' || c == '/';
    if (!alphabet) {
      return false;
    }
  }
  return true;
}

void CheckEncoding(std::uint32_t flags, const std::vector<std::uint8_t>& bytes) {
  const std::uint32_t encodeFlags = B64_ENCODE | (flags & (B64_LF_ONLY | B64_NO_BREAKS));
  const auto count = static_cast<std::uint32_t>(bytes.size());
  // No bytes are still an input: a null pointer would be refused.
  const std::uint8_t none = 0;
  const std::uint8_t* input = bytes.empty() ? &none : bytes.data();
  std::uint32_t required = 0;
  FUZZ_CHECK(Base64Convert(encodeFlags, input, count, nullptr, &required) == nullptr);
  const std::uint32_t groups = (count + 2) / 3;
  const std::uint32_t lines = (groups + 17) / 18;
  const std::uint32_t lineEnd = (flags & B64_LF_ONLY) != 0 ? 1 : 2;
  const std::uint32_t expected =
      (flags & B64_NO_BREAKS) != 0 ? 4 * groups + 1 : 4 * groups + lineEnd * lines + 1;
  FUZZ_CHECK(required == expected);

  // One byte short is refused and reports the size again.
  std::string text(required, '\x7f');
  std::uint32_t capacity = required - 1;
  FUZZ_CHECK(Base64Convert(encodeFlags, input, count, text.data(), &capacity) == nullptr);
  FUZZ_CHECK(capacity == required);
  FUZZ_CHECK(Base64Convert(encodeFlags, input, count, text.data(), &capacity) == text.data());
  FUZZ_CHECK(capacity == required - 1 && text[capacity] == '\0');
  text.resize(capacity);

  std::string withoutBreaks;
  for (const char c : text) {
    if (c != '\r' && c != '\n') {
      withoutBreaks += c;
    }
  }
  std::string openssl(4 * groups + 1, '\0');
  const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(openssl.data()),
                                      bytes.data(), static_cast<int>(count));
  openssl.resize(static_cast<std::size_t>(written));
  FUZZ_CHECK(withoutBreaks == openssl);

  if (!bytes.empty()) {
    platform::Bytes decoded;
    FUZZ_CHECK(DecodeBase64Bytes(text, decoded));
    FUZZ_CHECK(decoded == bytes);
  }
}

void CheckDecoding(std::uint32_t flags, std::string_view text) {
  if ((flags & (B64_ENCODE | B64_DECODE)) != B64_DECODE) {
    return;
  }
  const auto count = static_cast<std::uint32_t>(text.size());
  std::uint32_t size = 0xA5A5A5A5;
  const void* asked = Base64Convert(flags, text.data(), count, nullptr, &size);
  FUZZ_CHECK(asked == nullptr);
  if (size == 0xA5A5A5A5 || size == 0) {
    return;  // an armour failure leaves the size alone; nothing decoded
  }
  FUZZ_CHECK(size <= count);
  std::vector<std::uint8_t> buffer(size);
  std::uint32_t filled = size;
  FUZZ_CHECK(Base64Convert(flags, text.data(), count, buffer.data(), &filled) == buffer.data());
  FUZZ_CHECK(filled == size);
  if (size > 1) {
    std::vector<std::uint8_t> shorter(size - 1);
    std::uint32_t capacity = size - 1;
    FUZZ_CHECK(Base64Convert(flags, text.data(), count, shorter.data(), &capacity) == nullptr);
    FUZZ_CHECK(capacity == size);
    FUZZ_CHECK(std::equal(shorter.begin(), shorter.end(), buffer.begin()));
  }

  if (IsCanonicalBase64(text)) {
    std::vector<std::uint8_t> openssl(text.size() / 4 * 3);
    const int decoded =
        EVP_DecodeBlock(openssl.data(), reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
    FUZZ_CHECK(decoded == static_cast<int>(openssl.size()));
    const std::size_t pads = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    openssl.resize(openssl.size() - pads);
    FUZZ_CHECK(buffer == openssl);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::uint32_t flags = data[0];
  const std::vector<std::uint8_t> rest(data + 1, data + size);
  CheckEncoding(flags, rest);
  CheckDecoding(flags, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  return 0;
}
