// The fake objects are written against the C form of the interfaces: their method tables are
// plain structures, so only the methods the adapter calls need filling in (the others stay
// null, and a call of one of them would fail the test loudly).
#define CINTERFACE
#include "fake_mshtml.h"

#include <mshtml.h>

#include <cstddef>

namespace fake_mshtml {
namespace {

struct FakeElement {
  IHTMLElement element;
  IHTMLElement2 element2;
  LONG references;
  PageState* page;
  ElementState* state;
};

struct FakeDocument {
  IHTMLDocument3 document;
  LONG references;
  PageState* page;
};

FakeElement* FromElement2(IHTMLElement2* element2) {
  return reinterpret_cast<FakeElement*>(reinterpret_cast<char*>(element2) -
                                        offsetof(FakeElement, element2));
}

std::u16string TextOf(BSTR text) {
  return text == nullptr ? std::u16string()
                         : std::u16string(reinterpret_cast<const char16_t*>(text));
}

BSTR NewText(const std::u16string& text) {
  return SysAllocString(reinterpret_cast<const wchar_t*>(text.c_str()));
}

ULONG AddRefElement(FakeElement* element) {
  return static_cast<ULONG>(++element->references);
}

ULONG ReleaseElement(FakeElement* element) {
  const LONG left = --element->references;
  if (left == 0) {
    --element->page->liveObjects;
    delete element;
  }
  return static_cast<ULONG>(left);
}

HRESULT QueryElement(FakeElement* element, REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLElement) {
    *out = &element->element;
  } else if (riid == IID_IHTMLElement2) {
    *out = &element->element2;
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRefElement(element);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ElementQueryInterface(IHTMLElement* self, REFIID riid, void** out) {
  return QueryElement(reinterpret_cast<FakeElement*>(self), riid, out);
}
ULONG STDMETHODCALLTYPE ElementAddRef(IHTMLElement* self) {
  return AddRefElement(reinterpret_cast<FakeElement*>(self));
}
ULONG STDMETHODCALLTYPE ElementRelease(IHTMLElement* self) {
  return ReleaseElement(reinterpret_cast<FakeElement*>(self));
}
HRESULT STDMETHODCALLTYPE PutInnerHtml(IHTMLElement* self, BSTR html) {
  ElementState* state = reinterpret_cast<FakeElement*>(self)->state;
  if (state->writeResult == S_OK) {
    state->innerHtml = TextOf(html);
    ++state->writes;
  }
  return state->writeResult;
}
HRESULT STDMETHODCALLTYPE GetClassName(IHTMLElement* self, BSTR* className) {
  ElementState* state = reinterpret_cast<FakeElement*>(self)->state;
  *className =
      state->classReadResult == S_OK && state->hasClass ? NewText(state->className) : nullptr;
  return state->classReadResult;
}
HRESULT STDMETHODCALLTYPE PutClassName(IHTMLElement* self, BSTR className) {
  ElementState* state = reinterpret_cast<FakeElement*>(self)->state;
  if (state->writeResult == S_OK) {
    state->className = TextOf(className);
    state->hasClass = true;
    ++state->writes;
  }
  return state->writeResult;
}

HRESULT STDMETHODCALLTYPE Element2QueryInterface(IHTMLElement2* self, REFIID riid, void** out) {
  return QueryElement(FromElement2(self), riid, out);
}
ULONG STDMETHODCALLTYPE Element2AddRef(IHTMLElement2* self) {
  return AddRefElement(FromElement2(self));
}
ULONG STDMETHODCALLTYPE Element2Release(IHTMLElement2* self) {
  return ReleaseElement(FromElement2(self));
}
HRESULT STDMETHODCALLTYPE GetScrollTop(IHTMLElement2* self, LONG* top) {
  *top = FromElement2(self)->state->scrollTop;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE PutScrollTop(IHTMLElement2* self, LONG top) {
  ElementState* state = FromElement2(self)->state;
  state->scrollTop = top;
  ++state->writes;
  return state->writeResult;
}

IHTMLElementVtbl* ElementMethods() {
  static IHTMLElementVtbl methods = [] {
    IHTMLElementVtbl table{};
    table.QueryInterface = ElementQueryInterface;
    table.AddRef = ElementAddRef;
    table.Release = ElementRelease;
    table.put_innerHTML = PutInnerHtml;
    table.get_className = GetClassName;
    table.put_className = PutClassName;
    return table;
  }();
  return &methods;
}

IHTMLElement2Vtbl* Element2Methods() {
  static IHTMLElement2Vtbl methods = [] {
    IHTMLElement2Vtbl table{};
    table.QueryInterface = Element2QueryInterface;
    table.AddRef = Element2AddRef;
    table.Release = Element2Release;
    table.get_scrollTop = GetScrollTop;
    table.put_scrollTop = PutScrollTop;
    return table;
  }();
  return &methods;
}

IHTMLElement* NewElement(PageState& page, ElementState& state) {
  auto* element = new FakeElement{{ElementMethods()}, {Element2Methods()}, 1, &page, &state};
  ++page.liveObjects;
  return &element->element;
}

HRESULT STDMETHODCALLTYPE DocumentQueryInterface(IHTMLDocument3* self, REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLDocument3) {
    *out = self;
    ++reinterpret_cast<FakeDocument*>(self)->references;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
ULONG STDMETHODCALLTYPE DocumentAddRef(IHTMLDocument3* self) {
  return static_cast<ULONG>(++reinterpret_cast<FakeDocument*>(self)->references);
}
ULONG STDMETHODCALLTYPE DocumentRelease(IHTMLDocument3* self) {
  auto* document = reinterpret_cast<FakeDocument*>(self);
  const LONG left = --document->references;
  if (left == 0) {
    --document->page->liveObjects;
    delete document;
  }
  return static_cast<ULONG>(left);
}
HRESULT STDMETHODCALLTYPE GetDocumentElement(IHTMLDocument3* self, IHTMLElement** root) {
  PageState& page = *reinterpret_cast<FakeDocument*>(self)->page;
  const auto found = page.elements.find(kRootElement);
  *root = found == page.elements.end() ? nullptr : NewElement(page, found->second);
  return *root != nullptr ? S_OK : E_FAIL;
}
HRESULT STDMETHODCALLTYPE GetElementById(IHTMLDocument3* self, BSTR id, IHTMLElement** element) {
  PageState& page = *reinterpret_cast<FakeDocument*>(self)->page;
  const auto found = page.elements.find(TextOf(id));
  // As the control does: no element is success with a null answer.
  *element = found == page.elements.end() ? nullptr : NewElement(page, found->second);
  return S_OK;
}

IHTMLDocument3Vtbl* DocumentMethods() {
  static IHTMLDocument3Vtbl methods = [] {
    IHTMLDocument3Vtbl table{};
    table.QueryInterface = DocumentQueryInterface;
    table.AddRef = DocumentAddRef;
    table.Release = DocumentRelease;
    table.get_documentElement = GetDocumentElement;
    table.getElementById = GetElementById;
    return table;
  }();
  return &methods;
}

}  // namespace

IDispatch* NewDocument(PageState& page) {
  auto* document = new FakeDocument{{DocumentMethods()}, 1, &page};
  ++page.liveObjects;
  return reinterpret_cast<IDispatch*>(&document->document);
}

}  // namespace fake_mshtml
