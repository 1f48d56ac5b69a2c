// Operations that change the live page after it has loaded: element contents, and the class of
// the useful-links block. The browser view derives from this class; page population uses it.
#pragma once

#include <string>

#include "platform/html_document.h"

inline constexpr char16_t kTemplateRootId[] = u"TEMPLATE_ROOT_TABLE_ID";
inline constexpr char16_t kLinksBlockId[] = u"LINKS_B";
inline constexpr char16_t kHiddenItemClass[] = u"hidden_item";

class THtmlExt {
 public:
  THtmlExt() = default;
  THtmlExt(const THtmlExt&) = default;
  THtmlExt& operator=(const THtmlExt&) = default;
  virtual ~THtmlExt() = default;

  // Every operation fails (false) on a null document. Texts end at their first NUL character,
  // as they would as zero-terminated platform strings.

  // True when the element exists and its inner HTML was replaced by the markup.
  bool SetElementHtml(platform::HtmlDocument* document, const std::u16string& elementId,
                      const std::u16string& markup) const;
  // SetElementHtml on the container of the certificate tables.
  bool SetTemplateRootHtml(platform::HtmlDocument* document, const std::u16string& markup) const;
  // True when the useful-links block exists and its class was read into classText (empty when
  // it has none); on failure classText is left as it was.
  bool GetLinksBlockClass(platform::HtmlDocument* document, std::u16string& classText) const;
  // True when the useful-links block exists and its class was written.
  bool SetLinksBlockClass(platform::HtmlDocument* document, const std::u16string& classText) const;
  // Appends " hidden_item" to the block's class unless the class already contains that text
  // anywhere (then true, nothing written).
  bool HideLinksBlock(platform::HtmlDocument* document) const;
};
