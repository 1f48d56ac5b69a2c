#include "platform/module_path.h"

#include "platform/windows/win_api.h"

namespace platform {

std::u16string ModulePath() {
  // The call does not say how long the path is; a buffer it fills to the last unit was too small.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return {};
    }
    if (length < path.size()) {
      return windows::TextOf(path.c_str(), length);
    }
    if (path.size() >= 32768) {
      return {};
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace platform
