#include "app/corvane_app.h"

#include "app/main_frame.h"
#include "platform/frame_window.h"

CCorvaneApp::CCorvaneApp(platform::WindowSystem& windows) : m_windows(windows) {}

CCorvaneApp::~CCorvaneApp() {
  ExitInstance();
}

bool CCorvaneApp::InitInstance() {
  // The program keeps no settings: nothing to register, nothing to restore or save.
  auto frame = std::make_unique<CMainFrame>();
  // Creating the frame starts the first navigation to the page; the dispatch lets it pass
  // because there is no main window yet.
  if (!frame->LoadFrame(m_windows)) {
    return false;
  }
  m_pMainWnd = std::move(frame);
  SetMainWindow(m_pMainWnd.get());

  platform::FrameWindow& window = *m_pMainWnd->Window();
  window.ShowAndPaint();
  // The catalogue (one store lookup per certificate) is loaded only once the window is on the
  // screen, from the message loop.
  CMainFrame* mainFrame = m_pMainWnd.get();
  window.PostAfterShown([mainFrame] { mainFrame->OnLoadCatalogue(); });
  return true;
}

int CCorvaneApp::Run() {
  if (!InitInstance()) {
    return 1;
  }
  m_windows.RunMessageLoop();
  ExitInstance();
  return 0;
}

void CCorvaneApp::ExitInstance() {
  if (m_pMainWnd && GetMainWindow() == m_pMainWnd.get()) {
    SetMainWindow(nullptr);
  }
  m_pMainWnd.reset();
}
