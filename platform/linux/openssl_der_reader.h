// Walks the elements of a DER encoding with OpenSSL's ASN1_get_object, so that a structure can be
// taken apart into the exact bytes of its parts and each part decoded with the d2i function meant
// for it. Indefinite lengths, which DER forbids, are refused.
#pragma once

#include <openssl/asn1.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <span>

namespace platform::openssl {

struct DerElement {
  std::span<const std::uint8_t> whole;    // tag, length and content
  std::span<const std::uint8_t> content;  // the content octets
  int tag = 0;
  int tagClass = 0;  // V_ASN1_UNIVERSAL, V_ASN1_CONTEXT_SPECIFIC, ...
  bool constructed = false;
};

class DerReader {
 public:
  explicit DerReader(std::span<const std::uint8_t> der) : rest_(der) {}

  bool AtEnd() const { return rest_.empty(); }

  // The next element, without consuming it; none when the bytes are not a DER element.
  std::optional<DerElement> Peek() const {
    if (rest_.empty() || rest_.size() > static_cast<std::size_t>(LONG_MAX)) {
      return std::nullopt;
    }
    const unsigned char* cursor = rest_.data();
    long length = 0;
    int tag = 0;
    int tagClass = 0;
    const int flags =
        ASN1_get_object(&cursor, &length, &tag, &tagClass, static_cast<long>(rest_.size()));
    // 0x80: malformed or longer than the bytes left; 0x21: indefinite length.
    if ((flags & 0x80) != 0 || flags == 0x21) {
      return std::nullopt;
    }
    const auto headerLength = static_cast<std::size_t>(cursor - rest_.data());
    const auto contentLength = static_cast<std::size_t>(length);
    return DerElement{rest_.first(headerLength + contentLength),
                      rest_.subspan(headerLength, contentLength), tag, tagClass,
                      (flags & V_ASN1_CONSTRUCTED) != 0};
  }

  // Consumes the next element, whatever it is.
  std::optional<DerElement> Next() {
    std::optional<DerElement> element = Peek();
    if (element) {
      rest_ = rest_.subspan(element->whole.size());
    }
    return element;
  }

  // Consumes the next element when it has the given tag, class and form; otherwise consumes
  // nothing and gives none, so that an optional element can be tried.
  std::optional<DerElement> Next(int tag, int tagClass = V_ASN1_UNIVERSAL,
                                 bool constructed = false) {
    std::optional<DerElement> element = Peek();
    if (!element || element->tag != tag || element->tagClass != tagClass ||
        element->constructed != constructed) {
      return std::nullopt;
    }
    rest_ = rest_.subspan(element->whole.size());
    return element;
  }

 private:
  std::span<const std::uint8_t> rest_;
};

}  // namespace platform::openssl
