#include "tools/corvanectl_system.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <string>

#include "app/messages.h"
#include "catalogue/system_wide.h"
#include "platform/system_trust.h"
#include "tools/terminal_text.h"

namespace corvanectl {
namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

void ReportProblem(const std::string& text) {
  std::cerr << "corvanectl: " << text << '\n';
}

std::string EntryText(std::int32_t flags, std::uint32_t position) {
  return std::to_string(flags) + "_" + std::to_string(position);
}

std::string TargetLine(const platform::SystemTrustTarget& target) {
  return target.id + " (" + tools::TerminalText(target.name) + ", " +
         tools::TerminalText(target.location) + ")";
}

int List(const TCertManager& catalogue, bool json) {
  const SystemTrustCandidates candidates = CollectSystemTrustCandidates(catalogue.groups);
  const platform::SystemTrustState state = platform::LookUpSystemTrust(candidates.certificates);
  int status = kExitSuccess;
  for (std::size_t index = 0; index < state.targets.size(); ++index) {
    if (!state.problems[index].empty()) {
      ReportProblem("cannot read the " + TargetLine(state.targets[index]) + ": " +
                    tools::TerminalText(state.problems[index]));
      status = kExitFailure;
    }
  }
  nlohmann::ordered_json targets = nlohmann::ordered_json::array();
  for (std::size_t index = 0; index < state.targets.size(); ++index) {
    const platform::SystemTrustTarget& target = state.targets[index];
    targets.push_back(
        {{"id", target.id},
         {"name", tools::ShownUtf8(target.name)},
         {"location", tools::ShownUtf8(target.location)},
         {"takesIntermediates", target.takesIntermediates},
         {"problem", state.problems[index].empty()
                         ? nlohmann::ordered_json(nullptr)
                         : nlohmann::ordered_json(tools::ShownUtf8(state.problems[index]))}});
  }
  nlohmann::ordered_json certificates = nlohmann::ordered_json::array();
  std::int32_t shownGroup = 0;
  if (!json) {
    std::cout << "Targets:\n";
    for (const platform::SystemTrustTarget& target : state.targets) {
      std::cout << "  " << target.id << '\t' << tools::TerminalText(target.name) << '\t'
                << tools::TerminalText(target.location) << '\n';
    }
  }
  for (std::size_t index = 0; index < candidates.entries.size(); ++index) {
    const SystemEntry entry{candidates.entries[index].first, candidates.entries[index].second};
    const TCertDetails& record = catalogue.FindEntry(entry.flags, entry.position)->record;
    const platform::SystemTrustRole role = candidates.certificates[index].role;
    const bool installed = platform::IsTrustedSystemWide(state, index, role);
    std::vector<std::string> holders;
    for (std::size_t target = 0; target < state.targets.size(); ++target) {
      if (state.held[index][target]) {
        holders.push_back(state.targets[target].id);
      }
    }
    if (json) {
      certificates.push_back({{"entry", EntryText(entry.flags, entry.position)},
                              {"group", entry.flags},
                              {"position", entry.position},
                              {"store", tools::ShownUtf8(StoreNameForGroup(entry.flags))},
                              {"subject", tools::ShownUtf8(record.subjectDN)},
                              {"thumbprint", tools::ShownUtf8(record.thumbprint)},
                              {"installed", installed},
                              {"targets", holders}});
      continue;
    }
    if (entry.flags != shownGroup) {
      shownGroup = entry.flags;
      const auto presentation = PresentationForGroup(entry.flags);
      std::cout << (presentation ? tools::TerminalText(LoadResourceString(presentation->captionId))
                                 : "")
                << " (group " << entry.flags << ", store "
                << tools::TerminalText(StoreNameForGroup(entry.flags)) << ")\n";
    }
    std::string joined;
    for (const std::string& holder : holders) {
      joined += (joined.empty() ? "" : ", ") + holder;
    }
    std::cout << "  " << EntryText(entry.flags, entry.position) << "  "
              << (installed         ? "installed system-wide"
                  : holders.empty() ? "not installed"
                                    : "partly installed: " + joined)
              << "\n      subject: " << tools::TerminalText(record.subjectDN) << '\n';
  }
  if (json) {
    const nlohmann::ordered_json document{{"targets", targets}, {"certificates", certificates}};
    std::cout << tools::JsonForTerminal(
                     document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace))
              << '\n';
  }
  return status;
}

int Change(const TCertManager& catalogue, bool install, const std::vector<SystemEntry>& entries) {
  std::vector<platform::SystemTrustCertificate> certificates;
  bool allValid = true;
  for (const SystemEntry& entry : entries) {
    const CertEntry* found = catalogue.FindEntry(entry.flags, entry.position);
    const auto role = SystemTrustRoleOfGroup(entry.flags);
    if (found == nullptr) {
      ReportProblem("no certificate has the entry number " +
                    EntryText(entry.flags, entry.position));
      allValid = false;
    } else if (!role) {
      ReportProblem(EntryText(entry.flags, entry.position) + " (" +
                    tools::TerminalText(found->record.subjectDN) +
                    ") belongs to a group without a target store; it can only be exported");
      allValid = false;
    } else {
      certificates.push_back({found->record.certEncoded, *role});
    }
  }
  if (!allValid) {
    return kExitFailure;
  }
  const std::vector<platform::SystemTrustOutcome> outcomes =
      install ? platform::InstallSystemTrust(certificates)
              : platform::UninstallSystemTrust(certificates);
  if (outcomes.empty()) {
    ReportProblem("this machine has none of the places of system-wide trust");
    return kExitFailure;
  }
  int status = kExitSuccess;
  for (const platform::SystemTrustOutcome& outcome : outcomes) {
    std::cout << outcome.target.id << '\t'
              << (outcome.changed           ? "changed"
                  : outcome.problem.empty() ? "unchanged"
                                            : "failed")
              << '\t' << tools::TerminalText(outcome.target.location) << '\n';
    if (!outcome.problem.empty()) {
      ReportProblem(
          std::string(install ? "cannot install into the " : "cannot uninstall from the ") +
          TargetLine(outcome.target) + ": " + tools::TerminalText(outcome.problem) +
          (outcome.changed ? " (partly changed)" : ""));
      status = kExitFailure;
    }
  }
  for (std::size_t index = 0; install && index < certificates.size(); ++index) {
    bool taken = false;
    for (const platform::SystemTrustOutcome& outcome : outcomes) {
      taken = taken || platform::TargetTakes(outcome.target, certificates[index].role);
    }
    if (!taken) {
      ReportProblem("note: no target on this machine takes the intermediate certificate " +
                    EntryText(entries[index].flags, entries[index].position) +
                    " (only Chromium-family policies take intermediate certificates)");
    }
  }
  return status;
}

}  // namespace

int RunSystem(SystemAction action, bool json, const std::vector<SystemEntry>& entries) {
  if (!platform::SystemTrustSupported()) {
    ReportProblem("--system is not available on this platform");
    return kExitFailure;
  }
  if (!platform::HasAdministratorRights()) {
    ReportProblem("--system needs root: run it as root or through sudo");
    return kExitFailure;
  }
  TCertManager catalogue;
  catalogue.LoadCatalogue(StoreLookups::kSkip);
  if (action == SystemAction::kList) {
    return List(catalogue, json);
  }
  return Change(catalogue, action == SystemAction::kInstall, entries);
}

}  // namespace corvanectl
