// A target whose trust is a list in a JSON policy file: an entry per certificate in one list for
// roots and, where the program takes them, one for intermediate certificates. The entry may name
// a file that must be in place beside it (a browser that reads certificates from files).
#pragma once

#include "platform/linux/policy_json.h"
#include "platform/linux/trust_target.h"

namespace platform::linux_trust {

struct PolicyListLayout {
  SystemTrustTarget description;
  std::filesystem::path file;
  PolicyPath rootList;
  PolicyPath intermediateList;  // empty: the program takes no intermediate certificates
};

class PolicyListTarget : public TrustTarget {
 public:
  explicit PolicyListTarget(PolicyListLayout layout) : layout_(std::move(layout)) {}

  SystemTrustTarget Describe() const override { return layout_.description; }
  TargetReading Read(std::span<const SystemTrustCertificate> certificates) const override;
  TargetChange Install(std::span<const SystemTrustCertificate> certificates) override;
  TargetChange Uninstall(std::span<const SystemTrustCertificate> certificates) override;

 protected:
  // The list entry that stands for the certificate.
  virtual std::string EntryOf(const Bytes& der) const = 0;
  // What the entry needs in place besides itself: whether it is there, putting it there (a
  // problem text or empty), taking it away once no list names it.
  virtual bool InPlace(const Bytes& /*der*/) const { return true; }
  virtual std::string Place(const Bytes& /*der*/) { return {}; }
  virtual std::string Unplace(const Bytes& /*der*/) { return {}; }

 private:
  const PolicyPath& ListOf(SystemTrustRole role) const;
  // The file's document with both lists checked; problem set when it cannot be used.
  PolicyFile ReadChecked() const;
  bool Listed(const PolicyJson& document, const SystemTrustCertificate& certificate) const;

  PolicyListLayout layout_;
};

}  // namespace platform::linux_trust
