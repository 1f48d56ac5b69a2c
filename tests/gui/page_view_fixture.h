// A real WebKitWebView in a window under the virtual display, loading the page through the res
// scheme; synchronous helpers to wait for loads and to evaluate script in the page.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/gui/res_scheme.h"

class PageViewTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the resource with that name through the res scheme; false when the load did not
  // finish within the time limit or failed.
  bool LoadPage(const std::string& name = "main.html");
  // Runs a function body in the page (it may await) and returns JSON.stringify of its result,
  // or "<error>" when the script failed.
  std::string Eval(const std::string& body);
  // Iterates the main context until the flag is set or the time runs out.
  static bool WaitFor(const bool& flag, unsigned milliseconds);

  GtkWidget* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  bool loadFinished_ = false;
  bool loadFailed_ = false;
  std::vector<std::string> failedResources_;  // URIs of subresources that failed to load
  std::vector<std::string> loadedResources_;
};
