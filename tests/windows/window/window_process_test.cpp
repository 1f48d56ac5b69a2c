// The real corvane.exe: it starts, makes its frame at the designed place and size with its title
// and no menu, hosts the HTML control inside it, and ends cleanly when closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "corvane_exe.h"
#include "dialog_watcher.h"
#include "platform/frame_window.h"

namespace {

struct HandleClose {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleClose>;

// The visible main window of the process, or null.
HWND MainWindowOf(DWORD processId) {
  struct Search {
    DWORD processId;
    HWND found;
  } search{processId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* state = reinterpret_cast<Search*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (process == state->processId && IsWindowVisible(window) &&
            std::wstring(name) == L"CorvaneMainFrame") {
          state->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(CorvaneProcess, ShowsItsFrameHostsTheControlAndClosesCleanly) {
  std::wstring commandLine = L"\"" + corvane_test::CorvaneExePath() + L"\" --ignored argument";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(corvane_test::CorvaneExePath().c_str(), commandLine.data(), nullptr,
                             nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      << GetLastError();
  const Handle processHandle(process.hProcess);
  const Handle threadHandle(process.hThread);

  HWND frame = nullptr;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (frame == nullptr && std::chrono::steady_clock::now() < deadline &&
         WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
    frame = MainWindowOf(process.dwProcessId);
  }
  ASSERT_NE(frame, nullptr) << "corvane.exe showed no main window";

  EXPECT_EQ(corvane_test::WindowText(frame), L"Oberit Corvane");
  EXPECT_EQ(GetMenu(frame), nullptr);
  // The icon is checked in the frame's own process (browser_host_test.cpp): Wine answers
  // WM_GETICON from another process with none.

  RECT desktop{};
  GetClientRect(GetDesktopWindow(), &desktop);
  const platform::WindowRect expected = platform::PlaceByDesktop(desktop.right, desktop.bottom);
  RECT placed{};
  GetWindowRect(frame, &placed);
  EXPECT_EQ((platform::WindowRect{placed.left, placed.top, placed.right - placed.left,
                                  placed.bottom - placed.top}),
            expected);

  // In-place activation gave the control a window inside the frame, filling its client area.
  HWND control = FindWindowExW(frame, nullptr, nullptr, nullptr);
  ASSERT_NE(control, nullptr) << "no control inside the frame";
  RECT client{};
  RECT inside{};
  GetClientRect(frame, &client);
  GetClientRect(control, &inside);
  EXPECT_EQ(inside.right - inside.left, client.right - client.left);
  EXPECT_EQ(inside.bottom - inside.top, client.bottom - client.top);

  PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0)
      << "corvane.exe did not end after its window was closed";
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
