// The few things page population needs of a loaded HTML document: find an element by its id,
// replace its inner HTML, and read or write its class attribute. The browser host supplies an
// implementation (WebKit on Linux); tests supply fakes.
#pragma once

#include <string>

namespace platform {

class HtmlDocument {
 public:
  virtual ~HtmlDocument() = default;

  // Replaces the inner HTML of the element with that id; the element keeps its id and attributes.
  // False when the document has no such element or the engine reported a failure.
  virtual bool SetInnerHtml(const std::u16string& elementId, const std::u16string& html) = 0;
  // The class attribute of the element with that id (empty when it has none). False, with
  // className left as it was, when there is no such element or it could not be read.
  virtual bool GetClassName(const std::u16string& elementId, std::u16string& className) = 0;
  // Writes the class attribute of the element with that id. False when there is no such element
  // or the engine reported a failure.
  virtual bool SetClassName(const std::u16string& elementId, const std::u16string& className) = 0;
  // How far the page is scrolled down, in CSS pixels. False when it could not be read.
  virtual bool GetScrollTop(double& top) = 0;
  // Scrolls the page down to top (as far as it goes). False when the engine reported a failure.
  virtual bool SetScrollTop(double top) = 0;
};

}  // namespace platform
