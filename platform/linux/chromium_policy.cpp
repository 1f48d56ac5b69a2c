// Chromium-family browsers of every user: a managed policy file of Corvane's own in the folder
// the browser reads every *.json of, with CACertificates (roots) and CAHintCertificates
// (intermediate certificates that only help build chains), each as Base64 DER. Chromium's folder
// is used when Chromium is installed, Google Chrome's where that folder exists.
#include "platform/linux/policy_list_target.h"
#include "platform/linux/trust_pem.h"
#include "platform/linux/utf8_text.h"

namespace platform::linux_trust {
namespace {

namespace fs = std::filesystem;

class ChromiumPolicyTarget final : public PolicyListTarget {
 public:
  using PolicyListTarget::PolicyListTarget;

 protected:
  std::string EntryOf(const Bytes& der) const override { return Base64Text(der); }
};

std::unique_ptr<TrustTarget> MakeTarget(const fs::path& managed, const char* id,
                                        const char16_t* name) {
  const fs::path file = managed / "corvane.json";
  return std::make_unique<ChromiumPolicyTarget>(PolicyListLayout{
      .description = {id, name, linux_utf8::ToUtf16(file.string()), true},
      .file = file,
      .rootList = {"CACertificates"},
      .intermediateList = {"CAHintCertificates"},
  });
}

}  // namespace

TrustTargets FindChromiumPolicies(const fs::path& root) {
  TrustTargets targets;
  std::error_code error;
  if (fs::exists(root / "etc/chromium", error) || fs::exists(root / "usr/bin/chromium", error)) {
    targets.push_back(
        MakeTarget(root / "etc/chromium/policies/managed", "chromium", u"Chromium policy"));
  }
  if (fs::is_directory(root / "etc/opt/chrome/policies/managed", error)) {
    targets.push_back(
        MakeTarget(root / "etc/opt/chrome/policies/managed", "chrome", u"Google Chrome policy"));
  }
  return targets;
}

}  // namespace platform::linux_trust
