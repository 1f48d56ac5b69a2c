// corvanectl --system: the certificates of the catalogue trusted by every program of every user
// of the machine (the system's CA bundle, the browsers' and the mail program's policy files), for
// administrators; and, for everyone, whether a certificate is trusted so.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "catalogue/cert_manager.h"

namespace corvanectl {

enum class SystemAction { kList, kInstall, kUninstall };

struct SystemEntry {
  std::int32_t flags = 0;
  std::uint32_t position = 0;
};

// Runs one --system command on entries already parsed (each once, in order); the exit status.
int RunSystem(SystemAction action, bool json, const std::vector<SystemEntry>& entries);

// Per group and position: whether the certificate is trusted system-wide (always false in a
// group without a store).
std::map<std::int32_t, std::vector<bool>> TrustedSystemWide(const TCertManager& catalogue);

}  // namespace corvanectl
