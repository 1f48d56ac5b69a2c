// Firefox and Thunderbird of every user, present and future profiles: their enterprise policy
// file (/etc/firefox/policies/policies.json, /etc/thunderbird/policies/policies.json) lists
// under Certificates > Install the PEM files of the roots to trust; Corvane keeps those files in
// a folder of its own beside the policy file. Debian's firefox-esr reads /etc/firefox too.
#include "platform/linux/policy_list_target.h"
#include "platform/linux/system_files.h"
#include "platform/linux/trust_pem.h"
#include "platform/linux/utf8_text.h"

namespace platform::linux_trust {
namespace {

namespace fs = std::filesystem;

class MozillaPolicyTarget final : public PolicyListTarget {
 public:
  MozillaPolicyTarget(PolicyListLayout layout, fs::path folder)
      : PolicyListTarget(std::move(layout)), folder_(std::move(folder)) {}

 protected:
  std::string EntryOf(const Bytes& der) const override { return FileOf(der).string(); }

  bool InPlace(const Bytes& der) const override {
    const std::vector<Bytes> held = CertificatesOfPem(ReadSystemFile(FileOf(der)).content);
    return held.size() == 1 && held.front() == der;
  }

  std::string Place(const Bytes& der) override {
    std::string problem = MakeSystemFolder(folder_);
    return problem.empty() ? WriteSystemFile(FileOf(der), PemText(der)) : problem;
  }

  std::string Unplace(const Bytes& der) override {
    std::string problem = RemoveSystemFile(FileOf(der));
    RemoveFolderIfEmpty(folder_);
    return problem;
  }

 private:
  fs::path FileOf(const Bytes& der) const { return folder_ / CertificateFileName(der, ".pem"); }

  fs::path folder_;
};

bool AnyExists(const fs::path& root, std::initializer_list<const char*> paths) {
  std::error_code error;
  for (const char* path : paths) {
    if (fs::exists(root / path, error)) {
      return true;
    }
  }
  return false;
}

std::unique_ptr<TrustTarget> MakeTarget(const fs::path& root, const char* id, const char16_t* name,
                                        const char* program) {
  const fs::path policies = root / "etc" / program / "policies";
  return std::make_unique<MozillaPolicyTarget>(
      PolicyListLayout{
          .description = {id, name, linux_utf8::ToUtf16((policies / "policies.json").string()),
                          false},
          .file = policies / "policies.json",
          .rootList = {"policies", "Certificates", "Install"},
          .intermediateList = {},
      },
      policies / "corvane");
}

}  // namespace

TrustTargets FindMozillaPolicies(const fs::path& root) {
  TrustTargets targets;
  if (AnyExists(root, {"etc/firefox", "usr/bin/firefox", "usr/bin/firefox-esr", "usr/lib/firefox",
                       "usr/lib/firefox-esr"})) {
    targets.push_back(MakeTarget(root, "firefox", u"Firefox policies", "firefox"));
  }
  if (AnyExists(root, {"etc/thunderbird", "usr/bin/thunderbird", "usr/lib/thunderbird"})) {
    targets.push_back(MakeTarget(root, "thunderbird", u"Thunderbird policies", "thunderbird"));
  }
  return targets;
}

}  // namespace platform::linux_trust
