#include "dialog_watcher.h"

#include <algorithm>
#include <chrono>
#include <set>

namespace corvane_test {
namespace {

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// A visible dialog window of this process not seen before, or null.
HWND FindNewDialog(const std::set<HWND>& seen) {
  struct Search {
    const std::set<HWND>* seen;
    HWND found;
  } search{&seen, nullptr};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* state = reinterpret_cast<Search*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
            ClassName(window) != L"#32770" || state->seen->count(window) != 0) {
          return TRUE;
        }
        state->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

std::vector<ChildWindow> ChildWindows(HWND window) {
  std::vector<ChildWindow> children;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        reinterpret_cast<std::vector<ChildWindow>*>(context)->push_back(
            {child, ClassName(child), WindowText(child), GetDlgCtrlID(child)});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

bool AnyChildTextContains(HWND window, const std::wstring& part) {
  const auto children = ChildWindows(window);
  return std::any_of(children.begin(), children.end(), [&part](const ChildWindow& child) {
    return child.text.find(part) != std::wstring::npos;
  });
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

DialogWatcher::DialogWatcher(std::vector<Step> steps, DWORD timeLimitMilliseconds)
    : thread_([this, steps = std::move(steps), timeLimitMilliseconds]() mutable {
        Run(std::move(steps), timeLimitMilliseconds);
      }) {}

DialogWatcher::~DialogWatcher() {
  Finish();
}

int DialogWatcher::Finish() {
  if (thread_.joinable()) {
    thread_.join();
  }
  return handled_;
}

void DialogWatcher::Run(std::vector<Step> steps, DWORD timeLimit) {
  std::set<HWND> seen;
  for (Step& step : steps) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimit);
    HWND dialog = nullptr;
    while (dialog == nullptr && std::chrono::steady_clock::now() < deadline) {
      dialog = FindNewDialog(seen);
      if (dialog == nullptr) {
        Sleep(50);
      }
    }
    if (dialog == nullptr) {
      return;
    }
    seen.insert(dialog);
    // Give the dialog time to fill its controls before they are read.
    Sleep(300);
    step(dialog);
    ++handled_;
  }
}

}  // namespace corvane_test
