#include "platform/windows/gui/mshtml_document.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

using windows::BStr;
using windows::ComPtr;

MshtmlDocument::MshtmlDocument(DocumentSource source) : source_(std::move(source)) {}

ComPtr<IHTMLElement> MshtmlDocument::ElementById(const std::u16string& elementId) const {
  const ComPtr<IDispatch> document = source_ ? source_() : nullptr;
  const auto lookup = document.As<IHTMLDocument3>();
  if (!lookup) {
    return nullptr;
  }
  const BStr id(elementId);
  ComPtr<IHTMLElement> element;
  if (lookup->getElementById(id.Get(), element.Out()) != S_OK) {
    return nullptr;
  }
  return element;
}

ComPtr<IHTMLElement2> MshtmlDocument::ScrollingElement() const {
  const ComPtr<IDispatch> document = source_ ? source_() : nullptr;
  const auto lookup = document.As<IHTMLDocument3>();
  ComPtr<IHTMLElement> root;
  if (!lookup || lookup->get_documentElement(root.Out()) != S_OK) {
    return nullptr;
  }
  return root.As<IHTMLElement2>();
}

bool MshtmlDocument::SetInnerHtml(const std::u16string& elementId, const std::u16string& html) {
  const ComPtr<IHTMLElement> element = ElementById(elementId);
  if (!element) {
    return false;
  }
  const BStr markup(html);
  return element->put_innerHTML(markup.Get()) == S_OK;
}

bool MshtmlDocument::GetClassName(const std::u16string& elementId, std::u16string& className) {
  const ComPtr<IHTMLElement> element = ElementById(elementId);
  if (!element) {
    return false;
  }
  BStr text;
  if (element->get_className(text.Out()) != S_OK) {
    return false;
  }
  // An element without a class answers with a null text.
  className = text.Text();
  return true;
}

bool MshtmlDocument::SetClassName(const std::u16string& elementId,
                                  const std::u16string& className) {
  const ComPtr<IHTMLElement> element = ElementById(elementId);
  if (!element) {
    return false;
  }
  const BStr text(className);
  return element->put_className(text.Get()) == S_OK;
}

bool MshtmlDocument::GetScrollTop(double& top) {
  const ComPtr<IHTMLElement2> root = ScrollingElement();
  long value = 0;
  if (!root || root->get_scrollTop(&value) != S_OK) {
    return false;
  }
  top = static_cast<double>(value);
  return true;
}

bool MshtmlDocument::SetScrollTop(double top) {
  const ComPtr<IHTMLElement2> root = ScrollingElement();
  if (!root || !std::isfinite(top)) {
    return false;
  }
  // The control scrolls in whole pixels.
  const double clamped =
      std::clamp(std::round(top), 0.0, static_cast<double>(std::numeric_limits<long>::max()));
  return root->put_scrollTop(static_cast<long>(clamped)) == S_OK;
}

}  // namespace platform
