#include "app/corvane_view.h"

#include "app/command_dispatch.h"
#include "app/command_target.h"
#include "app/messages.h"
#include "page/population.h"
#include "platform/frame_window.h"

namespace {
constexpr char16_t kMainPageName[] = u"main.html";
}  // namespace

CCorvaneView::CCorvaneView() = default;

CCorvaneView::~CCorvaneView() {
  if (m_host) {
    m_host->SetEvents(nullptr);
  }
}

bool CCorvaneView::Create(platform::FrameWindow& parent) {
  return Create(parent.CreateBrowserHost());
}

bool CCorvaneView::Create(std::unique_ptr<platform::BrowserHost> host) {
  if (!host) {
    return false;
  }
  m_host = std::move(host);
  m_host->SetEvents(this);
  return true;
}

void CCorvaneView::OnInitialUpdate() {
  NavigateToMainPage();
}

void CCorvaneView::NavigateToMainPage() {
  const std::u16string url = BuildMainPageUrl();
  if (!m_host || url.empty() || !m_host->HasResource(kMainPageName)) {
    return;
  }
  m_scrollToKeep.reset();
  platform::HtmlDocument* document = m_host->GetHtmlDocument();
  double top = 0;
  if (document != nullptr && IsMainPageLocation(m_host->GetLocationURL()) &&
      document->GetScrollTop(top) && top > 0) {
    m_scrollToKeep = top;
  }
  m_host->Navigate(url);
}

std::u16string CCorvaneView::BuildMainPageUrl() const {
  const std::u16string modulePath = GetModulePath();
  if (modulePath.empty()) {
    return {};
  }
  return u"res://" + modulePath + u"/" + kMainPageName;
}

bool CCorvaneView::PopulateIfMainPage() {
  if (!m_host) {
    return false;
  }
  const CommandTarget* mainWindow = GetMainWindow();
  return ::PopulateIfMainPage(m_host->GetHtmlDocument(), m_host->GetLocationURL(),
                              mainWindow != nullptr ? mainWindow->Catalogue() : nullptr);
}

bool CCorvaneView::PreTranslateMessage(platform::MouseMessage message) {
  // Right-button presses and double-clicks never reach the browser: no context menu, no
  // selection by the right button.
  return message == platform::MouseMessage::kRightButtonDown ||
         message == platform::MouseMessage::kRightButtonDoubleClick;
}

platform::NavigationDecision CCorvaneView::OnBeforeNavigate2(const std::u16string& url) {
  const std::u16string location = m_host ? m_host->GetLocationURL() : std::u16string();
  switch (RouteNavigation(url, location, BuildMainPageUrl())) {
    case NavigationRoute::kLoadPage:
      return platform::NavigationDecision::kLoad;
    case NavigationRoute::kCommand:
      DispatchCommandUrl(url, GetMainWindow());
      return platform::NavigationDecision::kCancel;
    case NavigationRoute::kIgnore:
      return platform::NavigationDecision::kCancel;
    case NavigationRoute::kOutside:
      break;
  }
  return platform::NavigationDecision::kOpenOutside;
}

void CCorvaneView::OnDocumentComplete(const std::u16string& /*url*/) {
  if (!PopulateIfMainPage()) {
    return;
  }
  platform::HtmlDocument* document = m_host->GetHtmlDocument();
  // The page is shown only once it is filled, and where the user left it before a reload.
  if (m_scrollToKeep) {
    document->SetScrollTop(*m_scrollToKeep);
    m_scrollToKeep.reset();
  }
  RevealPage(document);
}
