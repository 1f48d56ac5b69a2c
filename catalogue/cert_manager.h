// The catalogue: the embedded certificates decoded into records, sorted into groups by flags,
// each entry knowing whether it is present in its group's target store.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "catalogue/cert_groups.h"
#include "crypto/cert_details.h"

struct CertEntry {
  std::int32_t installed = 0;  // 1 when found in the group's target store at load time
  TCertDetails record;
};

class TCertManager {
 public:
  TCertManager() = default;
  virtual ~TCertManager() = default;

  // Decodes every text of a null-terminated list and inserts the group unless its flags exist.
  void AddGroup(std::int32_t flags, const char16_t* const* texts);
  // The four embedded lists in load order, then loaded = 1.
  void LoadCatalogue();
  // Removes every group and entry; loaded is left as it is.
  void ClearGroups();
  // The entry at that position of the group with exactly these flags, or null.
  const CertEntry* FindEntry(std::int32_t flags, std::uint32_t position) const;

  std::map<std::int32_t, std::vector<CertEntry>> groups;
  std::int32_t loaded = 0;
};

// Fills a freshly cleared record from one PEM text; 1 on success, 0 on failure.
int DecodePemCertificate(const std::u16string& text, TCertDetails& record);
