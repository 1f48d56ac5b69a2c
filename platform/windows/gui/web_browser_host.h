// The browser host over the system's HTML control (CLSID_WebBrowser), hosted in place in a
// window of the program by one site object (client site, in-place site and frame, document host
// UI handler, and the sink of the control's DWebBrowserEvents2). Navigations are offered to the
// view's handler from BeforeNavigate2, completed documents of the top frame from
// DocumentComplete; links asking for a new window and navigations the handler sends outside open
// in the user's default handler. The page files are HTML resources of the executable, which the
// control loads through its own "res://" protocol.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <exdisp.h>
#include <oleidl.h>

#include "platform/browser_host.h"
#include "platform/windows/gui/com_handles.h"
#include "platform/windows/gui/mshtml_document.h"

namespace platform {

class BrowserSite;

class WebBrowserHost final : public BrowserHost {
 public:
  // Opens a URL outside the view (the user's default handler by default).
  using ExternalOpener = std::function<void(const std::u16string& url)>;

  // Creates the control and activates it in place, filling the parent's client area; null when
  // the control cannot be made or refuses in-place activation. OLE must be initialised on the
  // calling thread.
  static std::unique_ptr<WebBrowserHost> Create(HWND parent);
  ~WebBrowserHost() override;

  void SetEvents(BrowserEvents* events) override;
  void Navigate(const std::u16string& url) override;
  std::u16string GetLocationURL() const override;
  HtmlDocument* GetHtmlDocument() override;
  bool HasResource(std::u16string_view name) const override;

  void SetExternalOpener(ExternalOpener opener) { opener_ = std::move(opener); }
  // The status code of the last failed navigation of the top frame (NavigateError), 0 when none
  // failed since the last navigation started.
  long LastNavigationError() const { return lastNavigationError_; }
  HWND Parent() const { return parent_; }

  // Fits the controls hosted in that window to its client area (on WM_SIZE).
  static void FitToParent(HWND parent);
  // Gives the control hosted in that window the keyboard focus (on WM_SETFOCUS).
  static void FocusIn(HWND parent);
  // Offers a queued message to every live host before it is dispatched: right-button presses
  // meant for a control's windows go to the handler, which may drop them, and keys go to the
  // control's own accelerators (Tab, Enter on links). True when the message was used up.
  static bool PreTranslate(MSG& message);

 private:
  friend class BrowserSite;

  explicit WebBrowserHost(HWND parent);
  bool Activate();

  // Notifications from the site, on the user-interface thread.
  bool BeforeNavigate(IDispatch* frame, const std::u16string& url);
  void NavigateError(IDispatch* frame, long status);
  void DocumentComplete(IDispatch* frame);
  void NewWindow(const std::u16string& url);
  void SetActiveObject(IOleInPlaceActiveObject* object);
  bool IsTopFrame(IDispatch* frame) const;

  HWND parent_;
  windows::ComPtr<BrowserSite> site_;
  windows::ComPtr<IOleObject> control_;
  windows::ComPtr<IWebBrowser2> browser_;
  windows::ComPtr<IOleInPlaceActiveObject> activeObject_;
  windows::ComPtr<IConnectionPoint> eventSource_;
  DWORD eventCookie_ = 0;
  MshtmlDocument document_;
  BrowserEvents* events_ = nullptr;
  ExternalOpener opener_;
  long lastNavigationError_ = 0;
};

}  // namespace platform
