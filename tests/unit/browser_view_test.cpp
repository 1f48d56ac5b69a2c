// The browser view: which navigations run a command of the main window (and are cancelled), how
// the page is loaded, and what reaches page population.
#include "app/corvane_view.h"

#include <gtest/gtest.h>

#include <map>

#include "app/messages.h"
#include "shell_fakes.h"

namespace {

using shell_fakes::FakeBrowserHost;
using shell_fakes::FakeMainWindow;

constexpr char16_t kBase[] = u"res:///opt/oberit/corvane/";

class BrowserViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto host = std::make_unique<FakeBrowserHost>(log_);
    host_ = host.get();
    ASSERT_TRUE(view_.Create(std::move(host)));
    SetMainWindow(&mainWindow_);
  }
  void TearDown() override { SetMainWindow(nullptr); }

  bool Navigate(const std::u16string& url) { return host_->events_->OnBeforeNavigate2(url); }

  shell_fakes::Log log_;
  FakeMainWindow mainWindow_;
  FakeBrowserHost* host_ = nullptr;
  CCorvaneView view_;
};

TEST_F(BrowserViewTest, CommandLinksAreCancelledAndReachTheirCommand) {
  struct Case {
    std::u16string url;
    std::string call;
  };
  const std::u16string base = kBase;
  const Case cases[] = {
      {base + u"URL_SHOWCERT_1028_0", "show 1028_0"},
      {base + u"self.location=URL_SHOWCERT_1028_0", "show 1028_0"},
      {base + u"URL_INSTALLCERT_1028_0", "install 1028_0"},
      {base + u"URL_UNINSTALLCERT_16392_5", "uninstall 16392_5"},
      {base + u"self.location=URL_EXPORT_131104_2", "export 131104_2"},
      {base + u"URL_SHOW_WINDOWS_STORE", "stores"},
      {base + u"URL_SHOW_WINDOWS_STORE_and_more", "stores"},
      // Nothing after the prefix: the command gets the empty text.
      {base + u"URL_INSTALLCERT_", "install "},
      // Prefixes are tried in their order, wherever they stand in the URL.
      {u"res:///URL_EXPORT_4_1/URL_SHOWCERT_1", "show 1"},
      {u"res:///URL_UNINSTALLCERT_2/URL_INSTALLCERT_3", "install 3"},
  };
  for (const Case& c : cases) {
    mainWindow_.calls.clear();
    EXPECT_TRUE(Navigate(c.url)) << c.call;
    EXPECT_EQ(mainWindow_.calls, std::vector<std::string>{c.call});
  }
}

TEST_F(BrowserViewTest, OtherNavigationsPassUntouched) {
  const std::u16string base = kBase;
  for (const std::u16string& url : {base + u"main.html", base + u"MAIN.HTML",
                                    std::u16string(u"https://example.org/URL_EXPORT_4_1"),
                                    std::u16string(u"RES:///opt/URL_SHOWCERT_1028_0"),
                                    std::u16string(u"about:blank"), std::u16string()}) {
    EXPECT_FALSE(Navigate(url)) << shell_fakes::Narrow(url);
  }
  EXPECT_TRUE(mainWindow_.calls.empty());
}

TEST_F(BrowserViewTest, WithoutMainWindowEvenCommandLinksPass) {
  SetMainWindow(nullptr);
  EXPECT_FALSE(Navigate(std::u16string(kBase) + u"URL_SHOWCERT_1028_0"));
  EXPECT_FALSE(Navigate(std::u16string(kBase) + u"URL_SHOW_WINDOWS_STORE"));
  EXPECT_TRUE(mainWindow_.calls.empty());
}

TEST_F(BrowserViewTest, RightButtonNeverReachesTheBrowser) {
  EXPECT_TRUE(view_.PreTranslateMessage(platform::MouseMessage::kRightButtonDown));
  EXPECT_TRUE(view_.PreTranslateMessage(platform::MouseMessage::kRightButtonDoubleClick));
  EXPECT_FALSE(view_.PreTranslateMessage(platform::MouseMessage::kOther));
}

TEST_F(BrowserViewTest, MainPageIsTheExecutablePathUnderRes) {
  const std::u16string url = view_.BuildMainPageUrl();
  EXPECT_EQ(url, u"res://" + GetModulePath() + u"/main.html");
  EXPECT_EQ(url.rfind(u"res:///", 0), 0u);

  view_.NavigateToMainPage();
  EXPECT_EQ(host_->navigations, std::vector<std::u16string>{url});

  // Without the page resource the view navigates nowhere.
  host_->hasMainPage = false;
  view_.NavigateToMainPage();
  EXPECT_EQ(host_->navigations.size(), 1u);
}

TEST(BrowserViewWithoutWindowTest, DoesNothingBeforeCreate) {
  CCorvaneView view;
  view.NavigateToMainPage();
  EXPECT_FALSE(view.PopulateIfMainPage());
  EXPECT_FALSE(view.Create(std::unique_ptr<platform::BrowserHost>()));
}

// A document with the elements population writes, recording the texts.
class RecordingDocument : public HtmlDocument {
 public:
  bool SetInnerHtml(const std::u16string& id, const std::u16string& html) override {
    written[id] = html;
    return true;
  }
  bool GetClassName(const std::u16string&, std::u16string& className) override {
    className.clear();
    return true;
  }
  bool SetClassName(const std::u16string&, const std::u16string&) override { return true; }

  std::map<std::u16string, std::u16string> written;
};

TEST_F(BrowserViewTest, CompletedMainPageIsPopulatedFromTheMainWindowsCatalogue) {
  RecordingDocument document;
  host_->document = &document;

  // Another page in the view is left alone.
  host_->location = u"https://example.org/index.html";
  host_->events_->OnDocumentComplete(host_->location);
  EXPECT_TRUE(document.written.empty());

  // The location decides, not the URL of the notification.
  host_->location = std::u16string(kBase) + u"main.html";
  host_->events_->OnDocumentComplete(u"https://example.org/ignored");
  EXPECT_EQ(document.written[u"APP_NAME_ID"], u"Oberit Corvane");
  EXPECT_EQ(document.written.count(u"TEMPLATE_ROOT_TABLE_ID"), 0u);  // catalogue not loaded

  // Without a main window there is no catalogue, and population writes nothing.
  document.written.clear();
  SetMainWindow(nullptr);
  host_->events_->OnDocumentComplete(host_->location);
  EXPECT_TRUE(document.written.empty());
}

}  // namespace
