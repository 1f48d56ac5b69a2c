#include "platform/windows/gui/win_frame_window.h"

#include <cstdio>

#include "platform/windows/gui/web_browser_host.h"

namespace platform {
namespace {

constexpr wchar_t kWindowClass[] = L"CorvaneMainFrame";
// The program's icon among the executable's resources.
constexpr WORD kIconId = 128;

windows::IconHandle LoadAppIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return windows::IconHandle(static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, ::GetSystemMetrics(widthMetric),
                   ::GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR)));
}

}  // namespace

bool WinFrameWindow::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (::GetClassInfoExW(instance, kWindowClass, &windowClass)) {
    return true;
  }
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  return ::RegisterClassExW(&windowClass) != 0;
}

WinFrameWindow::WinFrameWindow(HINSTANCE instance, std::function<void(HWND)> onClosed)
    : instance_(instance), onClosed_(std::move(onClosed)) {
  if (!RegisterWindowClass(instance)) {
    return;
  }
  // No menu: the window is created without one.
  ::CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
}

WinFrameWindow::~WinFrameWindow() {
  if (window_ != nullptr && !closed_) {
    // Destroying the window here still reports it closed, so the loop's count stays right.
    ::DestroyWindow(window_);
  }
}

void WinFrameWindow::SetTitle(const std::u16string& title) {
  ::SetWindowTextW(window_, reinterpret_cast<const wchar_t*>(title.c_str()));
}

void WinFrameWindow::SetAppIcon() {
  bigIcon_ = LoadAppIcon(instance_, SM_CXICON, SM_CYICON);
  smallIcon_ = LoadAppIcon(instance_, SM_CXSMICON, SM_CYSMICON);
  if (bigIcon_) {
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  }
  if (smallIcon_) {
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  }
}

WindowRect WinFrameWindow::DesktopRect() const {
  RECT desktop{};
  ::GetClientRect(::GetDesktopWindow(), &desktop);
  return {0, 0, desktop.right - desktop.left, desktop.bottom - desktop.top};
}

void WinFrameWindow::SetPosition(const WindowRect& rect) {
  ::SetWindowPos(window_, nullptr, rect.x, rect.y, rect.width, rect.height, SWP_NOZORDER);
}

std::unique_ptr<BrowserHost> WinFrameWindow::CreateBrowserHost() {
  if (window_ == nullptr || closed_) {
    return nullptr;
  }
  return WebBrowserHost::Create(window_);
}

void WinFrameWindow::ShowAndPaint() {
  if (window_ != nullptr && !closed_) {
    ::ShowWindow(window_, SW_SHOW);
    ::UpdateWindow(window_);
  }
}

void WinFrameWindow::PostAfterShown(std::function<void()> task) {
  postedTask_ = std::move(task);
  if (window_ != nullptr && !closed_) {
    ::PostMessageW(window_, kPostedTaskMessage, 0, 0);
  }
}

void WinFrameWindow::RunPostedTask() {
  std::function<void()> task = std::move(postedTask_);
  postedTask_ = nullptr;
  if (!task) {
    return;
  }
  // Nothing may be thrown back through the window procedure.
  try {
    task();
  } catch (...) {
    std::fputs("corvane: start-up step failed (out of memory?)\n", stderr);
  }
}

LRESULT CALLBACK WinFrameWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* frame =
        static_cast<WinFrameWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    frame->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  }
  auto* frame = reinterpret_cast<WinFrameWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (frame == nullptr) {
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return frame->HandleMessage(message, wParam, lParam);
}

LRESULT WinFrameWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      WebBrowserHost::FitToParent(window_);
      return 0;
    case WM_SETFOCUS:
      WebBrowserHost::FocusIn(window_);
      return 0;
    case kPostedTaskMessage:
      RunPostedTask();
      return 0;
    case WM_NCDESTROY:
      // No message reaches this object after the window is gone.
      ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      return ::DefWindowProcW(window_, message, wParam, lParam);
    case WM_DESTROY:
      if (!closed_) {
        closed_ = true;
        postedTask_ = nullptr;
        if (onClosed_) {
          onClosed_(window_);
        }
      }
      return 0;
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

WinWindowSystem::WinWindowSystem(HINSTANCE instance) : instance_(instance) {}

std::unique_ptr<FrameWindow> WinWindowSystem::CreateFrameWindow() {
  auto window =
      std::make_unique<WinFrameWindow>(instance_, [this](HWND closed) { OnWindowClosed(closed); });
  if (window->Handle() == nullptr) {
    return nullptr;
  }
  ++openWindows_;
  mainWindow_ = window->Handle();
  return window;
}

void WinWindowSystem::RunMessageLoop() {
  loopRunning_ = true;
  MSG message{};
  while (openWindows_ > 0 && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (WebBrowserHost::PreTranslate(message)) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  loopRunning_ = false;
}

HWND WinWindowSystem::MainWindowHandle() const {
  return mainWindow_ != nullptr && ::IsWindow(mainWindow_) ? mainWindow_ : nullptr;
}

void WinWindowSystem::OnWindowClosed(HWND window) {
  --openWindows_;
  if (window == mainWindow_) {
    mainWindow_ = nullptr;
  }
  // Only the loop that waits for the last window is ended: a quit message posted outside it
  // would end the next modal dialog's loop instead.
  if (openWindows_ <= 0 && loopRunning_) {
    ::PostQuitMessage(0);
  }
}

}  // namespace platform
