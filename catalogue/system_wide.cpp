#include "catalogue/system_wide.h"

std::optional<platform::SystemTrustRole> SystemTrustRoleOfGroup(std::int32_t flags) {
  const std::u16string store = StoreNameForGroup(flags);
  if (store == u"Root") {
    return platform::SystemTrustRole::kRoot;
  }
  if (store == u"CA") {
    return platform::SystemTrustRole::kIntermediate;
  }
  return std::nullopt;
}

SystemTrustCandidates CollectSystemTrustCandidates(
    const std::map<std::int32_t, std::vector<CertEntry>>& groups) {
  SystemTrustCandidates candidates;
  for (const auto& [flags, group] : groups) {
    const auto role = SystemTrustRoleOfGroup(flags);
    for (std::uint32_t position = 0; role && position < group.size(); ++position) {
      candidates.certificates.push_back({group[position].record.certEncoded, *role});
      candidates.entries.emplace_back(flags, position);
    }
  }
  return candidates;
}

void MarkTrustedSystemWide(std::map<std::int32_t, std::vector<CertEntry>>& groups) {
  const SystemTrustCandidates candidates = CollectSystemTrustCandidates(groups);
  if (candidates.certificates.empty()) {
    return;
  }
  const platform::SystemTrustState state = platform::LookUpSystemTrust(candidates.certificates);
  for (std::size_t index = 0; index < candidates.entries.size(); ++index) {
    const auto& [flags, position] = candidates.entries[index];
    groups[flags][position].systemWide =
        platform::IsTrustedSystemWide(state, index, candidates.certificates[index].role);
  }
}
