#include "shell_gui_support.h"

#include "page_script.h"

#include <cstdlib>
#include <memory>

#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "platform/linux/gui/gtk_frame_window.h"
#include "platform/linux/gui/webkit_browser_host.h"

namespace {

gboolean SetFlag(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

void ShellGuiTest::SetUp() {
  char pattern[] = "/tmp/corvane-shell-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  home_ = pattern;
  runtime_ = home_.string() + "-runtime";
  setenv("HOME", home_.c_str(), 1);
  setenv("XDG_DATA_HOME", (home_ / ".local/share").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home_ / ".cache").c_str(), 1);
  // A desktop session has a runtime folder; without one GLib falls back to creating the user's
  // cache folder when something connects to the session bus.
  std::filesystem::create_directory(runtime_);
  std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display: run under xvfb-run -a";
}

void ShellGuiTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(home_, ignored);
  std::filesystem::remove_all(runtime_, ignored);
}

bool ShellGuiTest::WaitUntil(const std::function<bool()>& condition, unsigned milliseconds) {
  bool timedOut = false;
  const guint timer = g_timeout_add(milliseconds, SetFlag, &timedOut);
  bool met = condition();
  while (!met && !timedOut) {
    g_main_context_iteration(nullptr, TRUE);
    met = condition();
  }
  if (!timedOut) {
    g_source_remove(timer);
  }
  return met;
}

void ShellGuiTest::Pump(unsigned milliseconds) {
  bool done = false;
  g_timeout_add(milliseconds, SetFlag, &done);
  while (!done) {
    g_main_context_iteration(nullptr, TRUE);
  }
}

std::string ShellGuiTest::Eval(WebKitWebView* view, const std::string& body) {
  return EvaluateInPage(view, body);
}

bool ShellGuiTest::WaitForTables(WebKitWebView* view, int tables, unsigned milliseconds) {
  const std::string expected = std::to_string(tables);
  return WaitUntil(
      [&] {
        const std::string json = Eval(view,
                                      "const name = document.getElementById('APP_NAME_ID');"
                                      "if (!name || name.textContent !== 'Oberit Corvane') "
                                      "  return -1;"
                                      "return document.querySelectorAll("
                                      "  'table[id^=\"CERTTABLE_ID_\"]').length;");
        if (json == expected) {
          return true;
        }
        Pump(20);
        return false;
      },
      milliseconds);
}

platform::WebKitBrowserHost* ShellGuiTest::HostOf(const CMainFrame& frame) {
  CCorvaneView* view = frame.GetActiveView();
  return view != nullptr ? dynamic_cast<platform::WebKitBrowserHost*>(view->GetHost()) : nullptr;
}

WebKitWebView* ShellGuiTest::ViewOf(const CMainFrame& frame) {
  platform::WebKitBrowserHost* host = HostOf(frame);
  return host != nullptr ? host->WebView() : nullptr;
}

GtkWindow* ShellGuiTest::WindowOf(const CMainFrame& frame) {
  auto* window = dynamic_cast<platform::GtkFrameWindow*>(frame.Window());
  return window != nullptr ? window->Widget() : nullptr;
}
