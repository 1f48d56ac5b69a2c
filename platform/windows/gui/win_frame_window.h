// The main window as a Win32 top-level window, and the message loop that drives it. The task
// posted after the window has been shown arrives as the program's private message
// (WM_USER + 110), which the loop delivers after the window has been painted.
#pragma once

#include <functional>
#include <memory>

#include "platform/frame_window.h"
#include "platform/windows/gui/win_handles.h"

namespace platform {

// The private message that carries the task posted after the window has been shown.
inline constexpr UINT kPostedTaskMessage = WM_USER + 110;

class WinFrameWindow final : public FrameWindow {
 public:
  // Creates the hidden window; Handle() is null when that failed. onClosed runs once, with the
  // window, when it has been destroyed.
  WinFrameWindow(HINSTANCE instance, std::function<void(HWND)> onClosed);
  ~WinFrameWindow() override;

  void SetTitle(const std::u16string& title) override;
  void SetAppIcon() override;
  WindowRect DesktopRect() const override;
  void SetPosition(const WindowRect& rect) override;
  std::unique_ptr<BrowserHost> CreateBrowserHost() override;
  void ShowAndPaint() override;
  void PostAfterShown(std::function<void()> task) override;

  HWND Handle() const { return window_; }

  // The window class every frame window is made of.
  static bool RegisterWindowClass(HINSTANCE instance);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void RunPostedTask();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  std::function<void(HWND)> onClosed_;
  std::function<void()> postedTask_;
  bool closed_ = false;
  windows::IconHandle bigIcon_;
  windows::IconHandle smallIcon_;
};

class WinWindowSystem final : public WindowSystem {
 public:
  // Windows are made from the executable's module, which carries the icon.
  explicit WinWindowSystem(HINSTANCE instance);

  std::unique_ptr<FrameWindow> CreateFrameWindow() override;
  // Delivers messages until every window made here has been closed.
  void RunMessageLoop() override;

  // The most recently made window that is still open (the owner of the program's dialogs), or
  // null.
  HWND MainWindowHandle() const;

 private:
  void OnWindowClosed(HWND window);

  HINSTANCE instance_;
  HWND mainWindow_ = nullptr;
  int openWindows_ = 0;
  bool loopRunning_ = false;
};

}  // namespace platform
