// The parts of the certificate interface that read only the program's own structures, and so are
// the same on every platform.
#include "platform/cert_decoding.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace platform {

const CertExtension* CertFindExtension(std::string_view oid, const CertInfo& info) {
  for (const CertExtension& extension : info.extensions) {
    if (extension.oid == oid) {
      return &extension;
    }
  }
  return nullptr;
}

std::optional<KeyProvInfo> CertGetKeyProvInfo(const CertContext& context) {
  if (!context.keyProvInfo) {
    SetLastError(kCryptENotFound);
    return std::nullopt;
  }
  return context.keyProvInfo;
}

}  // namespace platform
