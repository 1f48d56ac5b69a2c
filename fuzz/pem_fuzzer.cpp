// PEM extraction and decoding: ExtractPemBlock gives a part of its input, and whatever
// DecodeBase64Bytes decodes comes back unchanged through the encoder and WrapPemCertificate.
#include <cstddef>
#include <cstdint>
#include <string>

#include "crypto/base64.h"
#include "crypto/conversions.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = ToWide(text);
  const std::u16string block = ExtractPemBlock(wide);
  FUZZ_CHECK(wide.find(block) != std::u16string::npos);
  if (wide.find(u"-----BEGIN") != std::u16string::npos) {
    FUZZ_CHECK(block.rfind(u"-----BEGIN", 0) == 0);
  } else {
    FUZZ_CHECK(block == wide);
  }

  platform::Bytes der;
  if (!DecodeBase64Bytes(ToNarrow(block), der)) {
    return 0;
  }
  FUZZ_CHECK(!der.empty());
  std::uint32_t required = 0;
  const auto count = static_cast<std::uint32_t>(der.size());
  Base64Convert(B64_ENCODE | B64_LF_ONLY, der.data(), count, nullptr, &required);
  std::string base64(required, '\0');
  FUZZ_CHECK(Base64Convert(B64_ENCODE | B64_LF_ONLY, der.data(), count, base64.data(), &required) !=
             nullptr);
  base64.resize(required);
  const std::u16string pem = WrapPemCertificate(ToWide(base64));
  platform::Bytes again;
  FUZZ_CHECK(DecodeBase64Bytes(ToNarrow(ExtractPemBlock(pem)), again));
  FUZZ_CHECK(again == der);
  return 0;
}
