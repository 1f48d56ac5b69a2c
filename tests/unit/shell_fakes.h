// Fakes of the window, the browser control, the page document, the main window and the user
// interface for tests of the shell's logic: each records what is asked of it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_target.h"
#include "catalogue/cert_manager.h"
#include "platform/browser_host.h"
#include "platform/frame_window.h"
#include "platform/html_document.h"
#include "platform/ui_services.h"

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
  const TCertManager* Catalogue() const override {
    return shownCatalogue != nullptr ? shownCatalogue : &catalogue;
  }

  std::vector<std::string> calls;
  TCertManager catalogue;
  // When set, the catalogue population sees instead of the fake's own.
  const TCertManager* shownCatalogue = nullptr;
};

// Elements by id with their inner HTML and class; counts the writes.
class FakeDocument : public platform::HtmlDocument {
 public:
  struct Element {
    std::u16string html;
    std::u16string className;
    int htmlWrites = 0;
  };

  FakeDocument& With(const std::u16string& id, std::u16string className = {}) {
    elements[id] = Element{u"", std::move(className)};
    return *this;
  }

  bool SetInnerHtml(const std::u16string& id, const std::u16string& html) override {
    auto found = elements.find(id);
    if (found == elements.end()) {
      return false;
    }
    found->second.html = html;
    ++found->second.htmlWrites;
    ++htmlWrites;
    return true;
  }
  bool GetClassName(const std::u16string& id, std::u16string& className) override {
    auto found = elements.find(id);
    if (found == elements.end() || failClassReads) {
      return false;
    }
    className = found->second.className;
    return true;
  }
  bool SetClassName(const std::u16string& id, const std::u16string& className) override {
    auto found = elements.find(id);
    if (found == elements.end()) {
      return false;
    }
    found->second.className = className;
    ++classWrites;
    return true;
  }
  bool GetScrollTop(double& top) override {
    top = scrollTop;
    return true;
  }
  bool SetScrollTop(double top) override {
    scrolledTo.push_back(top);
    return true;
  }

  std::map<std::u16string, Element> elements;
  int htmlWrites = 0;
  int classWrites = 0;
  bool failClassReads = false;
  double scrollTop = 0;
  std::vector<double> scrolledTo;
};

// The elements of the page template that population writes.
inline FakeDocument TemplateDocument() {
  FakeDocument document;
  document.With(u"APP_MAIN_TITLE_ID")
      .With(u"APP_NAME_ID")
      .With(u"APP_VERSION_ID")
      .With(u"STORES_LINK_ID")
      .With(u"LINKS_B")
      .With(u"TEMPLATE_ROOT_TABLE_ID");
  return document;
}

struct Box {
  std::u16string text;
  std::u16string caption;
  std::uint32_t style = 0;
};

class FakeUi : public platform::UiServices {
 public:
  int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                     std::uint32_t style) override {
    boxes.push_back({text, caption, style});
    if (onBox) {
      onBox();
    }
    if (!answers.empty()) {
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (style & 0x0F) == platform::kMbOk ? platform::kIdOk : platform::kIdCancel;
  }
  std::optional<std::u16string> AskSaveFileName(const std::u16string& proposedName) override {
    proposals.push_back(proposedName);
    if (onSaveDialog) {
      onSaveDialog();
    }
    return saveAnswer;
  }
  bool ViewCertificate(const platform::CertContext& context) override {
    viewed.push_back(context.encoded);
    return viewerWorks;
  }
  bool ShowCertificateStores(const platform::StoreRemoval&) override {
    ++storesShown;
    if (onStores) {
      onStores();
    }
    return storesWork;
  }
  // Answers in turn from passwordAnswers (none = Cancel), recording each request.
  std::optional<platform::SecretText> AskDatabasePassword(const std::u16string& databaseName,
                                                          int attempt) override {
    passwordRequests.push_back({databaseName, attempt});
    if (passwordAnswers.empty()) {
      return std::nullopt;
    }
    std::optional<std::string> answer = passwordAnswers.front();
    passwordAnswers.pop_front();
    if (!answer) {
      return std::nullopt;
    }
    return platform::SecretText(*answer);
  }

  std::vector<Box> boxes;
  std::deque<int> answers;  // for the next boxes, in turn
  std::function<void()> onBox;

  std::vector<std::u16string> proposals;
  std::optional<std::u16string> saveAnswer;
  std::function<void()> onSaveDialog;

  std::vector<platform::Bytes> viewed;
  bool viewerWorks = true;

  int storesShown = 0;
  bool storesWork = true;
  std::function<void()> onStores;

  std::vector<std::pair<std::u16string, int>> passwordRequests;
  std::deque<std::optional<std::string>> passwordAnswers;
};

}  // namespace shell_fakes
