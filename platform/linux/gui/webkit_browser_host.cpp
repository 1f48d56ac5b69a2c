#include "platform/linux/gui/webkit_browser_host.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/linux/gui/gui_environment.h"
#include "platform/linux/gui/gui_text.h"
#include "platform/linux/gui/res_scheme.h"
#include "platform/linux/gui/webkit_document.h"

namespace platform {
namespace {

// Characters a path may carry unescaped in a URI; everything else (blanks, "%", "#", "?",
// non-ASCII) is percent-encoded before the URL is handed to WebKit.
constexpr char kAllowedInUrl[] = "!$&'()*+,;=:@/";

// The URL as the view's handlers see it: percent-decoded when that gives valid UTF-8.
std::u16string ReadableUrl(const char* uri) {
  if (uri == nullptr) {
    return {};
  }
  const glib::CharsPtr decoded(g_uri_unescape_string(uri, nullptr));
  if (decoded && g_utf8_validate(decoded.get(), -1, nullptr)) {
    return gui::FromGtkText(decoded.get());
  }
  return gui::FromGtkText(uri);
}

const char* RequestUri(WebKitPolicyDecision* decision) {
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  WebKitURIRequest* request =
      action != nullptr ? webkit_navigation_action_get_request(action) : nullptr;
  return request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
}

void OpenInDefaultBrowser(GtkWidget* view, const std::string& uri) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(view);
  GError* error = nullptr;
  const bool opened =
      gtk_show_uri_on_window(GTK_IS_WINDOW(toplevel) ? GTK_WINDOW(toplevel) : nullptr, uri.c_str(),
                             GDK_CURRENT_TIME, &error);
  const glib::ErrorPtr failure(error);
  if (!opened) {
    // Nothing to show the user beyond the browser not opening; leave a trace for support.
    std::fprintf(stderr, "corvane: cannot open %s: %s\n", uri.c_str(),
                 failure ? failure->message : "unknown error");
  }
}

// GTK's own delivery of an event, restored when the last host is gone.
void DeliverEvent(GdkEvent* event, gpointer /*unused*/) {
  gtk_main_do_event(event);
}

// Every live host, for the event filter.
std::vector<WebKitBrowserHost*>& LiveHosts() {
  static std::vector<WebKitBrowserHost*> hosts;
  return hosts;
}

void ReportCallbackFailure(const char* where) {
  std::fprintf(stderr, "corvane: %s failed (out of memory?)\n", where);
}

}  // namespace

WebKitBrowserHost::WebKitBrowserHost(GtkContainer* parent) : opener_(OpenInDefaultBrowser) {
  // An ephemeral context keeps cache, cookies and storage in memory only; the web process it
  // starts inherits the environment that keeps graphics caches off the disk.
  DisableGraphicsDiskCaches();
  auto context = glib::GObjectRef<WebKitWebContext>::Adopt(webkit_web_context_new_ephemeral());
  webkit_web_context_set_cache_model(context.get(), WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
  RegisterResScheme(context.get());

  view_ = glib::GObjectRef<WebKitWebView>::Retain(
      WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(context.get())));
  document_ = std::make_unique<WebKitDocument>(view_.get());
  // A document page needs no accelerated compositing, whose start (a GL context, shaders) would
  // keep the window blank for seconds before the page's first picture.
  webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(view_.get()),
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);

  gpointer instance = view_.get();
  decidePolicy_ = {instance,
                   g_signal_connect(instance, "decide-policy", G_CALLBACK(OnDecidePolicy), this)};
  loadChanged_ = {instance,
                  g_signal_connect(instance, "load-changed", G_CALLBACK(OnLoadChanged), this)};
  loadFailedSignal_ = {instance,
                       g_signal_connect(instance, "load-failed", G_CALLBACK(OnLoadFailed), this)};
  contextMenu_ = {instance,
                  g_signal_connect(instance, "context-menu", G_CALLBACK(OnContextMenu), this)};

  // The view's own input handling sees events before any signal handler could stop them, so
  // right-button presses are filtered where GTK takes events from the display.
  if (LiveHosts().empty()) {
    gdk_event_handler_set(FilterEvent, nullptr, nullptr);
  }
  LiveHosts().push_back(this);

  gtk_container_add(parent, GTK_WIDGET(view_.get()));
  gtk_widget_show(GTK_WIDGET(view_.get()));
}

WebKitBrowserHost::~WebKitBrowserHost() {
  events_ = nullptr;
  decidePolicy_.Disconnect();
  loadChanged_.Disconnect();
  loadFailedSignal_.Disconnect();
  contextMenu_.Disconnect();
  document_.reset();
  auto& hosts = LiveHosts();
  hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
  if (hosts.empty()) {
    gdk_event_handler_set(DeliverEvent, nullptr, nullptr);
  }
}

void WebKitBrowserHost::SetEvents(BrowserEvents* events) {
  events_ = events;
}

void WebKitBrowserHost::Navigate(const std::u16string& url) {
  const std::string text = gui::ToGtkText(url);
  const glib::CharsPtr escaped(g_uri_escape_string(text.c_str(), kAllowedInUrl, FALSE));
  focusToKeep_.clear();
  focusPageUri_.clear();
  const char* shown = webkit_web_view_get_uri(view_.get());
  if (g_strcmp0(shown, escaped.get()) == 0) {
    focusToKeep_ = document_->ReadFocusKey();
    focusPageUri_ = escaped.get();
  }
  webkit_web_view_load_uri(view_.get(), escaped.get());
}

std::u16string WebKitBrowserHost::GetLocationURL() const {
  return ReadableUrl(webkit_web_view_get_uri(view_.get()));
}

HtmlDocument* WebKitBrowserHost::GetHtmlDocument() {
  return document_.get();
}

bool WebKitBrowserHost::HasResource(std::u16string_view name) const {
  return LookupPageResource(gui::ToGtkText(name)).has_value();
}

bool WebKitBrowserHost::DecideNavigation(WebKitPolicyDecision* decision) {
  if (events_ == nullptr) {
    return false;
  }
  // Keep the decision alive while a command runs its dialogs inside this notification.
  glib::GObjectRef<WebKitPolicyDecision> held =
      glib::GObjectRef<WebKitPolicyDecision>::Retain(decision);
  const char* requestUri = RequestUri(decision);
  // The address as the page gave it, not the readable form the handler sees.
  const std::string uri = requestUri != nullptr ? requestUri : "";
  const NavigationDecision decided = events_->OnBeforeNavigate2(ReadableUrl(requestUri));
  if (decided == NavigationDecision::kLoad) {
    return false;
  }
  webkit_policy_decision_ignore(decision);
  if (decided == NavigationDecision::kOpenOutside && !uri.empty() && opener_) {
    opener_(GTK_WIDGET(view_.get()), uri);
  }
  return true;
}

void WebKitBrowserHost::OpenOutside(WebKitPolicyDecision* decision) {
  const char* uri = RequestUri(decision);
  webkit_policy_decision_ignore(decision);
  if (uri != nullptr && opener_) {
    opener_(GTK_WIDGET(view_.get()), uri);
  }
}

gboolean WebKitBrowserHost::OnDecidePolicy(WebKitWebView* /*view*/, WebKitPolicyDecision* decision,
                                           WebKitPolicyDecisionType type, gpointer self) {
  auto* host = static_cast<WebKitBrowserHost*>(self);
  try {
    switch (type) {
      case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
        return host->DecideNavigation(decision) ? TRUE : FALSE;
      case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
        host->OpenOutside(decision);
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    ReportCallbackFailure("navigation");
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
}

void WebKitBrowserHost::OnLoadChanged(WebKitWebView* /*view*/, WebKitLoadEvent event,
                                      gpointer self) {
  auto* host = static_cast<WebKitBrowserHost*>(self);
  if (event == WEBKIT_LOAD_STARTED) {
    host->loadFailed_ = false;
  } else if (event == WEBKIT_LOAD_FINISHED && !host->loadFailed_) {
    host->DeliverDocumentComplete();
  }
}

void WebKitBrowserHost::DeliverDocumentComplete() {
  // Population waits for the page's answers by iterating the main loop, so a later load can
  // finish inside it. That completion is delivered after the current one has returned, so that
  // one population never runs inside another.
  if (inDocumentComplete_) {
    documentCompletePending_ = true;
    return;
  }
  inDocumentComplete_ = true;
  do {
    documentCompletePending_ = false;
    if (events_ == nullptr) {
      break;
    }
    try {
      events_->OnDocumentComplete(GetLocationURL());
      RestoreKeptFocus();
    } catch (...) {
      ReportCallbackFailure("page population");
    }
  } while (documentCompletePending_);
  inDocumentComplete_ = false;
}

void WebKitBrowserHost::RestoreKeptFocus() {
  if (focusToKeep_.empty()) {
    return;
  }
  const std::string key = std::move(focusToKeep_);
  focusToKeep_.clear();
  // Only on the page that was loaded again, after its handler has filled it and shown it.
  if (g_strcmp0(webkit_web_view_get_uri(view_.get()), focusPageUri_.c_str()) == 0) {
    document_->RestoreFocus(key);
  }
}

gboolean WebKitBrowserHost::OnLoadFailed(WebKitWebView* /*view*/, WebKitLoadEvent /*event*/,
                                         gchar* /*uri*/, GError* /*error*/, gpointer self) {
  // A failed or superseded load completes no document.
  static_cast<WebKitBrowserHost*>(self)->loadFailed_ = true;
  return FALSE;
}

gboolean WebKitBrowserHost::OnContextMenu(WebKitWebView* /*view*/, WebKitContextMenu* /*menu*/,
                                          GdkEvent* /*event*/, WebKitHitTestResult* /*hit*/,
                                          gpointer /*self*/) {
  return TRUE;
}

bool WebKitBrowserHost::DropsEvent(GdkEvent* event) const {
  if (events_ == nullptr || event->button.button != GDK_BUTTON_SECONDARY ||
      event->button.window == nullptr) {
    return false;
  }
  gpointer target = nullptr;
  gdk_window_get_user_data(event->button.window, &target);
  GtkWidget* view = GTK_WIDGET(view_.get());
  if (target == nullptr ||
      (target != view && !gtk_widget_is_ancestor(static_cast<GtkWidget*>(target), view))) {
    return false;
  }
  return events_->PreTranslateMessage(event->type == GDK_2BUTTON_PRESS
                                          ? MouseMessage::kRightButtonDoubleClick
                                          : MouseMessage::kRightButtonDown);
}

void WebKitBrowserHost::FilterEvent(GdkEvent* event, gpointer /*unused*/) {
  const GdkEventType type = event->type;
  if (type == GDK_BUTTON_PRESS || type == GDK_2BUTTON_PRESS || type == GDK_3BUTTON_PRESS) {
    try {
      for (const WebKitBrowserHost* host : LiveHosts()) {
        if (host->DropsEvent(event)) {
          return;
        }
      }
    } catch (...) {
      ReportCallbackFailure("input filter");
    }
  }
  gtk_main_do_event(event);
}

}  // namespace platform
