#include "platform/linux/policy_list_target.h"

#include <algorithm>

#include "platform/linux/system_files.h"

namespace platform::linux_trust {

const PolicyPath& PolicyListTarget::ListOf(SystemTrustRole role) const {
  return role == SystemTrustRole::kRoot ? layout_.rootList : layout_.intermediateList;
}

PolicyFile PolicyListTarget::ReadChecked() const {
  PolicyFile file = ReadPolicyFile(layout_.file);
  for (const PolicyPath* list : {&layout_.rootList, &layout_.intermediateList}) {
    if (file.problem.empty() && !list->empty()) {
      std::string problem;
      FindPolicyList(file.document, *list, problem);
      if (!problem.empty()) {
        file.problem = layout_.file.string() + ": " + problem;
      }
    }
  }
  return file;
}

bool PolicyListTarget::Listed(const PolicyJson& document,
                              const SystemTrustCertificate& certificate) const {
  const PolicyPath& path = ListOf(certificate.role);
  std::string problem;
  const PolicyJson* list = path.empty() ? nullptr : FindPolicyList(document, path, problem);
  return list != nullptr &&
         std::find(list->begin(), list->end(), PolicyJson(EntryOf(certificate.der))) != list->end();
}

TargetReading PolicyListTarget::Read(std::span<const SystemTrustCertificate> certificates) const {
  TargetReading reading;
  const PolicyFile file = ReadChecked();
  reading.problem = file.problem;
  for (const SystemTrustCertificate& certificate : certificates) {
    reading.held.push_back(file.problem.empty() && Listed(file.document, certificate) &&
                           InPlace(certificate.der));
  }
  return reading;
}

TargetChange PolicyListTarget::Install(std::span<const SystemTrustCertificate> certificates) {
  TargetChange change;
  PolicyFile file = ReadChecked();
  if (!file.problem.empty()) {
    change.problem = file.problem;
    return change;
  }
  bool listChanged = false;
  for (const SystemTrustCertificate& certificate : certificates) {
    if (!InPlace(certificate.der)) {
      if (change.problem = Place(certificate.der); !change.problem.empty()) {
        return change;
      }
      change.changed = true;
    }
    if (!Listed(file.document, certificate)) {
      MakePolicyList(file.document, ListOf(certificate.role)).push_back(EntryOf(certificate.der));
      listChanged = true;
    }
  }
  if (listChanged) {
    change.problem = MakeSystemFolder(layout_.file.parent_path());
    if (change.problem.empty()) {
      change.problem = WritePolicyFile(layout_.file, file.document);
    }
    change.changed = change.changed || change.problem.empty();
  }
  return change;
}

TargetChange PolicyListTarget::Uninstall(std::span<const SystemTrustCertificate> certificates) {
  TargetChange change;
  PolicyFile file = ReadChecked();
  if (!file.problem.empty()) {
    change.problem = file.problem;
    return change;
  }
  bool listChanged = false;
  for (const SystemTrustCertificate& certificate : certificates) {
    const PolicyPath& path = ListOf(certificate.role);
    std::string problem;
    if (path.empty() || FindPolicyList(file.document, path, problem) == nullptr) {
      continue;
    }
    PolicyJson& list = MakePolicyList(file.document, path);
    // Iterator algorithms: JSON arrays are no ranges to every standard library's concepts.
    const auto removed =
        std::remove(list.begin(), list.end(), PolicyJson(EntryOf(certificate.der)));
    if (removed != list.end()) {
      list.erase(removed, list.end());
      PrunePolicyPath(file.document, path);
      listChanged = true;
    }
  }
  if (listChanged) {
    // A file left with nothing in it was Corvane's alone.
    change.problem = file.document.empty() ? RemoveSystemFile(layout_.file)
                                           : WritePolicyFile(layout_.file, file.document);
    if (!change.problem.empty()) {
      return change;
    }
    change.changed = true;
  }
  for (const SystemTrustCertificate& certificate : certificates) {
    if (InPlace(certificate.der)) {
      if (change.problem = Unplace(certificate.der); !change.problem.empty()) {
        return change;
      }
      change.changed = true;
    }
  }
  return change;
}

}  // namespace platform::linux_trust
