// The system trust operations on Linux: the targets present on the machine, driven one after the
// other. Changes by two administrators at the same time (two configuration runs) are made one
// after the other: each holds a lock on the /etc folder while it reads and rewrites the files.
#include "platform/system_trust.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/linux/trust_target.h"
#include "platform/linux/utf8_text.h"

namespace platform {
namespace linux_trust {
namespace {

namespace fs = std::filesystem;

// Holds an exclusive lock on a folder while it lives; a folder no process could open is not
// locked (the changes then find their own failures).
class FolderLock {
 public:
  explicit FolderLock(const fs::path& folder)
      : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) {
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) {
      close(fd_);  // releases the lock
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

std::vector<SystemTrustCertificate> TakenBy(const SystemTrustTarget& target,
                                            std::span<const SystemTrustCertificate> certificates) {
  std::vector<SystemTrustCertificate> taken;
  for (const SystemTrustCertificate& certificate : certificates) {
    if (TargetTakes(target, certificate.role)) {
      taken.push_back(certificate);
    }
  }
  return taken;
}

}  // namespace

TrustTargets FindTrustTargets(const fs::path& root) {
  TrustTargets targets;
  if (auto bundle = FindCaBundle(root)) {
    targets.push_back(std::move(bundle));
  }
  const auto append = [&targets](TrustTargets more) {
    for (auto& target : more) {
      targets.push_back(std::move(target));
    }
  };
  append(FindMozillaPolicies(root));
  append(FindChromiumPolicies(root));
  return targets;
}

SystemTrustState LookUp(const fs::path& root,
                        std::span<const SystemTrustCertificate> certificates) {
  SystemTrustState state;
  state.held.assign(certificates.size(), {});
  for (const auto& target : FindTrustTargets(root)) {
    const TargetReading reading = target->Read(certificates);
    state.targets.push_back(target->Describe());
    state.problems.push_back(linux_utf8::ToUtf16(reading.problem));
    for (std::size_t index = 0; index < certificates.size(); ++index) {
      state.held[index].push_back(index < reading.held.size() && reading.held[index]);
    }
  }
  return state;
}

std::vector<SystemTrustOutcome> Change(const fs::path& root,
                                       std::span<const SystemTrustCertificate> certificates,
                                       bool install) {
  const FolderLock lock(root / "etc");
  std::vector<SystemTrustOutcome> outcomes;
  for (const auto& target : FindTrustTargets(root)) {
    SystemTrustOutcome outcome;
    outcome.target = target->Describe();
    const std::vector<SystemTrustCertificate> taken = TakenBy(outcome.target, certificates);
    if (!taken.empty()) {
      const TargetChange change = install ? target->Install(taken) : target->Uninstall(taken);
      outcome.changed = change.changed;
      outcome.problem = linux_utf8::ToUtf16(change.problem);
    }
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

}  // namespace linux_trust

bool SystemTrustSupported() {
  return true;
}

bool HasAdministratorRights() {
  return geteuid() == 0;
}

SystemTrustState LookUpSystemTrust(std::span<const SystemTrustCertificate> certificates) {
  return linux_trust::LookUp("/", certificates);
}

std::vector<SystemTrustOutcome> InstallSystemTrust(
    std::span<const SystemTrustCertificate> certificates) {
  return linux_trust::Change("/", certificates, true);
}

std::vector<SystemTrustOutcome> UninstallSystemTrust(
    std::span<const SystemTrustCertificate> certificates) {
  return linux_trust::Change("/", certificates, false);
}

}  // namespace platform
