// The browser view: which navigations run a command of the main window (and are cancelled), how
// the page is loaded, and what reaches page population.
#include "app/corvane_view.h"

#include <gtest/gtest.h>

#include <map>

#include "app/messages.h"
#include "shell_fakes.h"

namespace {

using shell_fakes::FakeBrowserHost;
using shell_fakes::FakeDocument;
using shell_fakes::FakeMainWindow;
using shell_fakes::TemplateDocument;

constexpr char16_t kBase[] = u"res:///opt/oberit/corvane/";

using platform::NavigationDecision;

class BrowserViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto host = std::make_unique<FakeBrowserHost>(log_);
    host_ = host.get();
    ASSERT_TRUE(view_.Create(std::move(host)));
    SetMainWindow(&mainWindow_);
    host_->location = std::u16string(kBase) + u"main.html";
  }
  void TearDown() override { SetMainWindow(nullptr); }

  NavigationDecision Navigate(const std::u16string& url) {
    return host_->events_->OnBeforeNavigate2(url);
  }

  shell_fakes::Log log_;
  FakeMainWindow mainWindow_;
  FakeBrowserHost* host_ = nullptr;
  CCorvaneView view_;
};

TEST_F(BrowserViewTest, CommandLinksOfThePageAreCancelledAndReachTheirCommand) {
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
    EXPECT_EQ(Navigate(c.url), NavigationDecision::kCancel) << c.call;
    EXPECT_EQ(mainWindow_.calls, std::vector<std::string>{c.call});
  }
}

// A page from elsewhere (or a link on the page) that carries a command in its address must not
// reach the stores: only a "res" navigation from the program's own page is a command.
TEST_F(BrowserViewTest, CommandsCarriedByOtherAddressesOrFromOtherPagesAreRefused) {
  const std::u16string command = u"URL_INSTALLCERT_1028_0";
  for (const std::u16string& url :
       {u"https://example.org/?next=res://" + command,
        u"https://example.org/?next=res%3A%2F%2F" + command,
        u"https://example.org/res://" + command, u"file:///tmp/res://" + command,
        u"about:blank#res://" + command}) {
    EXPECT_EQ(Navigate(url), NavigationDecision::kOpenOutside) << shell_fakes::Narrow(url);
  }
  // A command link while anything but the program's page is shown, or before there is one.
  for (const std::u16string& location : {std::u16string(u"https://example.org/main.html"),
                                         std::u16string(kBase) + u"common.js", std::u16string()}) {
    host_->location = location;
    EXPECT_EQ(Navigate(std::u16string(kBase) + command), NavigationDecision::kCancel);
  }
  EXPECT_TRUE(mainWindow_.calls.empty());
}

TEST_F(BrowserViewTest, ThePageLoadsInTheViewAndEverythingElseOpensOutside) {
  const std::u16string base = kBase;
  for (const std::u16string& url : {view_.BuildMainPageUrl(), base + u"main.html",
                                    base + u"MAIN.HTML", std::u16string(u"RES:///opt/x.css")}) {
    EXPECT_EQ(Navigate(url), NavigationDecision::kLoad) << shell_fakes::Narrow(url);
  }
  for (const std::u16string_view url :
       {u"https://www.oberit.example/", u"http://example.org/URL_EXPORT_4_1",
        u"mailto:pki@oberit.example", u"file:///etc/passwd", u"about:blank"}) {
    EXPECT_EQ(Navigate(std::u16string(url)), NavigationDecision::kOpenOutside);
  }
  EXPECT_EQ(Navigate(u""), NavigationDecision::kCancel);
  EXPECT_TRUE(mainWindow_.calls.empty());
}

TEST_F(BrowserViewTest, WithoutMainWindowCommandLinksDoNothing) {
  SetMainWindow(nullptr);
  EXPECT_EQ(Navigate(std::u16string(kBase) + u"URL_SHOWCERT_1028_0"), NavigationDecision::kCancel);
  EXPECT_EQ(Navigate(view_.BuildMainPageUrl()), NavigationDecision::kLoad);
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
  // The path is absolute: "/..." on Linux, "C:\\..." on Windows.
#ifdef _WIN32
  EXPECT_EQ(url.find(u":\\"), 7u);
#else
  EXPECT_EQ(url.rfind(u"res:///", 0), 0u);
#endif

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

TEST_F(BrowserViewTest, CompletedMainPageIsPopulatedFromTheMainWindowsCatalogue) {
  FakeDocument document = TemplateDocument();
  host_->document = &document;

  // Another page in the view is left alone.
  host_->location = u"https://example.org/index.html";
  host_->events_->OnDocumentComplete(host_->location);
  EXPECT_EQ(document.htmlWrites, 0);

  // The location decides, not the URL of the notification.
  host_->location = std::u16string(kBase) + u"main.html";
  host_->events_->OnDocumentComplete(u"https://example.org/ignored");
  EXPECT_EQ(document.elements[u"APP_NAME_ID"].html, u"Oberit Corvane");
  EXPECT_EQ(document.elements[u"TEMPLATE_ROOT_TABLE_ID"].htmlWrites, 0);  // catalogue not loaded

  // Without a main window there is no catalogue, and population writes nothing.
  document = TemplateDocument();
  SetMainWindow(nullptr);
  host_->events_->OnDocumentComplete(host_->location);
  EXPECT_EQ(document.htmlWrites, 0);
}

TEST_F(BrowserViewTest, AReloadOfThePageKeepsItsScrollPositionAndShowsItWhenFilled) {
  FakeDocument document = TemplateDocument();
  document.With(u"PAGE_BODY_ID", u"unfilled");
  host_->document = &document;
  document.scrollTop = 812.5;
  view_.NavigateToMainPage();
  document.scrollTop = 0;  // the new document starts at the top
  host_->events_->OnDocumentComplete(host_->location);
  EXPECT_EQ(document.scrolledTo, std::vector<double>{812.5});
  EXPECT_EQ(document.elements[u"PAGE_BODY_ID"].className, u"");

  // The next load that no reload of a scrolled page started stays at the top.
  host_->events_->OnDocumentComplete(host_->location);
  EXPECT_EQ(document.scrolledTo.size(), 1u);

  // The first load (nothing shown yet) keeps nothing either.
  host_->location.clear();
  document.scrollTop = 300;
  view_.NavigateToMainPage();
  host_->location = std::u16string(kBase) + u"main.html";
  host_->events_->OnDocumentComplete(host_->location);
  EXPECT_EQ(document.scrolledTo.size(), 1u);
}

}  // namespace
