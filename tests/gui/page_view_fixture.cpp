#include "page_view_fixture.h"

#include "page_script.h"

namespace {

void OnResourceFailed(WebKitWebResource* resource, GError* /*error*/, gpointer test) {
  static_cast<std::vector<std::string>*>(test)->push_back(webkit_web_resource_get_uri(resource));
}

void OnResourceFinished(WebKitWebResource* resource, gpointer test) {
  static_cast<std::vector<std::string>*>(test)->push_back(webkit_web_resource_get_uri(resource));
}

gboolean OnTimeout(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

void PageViewTest::SetUp() {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display: run under xvfb-run -a";
  static bool registered = false;
  if (!registered) {
    platform::RegisterResScheme(webkit_web_context_get_default());
    registered = true;
  }
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window_), 1100, 860);
  view_ = WEBKIT_WEB_VIEW(webkit_web_view_new());
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
  gtk_widget_show_all(window_);

  g_signal_connect(view_, "load-changed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer test) {
                     if (event == WEBKIT_LOAD_FINISHED) {
                       static_cast<PageViewTest*>(test)->loadFinished_ = true;
                     }
                   }),
                   this);
  g_signal_connect(
      view_, "load-failed",
      G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, char*, GError*, gpointer test) -> gboolean {
        static_cast<PageViewTest*>(test)->loadFailed_ = true;
        return FALSE;
      }),
      this);
  g_signal_connect(view_, "resource-load-started",
                   G_CALLBACK(+[](WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                                  gpointer test) {
                     auto* self = static_cast<PageViewTest*>(test);
                     g_signal_connect(resource, "failed", G_CALLBACK(OnResourceFailed),
                                      &self->failedResources_);
                     g_signal_connect(resource, "finished", G_CALLBACK(OnResourceFinished),
                                      &self->loadedResources_);
                   }),
                   this);
}

void PageViewTest::TearDown() {
  if (window_ != nullptr) {
    gtk_widget_destroy(window_);
    window_ = nullptr;
    view_ = nullptr;
  }
}

bool PageViewTest::WaitFor(const bool& flag, unsigned milliseconds) {
  bool timedOut = false;
  const guint timer = g_timeout_add(milliseconds, OnTimeout, &timedOut);
  while (!flag && !timedOut) {
    g_main_context_iteration(nullptr, TRUE);
  }
  if (!timedOut) {
    g_source_remove(timer);
  }
  return flag;
}

bool PageViewTest::LoadPage(const std::string& name) {
  loadFinished_ = false;
  loadFailed_ = false;
  webkit_web_view_load_uri(view_, platform::PageResourceUri(name).c_str());
  return WaitFor(loadFinished_, 20000) && !loadFailed_;
}

std::string PageViewTest::Eval(const std::string& body) {
  return EvaluateInPage(view_, body);
}
