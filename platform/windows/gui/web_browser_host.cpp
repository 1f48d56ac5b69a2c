#include "platform/windows/gui/web_browser_host.h"

#include <exdisp.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "platform/windows/gui/browser_site.h"

namespace platform {
namespace {

using windows::BStr;
using windows::ComPtr;
using windows::Variant;

// No history entry, nothing written to the cache.
constexpr long kNavigationFlags = navNoHistory | navNoWriteToCache;

// Every live host, for the message filter and the parent window's notifications.
std::vector<WebBrowserHost*>& LiveHosts() {
  static std::vector<WebBrowserHost*> hosts;
  return hosts;
}

void OpenWithDefaultHandler(const std::u16string& url) {
  ::ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(url.c_str()), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

// COM compares objects by their IUnknown.
bool SameObject(IUnknown* left, IUnknown* right) {
  if (left == nullptr || right == nullptr) {
    return false;
  }
  ComPtr<IUnknown> leftIdentity;
  ComPtr<IUnknown> rightIdentity;
  left->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(leftIdentity.Out()));
  right->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(rightIdentity.Out()));
  return leftIdentity && leftIdentity.Get() == rightIdentity.Get();
}

bool IsWithin(HWND window, HWND ancestor) {
  return window == ancestor || ::IsChild(ancestor, window) != FALSE;
}

}  // namespace

WebBrowserHost::WebBrowserHost(HWND parent)
    : parent_(parent),
      site_(ComPtr<BrowserSite>::Adopt(new BrowserSite(this, parent))),
      document_([this]() -> ComPtr<IDispatch> {
        ComPtr<IDispatch> document;
        if (browser_) {
          browser_->get_Document(document.Out());
        }
        return document;
      }),
      opener_(OpenWithDefaultHandler) {}

std::unique_ptr<WebBrowserHost> WebBrowserHost::Create(HWND parent) {
  if (parent == nullptr) {
    return nullptr;
  }
  std::unique_ptr<WebBrowserHost> host(new WebBrowserHost(parent));
  if (!host->Activate()) {
    return nullptr;
  }
  LiveHosts().push_back(host.get());
  return host;
}

bool WebBrowserHost::Activate() {
  if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(control_.Out())))) {
    return false;
  }
  if (FAILED(control_->SetClientSite(site_.Get()))) {
    return false;
  }
  ::OleSetContainedObject(control_.Get(), TRUE);
  RECT area{};
  ::GetClientRect(parent_, &area);
  if (FAILED(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent_, &area)) ||
      !site_->InPlaceActive()) {
    return false;
  }
  browser_ = control_.As<IWebBrowser2>();
  if (!browser_) {
    return false;
  }
  // Script errors of the page are not put in front of the user in dialogs of the control's own.
  browser_->put_Silent(VARIANT_TRUE);
  const auto container = control_.As<IConnectionPointContainer>();
  if (!container ||
      FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, eventSource_.Out())) ||
      FAILED(eventSource_->Advise(site_->EventSink(), &eventCookie_))) {
    eventSource_.Reset();
    return false;
  }
  return true;
}

WebBrowserHost::~WebBrowserHost() {
  auto& hosts = LiveHosts();
  hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
  events_ = nullptr;
  site_->Detach();
  if (eventSource_) {
    eventSource_->Unadvise(eventCookie_);
  }
  activeObject_.Reset();
  browser_.Reset();
  if (control_) {
    control_->Close(OLECLOSE_NOSAVE);
    control_->SetClientSite(nullptr);
  }
}

void WebBrowserHost::SetEvents(BrowserEvents* events) {
  events_ = events;
}

void WebBrowserHost::Navigate(const std::u16string& url) {
  if (!browser_) {
    return;
  }
  lastNavigationError_ = 0;
  Variant address;
  address.Get()->vt = VT_BSTR;
  address.Get()->bstrVal = ::SysAllocString(reinterpret_cast<const wchar_t*>(url.c_str()));
  Variant flags;
  flags.Get()->vt = VT_I4;
  flags.Get()->lVal = kNavigationFlags;
  Variant none;
  browser_->Navigate2(address.Get(), flags.Get(), none.Get(), none.Get(), none.Get());
}

std::u16string WebBrowserHost::GetLocationURL() const {
  BStr location;
  if (!browser_ || browser_->get_LocationURL(location.Out()) != S_OK) {
    return {};
  }
  return location.Text();
}

HtmlDocument* WebBrowserHost::GetHtmlDocument() {
  ComPtr<IDispatch> document;
  if (!browser_ || browser_->get_Document(document.Out()) != S_OK || !document) {
    return nullptr;
  }
  return &document_;
}

bool WebBrowserHost::HasResource(std::u16string_view name) const {
  // The control's "res://" protocol reads the executable's resources of type HTML (23).
  const std::u16string zeroTerminated(name);
  return ::FindResourceW(::GetModuleHandleW(nullptr),
                         reinterpret_cast<const wchar_t*>(zeroTerminated.c_str()),
                         RT_HTML) != nullptr;
}

bool WebBrowserHost::IsTopFrame(IDispatch* frame) const {
  return browser_ && SameObject(frame, browser_.Get());
}

bool WebBrowserHost::BeforeNavigate(IDispatch* /*frame*/, const std::u16string& url) {
  if (events_ == nullptr) {
    return true;
  }
  lastNavigationError_ = 0;
  const NavigationDecision decided = events_->OnBeforeNavigate2(url);
  if (decided == NavigationDecision::kOpenOutside && !url.empty() && opener_) {
    opener_(url);
  }
  return decided == NavigationDecision::kLoad;
}

void WebBrowserHost::NavigateError(IDispatch* frame, long status) {
  if (IsTopFrame(frame)) {
    lastNavigationError_ = status;
  }
}

void WebBrowserHost::DocumentComplete(IDispatch* frame) {
  // Frames inside the page complete too; only the page itself is a completed document.
  if (events_ != nullptr && IsTopFrame(frame)) {
    events_->OnDocumentComplete(GetLocationURL());
  }
}

void WebBrowserHost::NewWindow(const std::u16string& url) {
  if (!url.empty() && opener_) {
    opener_(url);
  }
}

void WebBrowserHost::SetActiveObject(IOleInPlaceActiveObject* object) {
  activeObject_ = ComPtr<IOleInPlaceActiveObject>::Retain(object);
}

void WebBrowserHost::FitToParent(HWND parent) {
  for (WebBrowserHost* host : LiveHosts()) {
    if (host->parent_ != parent) {
      continue;
    }
    if (const auto inPlace = host->control_.As<IOleInPlaceObject>()) {
      RECT area{};
      ::GetClientRect(parent, &area);
      inPlace->SetObjectRects(&area, &area);
    }
  }
}

void WebBrowserHost::FocusIn(HWND parent) {
  for (WebBrowserHost* host : LiveHosts()) {
    if (host->parent_ == parent && host->control_) {
      RECT area{};
      ::GetClientRect(parent, &area);
      host->control_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, host->site_.Get(), 0, parent, &area);
    }
  }
}

bool WebBrowserHost::PreTranslate(MSG& message) {
  const bool rightButton = message.message == WM_RBUTTONDOWN || message.message == WM_RBUTTONDBLCLK;
  const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
  if (!rightButton && !key) {
    return false;
  }
  // A copy: a handler may end a host while the loop runs.
  const std::vector<WebBrowserHost*> hosts = LiveHosts();
  for (WebBrowserHost* host : hosts) {
    if (message.hwnd == nullptr || !IsWithin(message.hwnd, host->parent_) ||
        message.hwnd == host->parent_) {
      continue;
    }
    if (rightButton) {
      return host->events_ != nullptr &&
             host->events_->PreTranslateMessage(message.message == WM_RBUTTONDBLCLK
                                                    ? MouseMessage::kRightButtonDoubleClick
                                                    : MouseMessage::kRightButtonDown);
    }
    return host->activeObject_ && host->activeObject_->TranslateAccelerator(&message) == S_OK;
  }
  return false;
}

}  // namespace platform
