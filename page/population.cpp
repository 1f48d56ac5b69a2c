#include "page/population.h"

#include "corvane_version.h"
#include "page/html_ext.h"
#include "page/markup.h"
#include "platform/module_path.h"
#include "platform/platform_texts.h"
#include "res/string_table.h"

namespace {

constexpr char16_t kMainPageName[] = u"/main.html";
constexpr char16_t kLoadingClass[] = u"loading";

char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EqualsIgnoringAsciiCase(std::u16string_view left, std::u16string_view right) {
  if (left.size() != right.size()) {
    return false;
  }
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (AsciiLower(left[i]) != AsciiLower(right[i])) {
      return false;
    }
  }
  return true;
}

std::u16string AsciiToUtf16(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace

bool PopulateIfMainPage(platform::HtmlDocument* document, const std::u16string& locationUrl,
                        const TCertManager* manager) {
  const std::size_t lastSlash = locationUrl.rfind(u'/');
  if (lastSlash == std::u16string::npos) {
    return false;
  }
  if (!EqualsIgnoringAsciiCase(std::u16string_view(locationUrl).substr(lastSlash), kMainPageName)) {
    return false;
  }
  return PopulatePage(document, manager);
}

bool PopulatePage(platform::HtmlDocument* document, const TCertManager* manager) {
  if (document == nullptr || manager == nullptr) {
    return false;
  }
  const THtmlExt page;

  // The single writes are not examined: a missing element is skipped and population goes on.
  page.SetElementHtml(document, u"APP_MAIN_TITLE_ID",
                      LoadResourceString(strings::kCertificateManager) + u" - " +
                          LoadResourceString(strings::kTestEnvironment));
  page.SetElementHtml(document, u"APP_NAME_ID", LoadResourceString(strings::kAppName));
  page.SetElementHtml(document, u"APP_VERSION_ID", ReadProductVersion(platform::ModulePath()));
  // The template words the stores link for the platform the program was first written for.
  if (const auto linkText = platform::PlatformWording(platform::PlatformText::kStoresLink)) {
    page.SetElementHtml(document, u"STORES_LINK_ID", *linkText);
  }
  page.HideLinksBlock(document);

  if (manager->loaded == 0) {
    // The catalogue is still being read: the page says so where the tables will be.
    document->SetClassName(kTemplateRootId, kLoadingClass);
  } else {
    std::u16string markup = u"<span id=\"TEMPLATE_ROOT_TABLE_ID\">\n";
    bool anyGroupWritten = false;
    for (const auto& [flags, entries] : manager->groups) {
      if (WriteGroupMarkup(flags, entries, markup)) {
        anyGroupWritten = true;
      }
    }
    markup += u"</span>\n";
    if (anyGroupWritten) {
      page.SetTemplateRootHtml(document, markup);
    }
  }
  return true;
}

void RevealPage(platform::HtmlDocument* document) {
  if (document != nullptr) {
    document->SetClassName(u"PAGE_BODY_ID", u"");
  }
}

std::u16string ReadProductVersion(const std::u16string& path) {
  if (path.empty()) {
    return {};
  }
  return AsciiToUtf16(CORVANE_PRODUCT_VERSION);
}
