// The page document of the system's HTML control behind the HtmlDocument interface: elements by
// id through IHTMLDocument3, their inner HTML and class through IHTMLElement, the page's scroll
// position through the root element's IHTMLElement2. Success is the plain S_OK of each call.
#pragma once

#include <functional>

#include <mshtml.h>

#include "platform/html_document.h"
#include "platform/windows/gui/com_handles.h"

namespace platform {

class MshtmlDocument final : public HtmlDocument {
 public:
  // The control's current document (its IDispatch), or null when it has none; asked on every
  // operation, so that each works on the document shown at that moment.
  using DocumentSource = std::function<windows::ComPtr<IDispatch>()>;

  explicit MshtmlDocument(DocumentSource source);

  bool SetInnerHtml(const std::u16string& elementId, const std::u16string& html) override;
  bool GetClassName(const std::u16string& elementId, std::u16string& className) override;
  bool SetClassName(const std::u16string& elementId, const std::u16string& className) override;
  bool GetScrollTop(double& top) override;
  bool SetScrollTop(double top) override;

 private:
  windows::ComPtr<IHTMLElement> ElementById(const std::u16string& elementId) const;
  // The element that scrolls the page in standards mode: the document's root element.
  windows::ComPtr<IHTMLElement2> ScrollingElement() const;

  DocumentSource source_;
};

}  // namespace platform
