// Windows has no system-wide targets of Corvane's yet: the machine's own certificate stores would
// be the place, and corvanectl.exe says the feature is not available instead.
#include "platform/system_trust.h"

namespace platform {

bool SystemTrustSupported() {
  return false;
}

bool HasAdministratorRights() {
  return false;
}

SystemTrustState LookUpSystemTrust(std::span<const SystemTrustCertificate> certificates) {
  SystemTrustState state;
  state.held.assign(certificates.size(), {});
  return state;
}

std::vector<SystemTrustOutcome> InstallSystemTrust(std::span<const SystemTrustCertificate>) {
  return {};
}

std::vector<SystemTrustOutcome> UninstallSystemTrust(std::span<const SystemTrustCertificate>) {
  return {};
}

}  // namespace platform
