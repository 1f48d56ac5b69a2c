// Wiping a secret with the platform's own call, which the compiler does not drop as a dead store.
#include "platform/secret_text.h"
#include "platform/windows/win_api.h"

namespace platform {

void WipeSecret(void* data, std::size_t size) {
  if (data != nullptr && size != 0) {
    ::SecureZeroMemory(data, size);
  }
}

}  // namespace platform
