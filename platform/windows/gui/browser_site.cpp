#include "platform/windows/gui/browser_site.h"

#include <exdispid.h>

#include <cstdio>
#include <string>

#include "platform/windows/gui/web_browser_host.h"

namespace platform {
namespace {

// The value a by-reference or plain VARIANT argument holds.
const VARIANT& Deref(const VARIANTARG& argument) {
  if ((argument.vt & VT_BYREF) != 0 && (argument.vt & ~VT_BYREF) == VT_VARIANT &&
      argument.pvarVal != nullptr) {
    return *argument.pvarVal;
  }
  return argument;
}

std::u16string TextArgument(const VARIANTARG& argument) {
  const VARIANT& value = Deref(argument);
  if (value.vt == VT_BSTR && value.bstrVal != nullptr) {
    return std::u16string(reinterpret_cast<const char16_t*>(value.bstrVal),
                          ::SysStringLen(value.bstrVal));
  }
  if (value.vt == (VT_BSTR | VT_BYREF) && value.pbstrVal != nullptr && *value.pbstrVal != nullptr) {
    return std::u16string(reinterpret_cast<const char16_t*>(*value.pbstrVal),
                          ::SysStringLen(*value.pbstrVal));
  }
  return {};
}

IDispatch* DispatchArgument(const VARIANTARG& argument) {
  const VARIANT& value = Deref(argument);
  return value.vt == VT_DISPATCH ? value.pdispVal : nullptr;
}

long LongArgument(const VARIANTARG& argument) {
  const VARIANT& value = Deref(argument);
  return value.vt == VT_I4 ? value.lVal : 0;
}

// Sets a VT_BOOL out argument (the events' Cancel flags).
void SetCancel(VARIANTARG& argument, bool cancel) {
  if (argument.vt == (VT_BOOL | VT_BYREF) && argument.pboolVal != nullptr) {
    *argument.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  }
}

RECT ClientRect(HWND window) {
  RECT rect{};
  ::GetClientRect(window, &rect);
  return rect;
}

}  // namespace

BrowserSite::BrowserSite(WebBrowserHost* host, HWND window) : host_(host), window_(window) {}

STDMETHODIMP BrowserSite::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
    *object = static_cast<IOleInPlaceFrame*>(this);
  } else if (riid == IID_IDocHostUIHandler) {
    *object = static_cast<IDocHostUIHandler*>(this);
  } else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
    *object = static_cast<IDispatch*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) BrowserSite::Release() {
  const LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) {
    delete this;
  }
  return static_cast<ULONG>(left);
}

// IOleClientSite: the control is embedded, never saved or linked.
STDMETHODIMP BrowserSite::SaveObject() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) {
    *moniker = nullptr;
  }
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetContainer(IOleContainer** container) {
  if (container != nullptr) {
    *container = nullptr;
  }
  return E_NOINTERFACE;
}
STDMETHODIMP BrowserSite::ShowObject() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnShowWindow(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::RequestNewObjectLayout() {
  return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetWindow(HWND* window) {
  if (window == nullptr) {
    return E_POINTER;
  }
  *window = window_;
  return S_OK;
}
STDMETHODIMP BrowserSite::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}

// IOleInPlaceSite: the control lives in the whole client area of the program's window.
STDMETHODIMP BrowserSite::CanInPlaceActivate() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnInPlaceActivate() {
  inPlaceActive_ = true;
  return S_OK;
}
STDMETHODIMP BrowserSite::OnUIActivate() {
  return S_OK;
}
STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO frameInfo) {
  if (frame != nullptr) {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
  }
  if (document != nullptr) {
    *document = nullptr;
  }
  const RECT area = ClientRect(window_);
  if (position != nullptr) {
    *position = area;
  }
  if (clip != nullptr) {
    *clip = area;
  }
  if (frameInfo != nullptr) {
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = window_;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
  }
  return S_OK;
}
STDMETHODIMP BrowserSite::Scroll(SIZE) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::OnUIDeactivate(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnInPlaceDeactivate() {
  inPlaceActive_ = false;
  return S_OK;
}
STDMETHODIMP BrowserSite::DiscardUndoState() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::DeactivateAndUndo() {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::OnPosRectChange(LPCRECT) {
  return S_OK;
}

// IOleInPlaceFrame: no toolbars, menus or status bar to share.
STDMETHODIMP BrowserSite::GetBorder(LPRECT) {
  return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP BrowserSite::RequestBorderSpace(LPCBORDERWIDTHS) {
  return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP BrowserSite::SetBorderSpace(LPCBORDERWIDTHS) {
  return S_OK;
}
STDMETHODIMP BrowserSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  if (host_ != nullptr) {
    host_->SetActiveObject(object);
  }
  return S_OK;
}
STDMETHODIMP BrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::SetMenu(HMENU, HOLEMENU, HWND) {
  return S_OK;
}
STDMETHODIMP BrowserSite::RemoveMenus(HMENU) {
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::SetStatusText(LPCOLESTR) {
  return S_OK;
}
STDMETHODIMP BrowserSite::EnableModeless(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, WORD) {
  return S_FALSE;
}

// IDocHostUIHandler
STDMETHODIMP BrowserSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
  // Handled: the page never shows the control's context menu.
  return S_OK;
}
STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DPI_AWARE;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}
STDMETHODIMP BrowserSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                 IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
  // The control's own menus and toolbars are not shown either: there are none to merge.
  return S_OK;
}
STDMETHODIMP BrowserSite::HideUI() {
  return S_OK;
}
STDMETHODIMP BrowserSite::UpdateUI() {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnDocWindowActivate(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::OnFrameWindowActivate(BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  return S_OK;
}
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) {
  return S_FALSE;
}
STDMETHODIMP BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key != nullptr) {
    *key = nullptr;
  }
  return S_FALSE;
}
STDMETHODIMP BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
  if (replacement != nullptr) {
    *replacement = nullptr;
  }
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetExternal(IDispatch** external) {
  if (external != nullptr) {
    *external = nullptr;
  }
  return S_FALSE;
}
STDMETHODIMP BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
  if (translated != nullptr) {
    *translated = nullptr;
  }
  return S_FALSE;
}
STDMETHODIMP BrowserSite::FilterDataObject(IDataObject*, IDataObject** replacement) {
  if (replacement != nullptr) {
    *replacement = nullptr;
  }
  return S_FALSE;
}

// IDispatch: only Invoke is ever used by the control's event source.
STDMETHODIMP BrowserSite::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) {
    *count = 0;
  }
  return S_OK;
}
STDMETHODIMP BrowserSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) {
    *info = nullptr;
  }
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                 EXCEPINFO*, UINT*) {
  if (host_ == nullptr || parameters == nullptr) {
    return S_OK;
  }
  // Nothing may be thrown back into the control.
  try {
    OnEvent(id, parameters);
  } catch (...) {
    std::fputs("corvane: a browser event failed (out of memory?)\n", stderr);
  }
  return S_OK;
}

void BrowserSite::OnEvent(DISPID id, DISPPARAMS* parameters) {
  // The arguments arrive last first.
  VARIANTARG* arguments = parameters->rgvarg;
  const UINT count = parameters->cArgs;
  switch (id) {
    case DISPID_BEFORENAVIGATE2:
      // (frame, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
      if (count == 7) {
        const bool load =
            host_->BeforeNavigate(DispatchArgument(arguments[6]), TextArgument(arguments[5]));
        SetCancel(arguments[0], !load);
      }
      break;
    case DISPID_NAVIGATEERROR:
      // (frame, URL, TargetFrameName, StatusCode, Cancel)
      if (count == 5) {
        host_->NavigateError(DispatchArgument(arguments[4]), LongArgument(arguments[1]));
      }
      break;
    case DISPID_DOCUMENTCOMPLETE:
      // (frame, URL)
      if (count == 2) {
        host_->DocumentComplete(DispatchArgument(arguments[1]));
      }
      break;
    case DISPID_NEWWINDOW3:
      // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl): never a window of the control's own.
      if (count == 5) {
        SetCancel(arguments[3], true);
        host_->NewWindow(TextArgument(arguments[0]));
      }
      break;
    default:
      break;
  }
}

}  // namespace platform
