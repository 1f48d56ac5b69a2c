// The top-level window of the program and the loop that drives it, as the application layer sees
// them. The Linux implementation is GTK (platform/linux/gui); tests may supply fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

class BrowserHost;

struct WindowRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool operator==(const WindowRect&) const = default;
};

// Where the main window goes on a desktop of that size: one eighth of the desktop free on its
// left, two eighths on its right, one eighth above and below (eighths truncate).
WindowRect PlaceByDesktop(int desktopWidth, int desktopHeight);

class FrameWindow {
 public:
  FrameWindow() = default;
  FrameWindow(const FrameWindow&) = delete;
  FrameWindow& operator=(const FrameWindow&) = delete;
  virtual ~FrameWindow() = default;

  virtual void SetTitle(const std::u16string& title) = 0;
  // The program's own icon in every size it carries.
  virtual void SetAppIcon() = 0;
  // Width and height of the desktop the window is placed on.
  virtual WindowRect DesktopRect() const = 0;
  // Outer position and size of the window.
  virtual void SetPosition(const WindowRect& rect) = 0;
  // The browser control that fills the window's client area; null when it could not be made.
  virtual std::unique_ptr<BrowserHost> CreateBrowserHost() = 0;
  // Shows the window and has it painted.
  virtual void ShowAndPaint() = 0;
  // Runs the task once, from the message loop, after the window has been mapped and drawn.
  // Dropped unrun if the window goes away first.
  virtual void PostAfterShown(std::function<void()> task) = 0;
};

class WindowSystem {
 public:
  WindowSystem() = default;
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;
  virtual ~WindowSystem() = default;

  // A new hidden top-level window without a menu bar; null when it could not be made. Closing it
  // ends RunMessageLoop.
  virtual std::unique_ptr<FrameWindow> CreateFrameWindow() = 0;
  // Delivers events until the window made here has been closed.
  virtual void RunMessageLoop() = 0;
};

}  // namespace platform
