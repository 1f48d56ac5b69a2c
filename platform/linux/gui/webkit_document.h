// The page document of a WebKitWebView behind the HtmlDocument interface. Each operation runs a
// short script in the page with every text passed as an argument (never spliced into script
// source) and waits for its result by iterating the main context, so the operations stay
// synchronous. The wait is bounded, and a call made while another call is waiting fails.
#pragma once

#include <string>

#include <webkit2/webkit2.h>

#include "platform/html_document.h"

namespace platform {

class WebKitDocument final : public HtmlDocument {
 public:
  // The view is not owned and must outlive the document object.
  explicit WebKitDocument(WebKitWebView* view, unsigned timeoutMilliseconds = 5000);

  bool SetInnerHtml(const std::u16string& elementId, const std::u16string& html) override;
  bool GetClassName(const std::u16string& elementId, std::u16string& className) override;
  bool SetClassName(const std::u16string& elementId, const std::u16string& className) override;
  bool GetScrollTop(double& top) override;
  bool SetScrollTop(double top) override;

  // The page script's name for the element that has the keyboard focus; empty when nothing has
  // it or the page cannot name it.
  std::string ReadFocusKey();
  // Hands such a name to the page script, which gives that element the focus again. False when
  // the page has no such element.
  bool RestoreFocus(const std::string& key);

 private:
  WebKitWebView* view_;
  unsigned timeoutMilliseconds_;
};

}  // namespace platform
