// One kind of system-wide place of trust on Linux (the CA bundle, a browser's policy file), as
// the system trust operations drive it. Every path is taken below a root folder: "/" for the
// machine, a throw-away folder in tests.
#pragma once

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/system_trust.h"

namespace platform::linux_trust {

struct TargetReading {
  std::vector<bool> held;  // per certificate
  std::string problem;     // why the target could not be read (UTF-8); empty when it was
};

struct TargetChange {
  bool changed = false;
  std::string problem;  // UTF-8; empty on success
};

class TrustTarget {
 public:
  virtual ~TrustTarget() = default;
  virtual SystemTrustTarget Describe() const = 0;
  virtual TargetReading Read(std::span<const SystemTrustCertificate> certificates) const = 0;
  // Both get only the certificates the target takes.
  virtual TargetChange Install(std::span<const SystemTrustCertificate> certificates) = 0;
  virtual TargetChange Uninstall(std::span<const SystemTrustCertificate> certificates) = 0;
};

using TrustTargets = std::vector<std::unique_ptr<TrustTarget>>;

// The targets present below root, in a fixed order.
TrustTargets FindTrustTargets(const std::filesystem::path& root);

// Each kind of target, or null when the machine below root does not have it.
std::unique_ptr<TrustTarget> FindCaBundle(const std::filesystem::path& root);
TrustTargets FindMozillaPolicies(const std::filesystem::path& root);
TrustTargets FindChromiumPolicies(const std::filesystem::path& root);

// The operations of platform/system_trust.h on the targets below root.
SystemTrustState LookUp(const std::filesystem::path& root,
                        std::span<const SystemTrustCertificate> certificates);
std::vector<SystemTrustOutcome> Change(const std::filesystem::path& root,
                                       std::span<const SystemTrustCertificate> certificates,
                                       bool install);

}  // namespace platform::linux_trust
