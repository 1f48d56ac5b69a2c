// A small in-test HTML document for the document adapter: COM objects with the IHTMLDocument3,
// IHTMLElement and IHTMLElement2 interfaces over a map of elements. Only the methods the
// adapter needs answer; the objects count themselves, so a test can see every one released.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <map>
#include <string>

namespace fake_mshtml {

struct ElementState {
  std::u16string innerHtml;
  std::u16string className;
  bool hasClass = true;  // false: the class reads back as a null text
  HRESULT writeResult = S_OK;
  HRESULT classReadResult = S_OK;
  long scrollTop = 0;
  int writes = 0;
};

// The id under which the document's root element (documentElement) is kept.
inline constexpr char16_t kRootElement[] = u"<root>";

struct PageState {
  std::map<std::u16string, ElementState> elements;
  // COM objects handed out and not yet released.
  LONG liveObjects = 0;
};

// A new document object over the page, holding one reference for the caller.
IDispatch* NewDocument(PageState& page);

}  // namespace fake_mshtml
