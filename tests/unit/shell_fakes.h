// Fakes of the window, the browser control and the main window for tests of the shell's logic:
// each records what is asked of it in a shared log.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_target.h"
#include "catalogue/cert_manager.h"
#include "platform/browser_host.h"
#include "platform/frame_window.h"
#include "platform/html_document.h"

namespace shell_fakes {

using Log = std::vector<std::string>;

inline std::string Narrow(const std::u16string& text) {
  std::string narrow;
  for (const char16_t c : text) {
    narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return narrow;
}

class FakeBrowserHost : public platform::BrowserHost {
 public:
  explicit FakeBrowserHost(Log& log) : log_(log) {}

  void SetEvents(platform::BrowserEvents* events) override { events_ = events; }
  void Navigate(const std::u16string& url) override {
    navigations.push_back(url);
    log_.push_back(std::string("navigate") +
                   (GetMainWindow() != nullptr ? " with main window" : " without main window"));
  }
  std::u16string GetLocationURL() const override { return location; }
  platform::HtmlDocument* GetHtmlDocument() override { return document; }
  bool HasResource(std::u16string_view name) const override {
    return hasMainPage && name == u"main.html";
  }

  platform::BrowserEvents* events_ = nullptr;
  std::vector<std::u16string> navigations;
  std::u16string location;
  platform::HtmlDocument* document = nullptr;
  bool hasMainPage = true;

 private:
  Log& log_;
};

class FakeFrameWindow : public platform::FrameWindow {
 public:
  FakeFrameWindow(Log& log, platform::WindowRect desktop, bool canMakeHost)
      : log_(log), desktop_(desktop), canMakeHost_(canMakeHost) {}

  void SetTitle(const std::u16string& title) override { log_.push_back("title " + Narrow(title)); }
  void SetAppIcon() override { log_.push_back("icon"); }
  platform::WindowRect DesktopRect() const override { return desktop_; }
  void SetPosition(const platform::WindowRect& r) override {
    log_.push_back("position " + std::to_string(r.x) + "," + std::to_string(r.y) + " " +
                   std::to_string(r.width) + "x" + std::to_string(r.height));
  }
  std::unique_ptr<platform::BrowserHost> CreateBrowserHost() override {
    log_.push_back("create host");
    if (!canMakeHost_) {
      return nullptr;
    }
    auto host = std::make_unique<FakeBrowserHost>(log_);
    lastHost = host.get();
    return host;
  }
  void ShowAndPaint() override { log_.push_back("show"); }
  void PostAfterShown(std::function<void()> task) override {
    log_.push_back("post");
    posted = std::move(task);
  }

  FakeBrowserHost* lastHost = nullptr;
  std::function<void()> posted;

 private:
  Log& log_;
  platform::WindowRect desktop_;
  bool canMakeHost_;
};

class FakeWindowSystem : public platform::WindowSystem {
 public:
  explicit FakeWindowSystem(Log& log, platform::WindowRect desktop = {0, 0, 1920, 1080})
      : log_(log), desktop_(desktop) {}

  std::unique_ptr<platform::FrameWindow> CreateFrameWindow() override {
    log_.push_back("create window");
    if (!canMakeWindow) {
      return nullptr;
    }
    auto window = std::make_unique<FakeFrameWindow>(log_, desktop_, canMakeHost);
    lastWindow = window.get();
    return window;
  }
  void RunMessageLoop() override {
    log_.push_back("loop");
    if (lastWindow != nullptr && lastWindow->posted) {
      lastWindow->posted();
    }
  }

  bool canMakeWindow = true;
  bool canMakeHost = true;
  FakeFrameWindow* lastWindow = nullptr;

 private:
  Log& log_;
  platform::WindowRect desktop_;
};

// A main window that records the commands it receives.
class FakeMainWindow : public CommandTarget {
 public:
  bool ShowCertificate(const std::u16string& entryNumber) override {
    calls.push_back("show " + Narrow(entryNumber));
    return true;
  }
  bool InstallUninstall(const std::u16string& entryNumber, bool install) override {
    calls.push_back((install ? "install " : "uninstall ") + Narrow(entryNumber));
    return true;
  }
  bool ExportCertificate(const std::u16string& entryNumber) override {
    calls.push_back("export " + Narrow(entryNumber));
    return true;
  }
  bool ShowWindowsStores() override {
    calls.push_back("stores");
    return true;
  }
  const TCertManager* Catalogue() const override { return &catalogue; }

  std::vector<std::string> calls;
  TCertManager catalogue;
};

}  // namespace shell_fakes
