// The application object: start-up creates the main frame, which begins loading the page while
// still hidden; the frame is then made the main window and shown, and only after it has been
// painted is the catalogue loaded (and the page loaded again).
#pragma once

#include <memory>

class CMainFrame;

namespace platform {
class WindowSystem;
}  // namespace platform

class CCorvaneApp {
 public:
  explicit CCorvaneApp(platform::WindowSystem& windows);
  CCorvaneApp(const CCorvaneApp&) = delete;
  CCorvaneApp& operator=(const CCorvaneApp&) = delete;
  ~CCorvaneApp();

  // The start-up sequence. False (nothing shown) when the main frame could not be created.
  bool InitInstance();
  // Start-up, then the message loop until the window is closed; the process exit status.
  int Run();
  // Releases the main window and with it the catalogue.
  void ExitInstance();

  // The main window; null until start-up has shown it.
  CMainFrame* MainFrame() const { return m_pMainWnd.get(); }

 private:
  platform::WindowSystem& m_windows;
  std::unique_ptr<CMainFrame> m_pMainWnd;
};
