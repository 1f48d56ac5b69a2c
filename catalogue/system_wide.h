// Which certificates of the catalogue the administrator made trusted for every program of every
// user of the machine (see platform/system_trust.h).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "catalogue/cert_manager.h"
#include "platform/system_trust.h"

// The role a certificate of the group has system-wide: roots are trust anchors, the certificates
// of the "CA" store help build chains; none for a group of another store or without one.
std::optional<platform::SystemTrustRole> SystemTrustRoleOfGroup(std::int32_t flags);

// The certificates of the groups that can be trusted system-wide, each with its group and
// position, in the order of the groups.
struct SystemTrustCandidates {
  std::vector<platform::SystemTrustCertificate> certificates;
  std::vector<std::pair<std::int32_t, std::uint32_t>> entries;  // group flags, position
};
SystemTrustCandidates CollectSystemTrustCandidates(
    const std::map<std::int32_t, std::vector<CertEntry>>& groups);

// Sets systemWide of every entry from one look at the machine's targets.
void MarkTrustedSystemWide(std::map<std::int32_t, std::vector<CertEntry>>& groups);
