// The thread's last error is the platform's own, which the platform's calls set themselves.
#include "platform/last_error.h"

#include "platform/windows/win_api.h"

namespace platform {

std::uint32_t GetLastError() {
  return ::GetLastError();
}

void SetLastError(std::uint32_t code) {
  ::SetLastError(code);
}

}  // namespace platform
