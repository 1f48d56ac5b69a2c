// Helpers for tests of the running main window: a throw-away home folder set up before GTK
// starts, waiting by iterating the main loop, and script evaluation in a web view.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <functional>
#include <string>

class CMainFrame;
class CCorvaneApp;

namespace platform {
class WebKitBrowserHost;
}  // namespace platform

class ShellGuiTest : public ::testing::Test {
 protected:
  // Points HOME and the XDG folders at a fresh empty folder (and the runtime folder at another),
  // then starts GTK.
  void SetUp() override;
  void TearDown() override;

  // Iterates the main loop until the condition holds or the time runs out; the condition's last
  // value.
  static bool WaitUntil(const std::function<bool()>& condition, unsigned milliseconds = 20000);
  // Iterates the main loop for that long.
  static void Pump(unsigned milliseconds);
  // Runs a function body in the page (it may await) and returns JSON.stringify of its result,
  // or "<error>..." when the script failed.
  static std::string Eval(WebKitWebView* view, const std::string& body);
  // Waits until the page holds that many certificate tables (and its name cell is written).
  static bool WaitForTables(WebKitWebView* view, int tables, unsigned milliseconds = 20000);

  // The web view of the frame's browser view.
  static platform::WebKitBrowserHost* HostOf(const CMainFrame& frame);
  static WebKitWebView* ViewOf(const CMainFrame& frame);
  static GtkWindow* WindowOf(const CMainFrame& frame);

  std::filesystem::path home_;
  std::filesystem::path runtime_;
};
