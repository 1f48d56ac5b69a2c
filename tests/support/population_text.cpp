#include "tests/support/population_text.h"

#include "catalogue/cert_manager.h"
#include "crypto/validity_text.h"
#include "page/markup.h"
#include "page/population.h"
#include "tests/unit/shell_fakes.h"

namespace {

void ReplaceAll(std::u16string& text, const std::u16string& from, const std::u16string& to) {
  if (from.empty()) {
    return;
  }
  for (std::size_t at = text.find(from); at != std::u16string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

std::u16string PopulatedPageText(
    const std::function<void(const std::string& entry, TCertDetails& record)>& adjust) {
  TCertManager catalogue;
  catalogue.LoadCatalogue(StoreLookups::kSkip);
  for (auto& [flags, entries] : catalogue.groups) {
    for (std::size_t position = 0; position < entries.size(); ++position) {
      entries[position].installed = static_cast<std::int32_t>(position % 2);
      if (adjust) {
        adjust(std::to_string(flags) + "_" + std::to_string(position), entries[position].record);
      }
    }
  }
  shell_fakes::FakeDocument document = shell_fakes::TemplateDocument();
  PopulatePage(&document, &catalogue);

  std::u16string text;
  for (const char16_t* id :
       {u"APP_MAIN_TITLE_ID", u"APP_NAME_ID", u"APP_VERSION_ID", u"TEMPLATE_ROOT_TABLE_ID"}) {
    text += u"== " + std::u16string(id) + u"\n" + document.elements.at(id).html + u"\n";
  }
  text += u"== LINKS_B class\n" + document.elements.at(u"LINKS_B").className + u"\n";
  for (const auto& [flags, entries] : catalogue.groups) {
    for (const CertEntry& entry : entries) {
      ReplaceAll(text, EscapeHtml(entry.record.ValidityText()), u"{validity}");
      // The notes of a certificate outside its validity name one of its ends.
      ReplaceAll(text, EscapeHtml(FormatLocalDateTime(entry.record.notAfter)), u"{date}");
      ReplaceAll(text, EscapeHtml(FormatLocalDateTime(entry.record.notBefore)), u"{date}");
    }
  }
  return text;
}

std::string Utf8Of(const std::u16string& text) {
  std::string utf8;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (c >> 18));
      utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}
