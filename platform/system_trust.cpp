#include "platform/system_trust.h"

namespace platform {

bool TargetTakes(const SystemTrustTarget& target, SystemTrustRole role) {
  return role == SystemTrustRole::kRoot || target.takesIntermediates;
}

bool IsTrustedSystemWide(const SystemTrustState& state, std::size_t certificate,
                         SystemTrustRole role) {
  if (certificate >= state.held.size()) {
    return false;
  }
  bool taken = false;
  for (std::size_t index = 0; index < state.targets.size(); ++index) {
    if (!TargetTakes(state.targets[index], role)) {
      continue;
    }
    taken = true;
    if (!state.held[certificate][index]) {
      return false;
    }
  }
  return taken;
}

}  // namespace platform
