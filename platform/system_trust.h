// Trust for every program of every user of the machine, set by its administrator: the system's CA
// bundle and the policy files through which the browsers and the mail program of every user
// trust certificates. Each kind of place that can hold such trust is a target; a target is used
// when the machine has it (its program is installed).
//
// Roots become trust anchors; intermediate certificates only help browsers build chains, so only
// the targets that take them get them. Every change is made by the administrator (root); reading
// is open to everyone, so that a user can see what the administrator trusts for the machine.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/cert_context.h"

namespace platform {

enum class SystemTrustRole { kRoot, kIntermediate };

struct SystemTrustCertificate {
  Bytes der;
  SystemTrustRole role = SystemTrustRole::kRoot;
};

struct SystemTrustTarget {
  std::string id;           // a word for scripts: "ca-bundle", "firefox", "chromium", ...
  std::u16string name;      // for people, such as "system CA bundle"
  std::u16string location;  // the file or folder the target writes
  bool takesIntermediates = false;
};

struct SystemTrustState {
  std::vector<SystemTrustTarget> targets;  // the targets present on this machine
  // Per target: why it could not be read (such as a policy file that is not valid JSON); empty
  // when it was read. A target that could not be read holds nothing.
  std::vector<std::u16string> problems;
  // [certificate][target]: the target holds the certificate as Corvane placed it.
  std::vector<std::vector<bool>> held;
};

// What one install or uninstall did to one target.
struct SystemTrustOutcome {
  SystemTrustTarget target;
  bool changed = false;
  std::u16string problem;  // empty when the target is as asked
};

// False where the platform has no system-wide targets of this kind; nothing below does anything
// there.
bool SystemTrustSupported();
// True when the process may change the machine's trust (the superuser).
bool HasAdministratorRights();

SystemTrustState LookUpSystemTrust(std::span<const SystemTrustCertificate> certificates);
// Every present target in turn gets the certificates it takes; a target that fails does not stop
// the others. Each outcome says whether its target changed.
std::vector<SystemTrustOutcome> InstallSystemTrust(
    std::span<const SystemTrustCertificate> certificates);
// Removes from every present target what Corvane placed there for the certificates, and nothing
// else.
std::vector<SystemTrustOutcome> UninstallSystemTrust(
    std::span<const SystemTrustCertificate> certificates);

// Whether the target is one that takes a certificate of that role.
bool TargetTakes(const SystemTrustTarget& target, SystemTrustRole role);
// Trusted system-wide: at least one present target takes the certificate, and every target that
// takes it holds it.
bool IsTrustedSystemWide(const SystemTrustState& state, std::size_t certificate,
                         SystemTrustRole role);

}  // namespace platform
