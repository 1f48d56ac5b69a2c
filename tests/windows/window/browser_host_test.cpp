// The system's HTML control hosted in a real frame window: in-place activation, the view asked
// before every navigation (a command link cancelled, an outside address handed to the opener),
// right-button presses offered to the view before the control sees them, and the page load,
// which under Wine is a listed deviation (no HTML engine), never a silent pass.
#include "platform/windows/gui/web_browser_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "app/corvane_view.h"
#include "app/messages.h"
#include "platform/windows/gui/win_frame_window.h"
#include "tests/support/wine_deviations.h"

namespace {

using platform::NavigationDecision;

class RecordingEvents : public platform::BrowserEvents {
 public:
  bool PreTranslateMessage(platform::MouseMessage message) override {
    mouse.push_back(message);
    return true;
  }
  NavigationDecision OnBeforeNavigate2(const std::u16string& url) override {
    asked.push_back(url);
    return decide ? decide(url) : NavigationDecision::kCancel;
  }
  void OnDocumentComplete(const std::u16string& url) override { completed.push_back(url); }

  std::function<NavigationDecision(const std::u16string&)> decide;
  std::vector<std::u16string> asked;
  std::vector<std::u16string> completed;
  std::vector<platform::MouseMessage> mouse;
};

// Delivers messages as the program's loop does until done() or the time is up.
template <typename Done>
bool PumpUntil(Done done, int milliseconds = 15000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!platform::WebBrowserHost::PreTranslate(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return done();
}

class BrowserHostTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ole_.Initialized());
    window_ = windows_.CreateFrameWindow();
    ASSERT_TRUE(window_);
    window_->SetPosition({0, 0, 800, 600});
    auto host = window_->CreateBrowserHost();
    ASSERT_TRUE(host) << "the control was not made or not activated in place";
    host_.reset(static_cast<platform::WebBrowserHost*>(host.release()));
    host_->SetEvents(&events_);
    host_->SetExternalOpener([this](const std::u16string& url) { opened_.push_back(url); });
    window_->ShowAndPaint();
  }
  void TearDown() override {
    host_.reset();
    window_.reset();
  }

  std::u16string ResUrl(const std::u16string& name) const {
    return u"res://" + GetModulePath() + u"/" + name;
  }

  platform::windows::OleApartment ole_;
  platform::WinWindowSystem windows_{GetModuleHandleW(nullptr)};
  std::unique_ptr<platform::FrameWindow> window_;
  std::unique_ptr<platform::WebBrowserHost> host_;
  RecordingEvents events_;
  std::vector<std::u16string> opened_;
};

TEST_F(BrowserHostTest, CommandLinkIsOfferedToTheViewAndCancelled) {
  const std::u16string command = ResUrl(u"URL_SHOWCERT_1028_0");
  host_->Navigate(command);
  ASSERT_TRUE(PumpUntil([&] { return !events_.asked.empty(); }));
  EXPECT_EQ(events_.asked.front(), command);
  // Cancelled: nothing is loaded, so nothing fails to load and nothing completes.
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(host_->LastNavigationError(), 0);
  EXPECT_TRUE(events_.completed.empty());
  EXPECT_NE(host_->GetLocationURL(), command);
}

TEST_F(BrowserHostTest, OutsideAddressOpensWithTheDefaultHandlerNotInTheView) {
  events_.decide = [](const std::u16string&) { return NavigationDecision::kOpenOutside; };
  host_->Navigate(u"https://www.oberit.example/crl");
  ASSERT_TRUE(PumpUntil([&] { return !opened_.empty(); }));
  EXPECT_EQ(opened_.front(), u"https://www.oberit.example/crl");
  EXPECT_EQ(host_->LastNavigationError(), 0);
}

TEST_F(BrowserHostTest, FrameCarriesTheIconInBothSizes) {
  HWND frame = static_cast<platform::WinFrameWindow*>(window_.get())->Handle();
  window_->SetAppIcon();
  EXPECT_NE(SendMessageW(frame, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(frame, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(BrowserHostTest, RightButtonPressesReachTheViewFirst) {
  HWND control = FindWindowExW(static_cast<platform::WinFrameWindow*>(window_.get())->Handle(),
                               nullptr, nullptr, nullptr);
  ASSERT_NE(control, nullptr) << "the control made no window inside the frame";
  PostMessageW(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
  PostMessageW(control, WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(10, 10));
  ASSERT_TRUE(PumpUntil([&] { return events_.mouse.size() == 2; }));
  EXPECT_EQ(events_.mouse[0], platform::MouseMessage::kRightButtonDown);
  EXPECT_EQ(events_.mouse[1], platform::MouseMessage::kRightButtonDoubleClick);
}

TEST_F(BrowserHostTest, PageLoadsFromTheResourcesAndIsFilled) {
  EXPECT_TRUE(host_->HasResource(u"main.html"));
  EXPECT_TRUE(host_->HasResource(u"OBERIT.CSS"));
  EXPECT_FALSE(host_->HasResource(u"missing.html"));

  // The real view over the host: the page is the program's own and loads.
  CCorvaneView view;
  host_->SetEvents(nullptr);
  std::unique_ptr<platform::BrowserHost> lent(host_.release());
  ASSERT_TRUE(view.Create(std::move(lent)));
  auto* host = static_cast<platform::WebBrowserHost*>(view.GetHost());
  view.OnInitialUpdate();
  const bool settled = PumpUntil(
      [&] { return host->LastNavigationError() != 0 || host->GetHtmlDocument() != nullptr; });
  ASSERT_TRUE(settled) << "the page neither loaded nor failed";
  if (host->LastNavigationError() != 0) {
    char status[32];
    std::snprintf(status, sizeof status, "\"0x%08lX\"",
                  static_cast<unsigned long>(host->LastNavigationError()));
    ASSERT_TRUE(corvane_test::IsKnownWineDeviation("pageLoad", "\"document\"", status))
        << "the page failed to load with " << status;
    GTEST_SKIP() << "Wine deviation: the HTML control has no engine here (navigation error "
                 << status << "); the page is checked on Windows";
  }
  // The page is the template: its elements answer through the document adapter.
  ASSERT_TRUE(PumpUntil([&] {
    std::u16string className;
    return host->GetHtmlDocument() != nullptr &&
           host->GetHtmlDocument()->GetClassName(u"LINKS_B", className);
  }));
}

}  // namespace
