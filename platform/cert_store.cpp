#include "platform/cert_store.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace platform {

bool CertStore::HoldsEach(std::span<const CertContext* const> contexts, std::vector<bool>& held) {
  held.assign(contexts.size(), false);
  for (std::size_t index = 0; index < contexts.size(); ++index) {
    if (FindExisting(*contexts[index])) {
      held[index] = true;
    } else if (GetLastError() != kCryptENotFound) {
      return false;
    }
  }
  return true;
}

}  // namespace platform
