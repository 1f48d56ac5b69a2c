#include <string.h>

#include "platform/secret_text.h"

namespace platform {

void WipeSecret(void* data, std::size_t size) {
  if (data != nullptr && size != 0) {
    ::explicit_bzero(data, size);
  }
}

}  // namespace platform
