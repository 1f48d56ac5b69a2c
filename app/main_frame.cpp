#include "app/main_frame.h"

#include "app/corvane_view.h"
#include "app/entry_number.h"
#include "app/messages.h"
#include "platform/cert_store.h"
#include "platform/frame_window.h"
#include "res/string_table.h"

namespace {

// The window title: the first line-feed separated field of the frame's resource string.
std::u16string FrameTitle() {
  const std::u16string frameString = LoadResourceString(strings::kFrameTitle);
  return frameString.substr(0, frameString.find(u'\n'));
}

}  // namespace

CMainFrame::CMainFrame() : m_pView(std::make_unique<CCorvaneView>()) {}

CMainFrame::~CMainFrame() {
  if (GetMainWindow() == this) {
    SetMainWindow(nullptr);
  }
}

bool CMainFrame::LoadFrame(platform::WindowSystem& windows) {
  if (OnCreate(windows) != 0) {
    m_pView.reset();
    m_window.reset();
    return false;
  }
  m_window->SetTitle(FrameTitle());
  m_pView->OnInitialUpdate();
  return true;
}

int CMainFrame::OnCreate(platform::WindowSystem& windows) {
  m_window = windows.CreateFrameWindow();
  if (!m_window || !m_pView || !m_pView->Create(*m_window)) {
    return -1;
  }
  m_window->SetAppIcon();
  m_viewActive = true;

  // One eighth of the desktop stays free on the left, two on the right, one above and below.
  const platform::WindowRect desktop = m_window->DesktopRect();
  platform::WindowRect placed = platform::PlaceByDesktop(desktop.width, desktop.height);
  placed.x += desktop.x;
  placed.y += desktop.y;
  m_window->SetPosition(placed);
  return 0;
}

CCorvaneView* CMainFrame::GetActiveView() const {
  return m_viewActive ? m_pView.get() : nullptr;
}

int CMainFrame::OnLoadCatalogue() {
  m_certManager.LoadCatalogue();
  if (CCorvaneView* view = GetActiveView()) {
    view->NavigateToMainPage();
  }
  ReportUnreadableStore();
  return 0;
}

void CMainFrame::ReloadCatalogue() {
  m_certManager.ReloadCatalogue();
  if (CCorvaneView* view = GetActiveView()) {
    view->NavigateToMainPage();
  }
  ReportUnreadableStore();
}

void CMainFrame::ReportUnreadableStore() const {
  if (m_certManager.storeError == 0) {
    return;
  }
  std::u16string message =
      FormatResourceString(strings::kCannotReadDatabase, m_certManager.storeErrorDatabase);
  const std::u16string detail = ErrorCodeText(m_certManager.storeError);
  if (!detail.empty()) {
    message += u"\n\n";
    message += detail;
  }
  ShowError(message);
}

const CertEntry* CMainFrame::FindCommandEntry(const std::u16string& entryNumber,
                                              std::int32_t& flags) const {
  std::int32_t position = 0;
  if (!ParseEntryNumber(entryNumber, flags, position)) {
    return nullptr;
  }
  return m_certManager.FindEntry(flags, static_cast<std::uint32_t>(position));
}
