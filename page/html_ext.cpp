#include "page/html_ext.h"

namespace {

// A text as a zero-terminated platform string would carry it: up to its first NUL.
std::u16string UpToFirstNul(const std::u16string& text) {
  return text.substr(0, text.find(u'\0'));
}

}  // namespace

bool THtmlExt::SetElementHtml(platform::HtmlDocument* document, const std::u16string& elementId,
                              const std::u16string& markup) const {
  if (document == nullptr) {
    return false;
  }
  return document->SetInnerHtml(UpToFirstNul(elementId), UpToFirstNul(markup));
}

bool THtmlExt::SetTemplateRootHtml(platform::HtmlDocument* document,
                                   const std::u16string& markup) const {
  return SetElementHtml(document, kTemplateRootId, markup);
}

bool THtmlExt::GetLinksBlockClass(platform::HtmlDocument* document,
                                  std::u16string& classText) const {
  if (document == nullptr) {
    return false;
  }
  std::u16string read;
  if (!document->GetClassName(kLinksBlockId, read)) {
    return false;
  }
  classText = std::move(read);
  return true;
}

bool THtmlExt::SetLinksBlockClass(platform::HtmlDocument* document,
                                  const std::u16string& classText) const {
  if (document == nullptr) {
    return false;
  }
  return document->SetClassName(kLinksBlockId, UpToFirstNul(classText));
}

bool THtmlExt::HideLinksBlock(platform::HtmlDocument* document) const {
  std::u16string classText;
  if (!GetLinksBlockClass(document, classText)) {
    return false;
  }
  if (classText.find(kHiddenItemClass) != std::u16string::npos) {
    return true;
  }
  classText += u" ";
  classText += kHiddenItemClass;
  return SetLinksBlockClass(document, classText);
}
