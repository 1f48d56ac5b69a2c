// The browser host over a WebKitWebView: an ephemeral web context (nothing is written to the
// user's folders) serving the program's page resources through the "res" scheme; navigations are
// offered to the view's handler through decide-policy, completed loads through load-changed.
// Right-button presses are offered to the handler before the view sees them, and no context menu
// is ever shown. When the page shown is loaded again, the keyboard focus goes back to the element
// that had it (the page script names it), once the handler has filled the new page.
// Links that ask for a new window, and navigations the handler sends outside, open in the user's
// default handler, never in the view.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/browser_host.h"
#include "platform/linux/glib_handle.h"

namespace platform {

class WebKitDocument;

class WebKitBrowserHost final : public BrowserHost {
 public:
  // Opens a URI outside the view (the user's default browser by default).
  using ExternalOpener = std::function<void(GtkWidget* view, const std::string& uri)>;

  // Creates the web view and adds it to the container, where it fills the client area.
  explicit WebKitBrowserHost(GtkContainer* parent);
  ~WebKitBrowserHost() override;

  void SetEvents(BrowserEvents* events) override;
  void Navigate(const std::u16string& url) override;
  std::u16string GetLocationURL() const override;
  HtmlDocument* GetHtmlDocument() override;
  bool HasResource(std::u16string_view name) const override;

  WebKitWebView* WebView() const { return view_.get(); }
  void SetExternalOpener(ExternalOpener opener) { opener_ = std::move(opener); }

 private:
  static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri,
                               GError* error, gpointer self);
  static gboolean OnContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                WebKitHitTestResult* hit, gpointer self);
  // Offers right-button presses meant for a host's view to its handler before GTK delivers
  // them; installed while any host exists.
  static void FilterEvent(GdkEvent* event, gpointer unused);
  bool DropsEvent(GdkEvent* event) const;

  bool DecideNavigation(WebKitPolicyDecision* decision);
  void OpenOutside(WebKitPolicyDecision* decision);
  void DeliverDocumentComplete();
  void RestoreKeptFocus();

  glib::GObjectRef<WebKitWebView> view_;
  std::unique_ptr<WebKitDocument> document_;
  BrowserEvents* events_ = nullptr;
  ExternalOpener opener_;
  bool loadFailed_ = false;
  bool inDocumentComplete_ = false;
  bool documentCompletePending_ = false;
  // The focused element of the page being loaded again, and that page's address.
  std::string focusToKeep_;
  std::string focusPageUri_;
  glib::SignalConnection decidePolicy_;
  glib::SignalConnection loadChanged_;
  glib::SignalConnection loadFailedSignal_;
  glib::SignalConnection contextMenu_;
};

}  // namespace platform
