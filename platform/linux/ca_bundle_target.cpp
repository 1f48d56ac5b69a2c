// The system's CA bundle, which OpenSSL, GnuTLS, curl, Python, Git and (through its hook) Java
// read. Corvane places one PEM file per root where the distribution takes local trust anchors and
// runs the distribution's command that rebuilds the bundle from them:
// - Debian and Ubuntu: .crt files in a folder of Corvane's own under
//   /usr/local/share/ca-certificates, then update-ca-certificates;
// - the Fedora family: corvane-*.pem files in /etc/pki/ca-trust/source/anchors, then
//   update-ca-trust extract.
// Intermediate certificates never go here: everything in the bundle is a trust anchor.
#include <algorithm>
#include <set>

#include "platform/linux/run_program.h"
#include "platform/linux/system_files.h"
#include "platform/linux/trust_pem.h"
#include "platform/linux/trust_target.h"
#include "platform/linux/utf8_text.h"

namespace platform::linux_trust {
namespace {

namespace fs = std::filesystem;

struct BundleLayout {
  fs::path folder;         // where Corvane's files go
  bool ownFolder = false;  // the folder is Corvane's alone (removed when empty)
  std::string filePrefix;  // marks Corvane's files in a shared folder
  std::string extension;
  fs::path bundle;  // what the command makes of the anchors
  std::vector<std::string> rebuild;
  // After files were taken away: the command that also drops what was made of them.
  std::vector<std::string> rebuildAfterRemoval;
  // Debian: the programs told of every certificate added or removed (Java's keystore among them),
  // and the folder of the links the names they are told refer to. Empty elsewhere.
  fs::path hooks;
  fs::path links;
};

// Debian's rebuild after a removal starts afresh and so tells its hooks only of the certificates
// it adds; the hooks are told of the removed ones as the rebuild would tell them.
constexpr char kTellHooks[] = R"(dir=$1
shift
run-parts --test -- "$dir" | while read -r hook; do
  printf '%s\n' "$@" | "$hook" || exit 1
done)";

std::string Under(const fs::path& root, const char* relative) {
  return (root / relative).string();
}

class CaBundleTarget final : public TrustTarget {
 public:
  explicit CaBundleTarget(BundleLayout layout) : layout_(std::move(layout)) {}

  SystemTrustTarget Describe() const override {
    return {"ca-bundle", u"system CA bundle", linux_utf8::ToUtf16(layout_.folder.string()), false};
  }

  TargetReading Read(std::span<const SystemTrustCertificate> certificates) const override {
    TargetReading reading;
    std::set<Bytes> bundled;
    const FileRead bundle = ReadSystemFile(layout_.bundle);
    if (!bundle.problem.empty()) {
      reading.problem = bundle.problem;
    }
    for (Bytes& der : CertificatesOfPem(bundle.content)) {
      bundled.insert(std::move(der));
    }
    for (const SystemTrustCertificate& certificate : certificates) {
      reading.held.push_back(certificate.role == SystemTrustRole::kRoot &&
                             FileHolds(certificate.der) && bundled.contains(certificate.der));
    }
    return reading;
  }

  TargetChange Install(std::span<const SystemTrustCertificate> certificates) override {
    TargetChange change;
    const TargetReading before = Read(certificates);
    if (!before.problem.empty()) {
      change.problem = before.problem;
      return change;
    }
    if (std::ranges::all_of(before.held, [](bool held) { return held; })) {
      return change;
    }
    if (change.problem = MakeSystemFolder(layout_.folder); !change.problem.empty()) {
      return change;
    }
    for (const SystemTrustCertificate& certificate : certificates) {
      if (FileHolds(certificate.der)) {
        continue;
      }
      change.problem = WriteSystemFile(FileOf(certificate.der), PemText(certificate.der));
      if (!change.problem.empty()) {
        return change;
      }
    }
    // Also when every file was there already: the bundle lacked one of them.
    change.changed = true;
    change.problem = Run(layout_.rebuild);
    return change;
  }

  TargetChange Uninstall(std::span<const SystemTrustCertificate> certificates) override {
    TargetChange change;
    std::vector<std::string> removedLinks;
    std::error_code error;
    for (const SystemTrustCertificate& certificate : certificates) {
      const fs::path file = FileOf(certificate.der);
      if (!fs::exists(fs::symlink_status(file, error))) {
        continue;
      }
      if (change.problem = RemoveSystemFile(file); !change.problem.empty()) {
        break;
      }
      change.changed = true;
      removedLinks.push_back("-" + (layout_.links / file.stem()).string() + ".pem");
    }
    if (change.changed) {
      if (layout_.ownFolder) {
        RemoveFolderIfEmpty(layout_.folder);
      }
      std::string problem = Run(layout_.rebuildAfterRemoval);
      if (problem.empty() && !layout_.hooks.empty() && fs::is_directory(layout_.hooks, error)) {
        std::vector<std::string> tell{"/bin/sh", "-c", kTellHooks, "sh", layout_.hooks.string()};
        tell.insert(tell.end(), removedLinks.begin(), removedLinks.end());
        problem = Run(tell);
      }
      if (change.problem.empty()) {
        change.problem = problem;
      }
    }
    return change;
  }

 private:
  fs::path FileOf(const Bytes& der) const {
    return layout_.folder / (layout_.filePrefix + CertificateFileName(der, layout_.extension));
  }

  bool FileHolds(const Bytes& der) const {
    const FileRead file = ReadSystemFile(FileOf(der));
    const std::vector<Bytes> held = CertificatesOfPem(file.content);
    return held.size() == 1 && held.front() == der;
  }

  static std::string Run(const std::vector<std::string>& argv) {
    const ProgramRun run = RunProgram(argv);
    return run.exitCode == 0 ? std::string() : RunProblem(argv, run);
  }

  BundleLayout layout_;
};

}  // namespace

std::unique_ptr<TrustTarget> FindCaBundle(const fs::path& root) {
  std::error_code error;
  if (fs::exists(root / "usr/sbin/update-ca-certificates", error)) {
    // Every path is passed, so that the command works below the same root as Corvane.
    const std::vector<std::string> rebuild{Under(root, "usr/sbin/update-ca-certificates"),
                                           "--certsconf",
                                           Under(root, "etc/ca-certificates.conf"),
                                           "--certsdir",
                                           Under(root, "usr/share/ca-certificates"),
                                           "--localcertsdir",
                                           Under(root, "usr/local/share/ca-certificates"),
                                           "--etccertsdir",
                                           Under(root, "etc/ssl/certs"),
                                           "--hooksdir",
                                           Under(root, "etc/ca-certificates/update.d")};
    std::vector<std::string> fresh = rebuild;
    // Without it the links of a removed local certificate stay (its documented removal).
    fresh.push_back("--fresh");
    return std::make_unique<CaBundleTarget>(BundleLayout{
        .folder = root / "usr/local/share/ca-certificates/corvane",
        .ownFolder = true,
        .filePrefix = "",
        .extension = ".crt",
        .bundle = root / "etc/ssl/certs/ca-certificates.crt",
        .rebuild = rebuild,
        .rebuildAfterRemoval = fresh,
        .hooks = root / "etc/ca-certificates/update.d",
        .links = root / "etc/ssl/certs",
    });
  }
  if (fs::exists(root / "usr/bin/update-ca-trust", error)) {
    // The anchors folder is read without its subfolders: Corvane's files carry a prefix instead.
    return std::make_unique<CaBundleTarget>(BundleLayout{
        .folder = root / "etc/pki/ca-trust/source/anchors",
        .ownFolder = false,
        .filePrefix = "corvane-",
        .extension = ".pem",
        .bundle = root / "etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem",
        .rebuild = {Under(root, "usr/bin/update-ca-trust"), "extract"},
        .rebuildAfterRemoval = {Under(root, "usr/bin/update-ca-trust"), "extract"},
        .hooks = {},
        .links = {},
    });
  }
  return nullptr;
}

}  // namespace platform::linux_trust
