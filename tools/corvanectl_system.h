// corvanectl --system: the certificates of the catalogue trusted by every program of every user
// of the machine (the system's CA bundle, the browsers' and the mail program's policy files), for
// administrators.
#pragma once

#include <cstdint>
#include <vector>

namespace corvanectl {

enum class SystemAction { kList, kInstall, kUninstall };

struct SystemEntry {
  std::int32_t flags = 0;
  std::uint32_t position = 0;
};

// Runs one --system command on entries already parsed (each once, in order); the exit status.
int RunSystem(SystemAction action, bool json, const std::vector<SystemEntry>& entries);

}  // namespace corvanectl
