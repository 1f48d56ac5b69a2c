// DER bytes through the certificate context and the decoder into the page's markup: no text of a
// certificate may open a tag, close one or leave an attribute value in the markup of any group,
// and the proposed export file name holds none of the forbidden characters.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/export.h"
#include "catalogue/cert_groups.h"
#include "catalogue/cert_manager.h"
#include "crypto/cryptoapi.h"
#include "fuzz/fuzz_check.h"
#include "page/markup.h"
#include "platform/cert_context.h"

namespace {

// The elements the certificate tables are made of.
const std::set<std::u16string> kTags = {u"fieldset", u"/fieldset", u"legend", u"/legend", u"table",
                                        u"/table",   u"tr",        u"/tr",    u"td",      u"/td",
                                        u"a",        u"/a",        u"img",    u"br"};

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'/';
}

// Walks the markup as a browser's tokenizer would at this level: outside a tag no "<" may start
// anything but a known element, and no ">" or quotation mark may stand; inside a tag the quoted
// attribute values hold no "<".
void CheckMarkup(const std::u16string& markup) {
  bool inTag = false;
  bool inQuote = false;
  for (std::size_t i = 0; i < markup.size(); ++i) {
    const char16_t c = markup[i];
    if (!inTag) {
      FUZZ_CHECK(c != u'>' && c != u'"');
      if (c == u'<') {
        std::size_t end = i + 1;
        while (end < markup.size() && IsNameChar(markup[end])) {
          ++end;
        }
        FUZZ_CHECK(kTags.count(markup.substr(i + 1, end - i - 1)) == 1);
        inTag = true;
        i = end - 1;
      }
    } else if (c == u'"') {
      inQuote = !inQuote;
    } else if (inQuote) {
      FUZZ_CHECK(c != u'<');
    } else if (c == u'>') {
      inTag = false;
    }
  }
  FUZZ_CHECK(!inTag);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const platform::Bytes der(data, data + size);
  const auto context = platform::CertCreateCertificateContext(platform::kCertEncoding, der);
  if (!context) {
    return 0;
  }
  CertEntry entry;
  if (TCryptoapi::DecodeCertificate(*context, entry.record) != 1) {
    return 0;
  }
  entry.installed = size % 2 == 0 ? 1 : 0;
  const std::vector<CertEntry> entries(2, entry);
  for (const std::int32_t flags : {CERTGROUP_ROOT_TEST, CERTGROUP_INTERMEDIATE_TEST,
                                   CERTGROUP_TSA_TEST, CERTGROUP_TSA_WEB_TEST}) {
    std::u16string markup;
    FUZZ_CHECK(WriteGroupMarkup(flags, entries, markup));
    CheckMarkup(markup);
  }
  const std::u16string fileName = ProposedExportFileName(entry.record);
  FUZZ_CHECK(fileName.find_first_of(kFileNameForbiddenChars) == std::u16string::npos);
  return 0;
}
