// Finds the modal windows this process opens and works them as a user would, from a thread of
// its own: the test's thread sits in the dialog's own message loop meanwhile. Each step waits for
// the next new dialog window of the process and acts on it (reads its texts, presses a button).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace corvane_test {

struct ChildWindow {
  HWND window;
  std::wstring className;
  std::wstring text;
  int id;
};

std::wstring WindowText(HWND window);
// Every window inside the dialog, nested ones included, in the order the system lists them.
std::vector<ChildWindow> ChildWindows(HWND window);
// Whether any child's text contains the part.
bool AnyChildTextContains(HWND window, const std::wstring& part);
// Presses the dialog's button of that id, as a click would.
void PressButton(HWND dialog, int id);

class DialogWatcher {
 public:
  using Step = std::function<void(HWND dialog)>;

  // Starts watching; each step runs on the next new dialog window (class #32770) of the
  // process. A step that waited longer than the time limit is skipped with its dialog unseen.
  explicit DialogWatcher(std::vector<Step> steps, DWORD timeLimitMilliseconds = 30000);
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;
  ~DialogWatcher();

  // Waits for the watcher to finish; how many steps found their dialog.
  int Finish();

 private:
  void Run(std::vector<Step> steps, DWORD timeLimit);

  std::atomic<int> handled_{0};
  std::thread thread_;
};

}  // namespace corvane_test
