// The catalogue: the embedded certificates decoded into records, sorted into groups by flags,
// each entry knowing whether it is present in its group's target store.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "catalogue/cert_groups.h"
#include "crypto/cert_details.h"
#include "crypto/installed_state.h"

// Where an instant stands in a certificate's period of validity.
enum class Validity { kValid, kExpired, kNotYetValid };

struct CertEntry {
  std::int32_t installed = 0;  // 1 when found in the group's target store at load time
  // Trusted for every program of every user by the machine's administrator
  // (catalogue/system_wide.h) at load time, whatever the user's own stores hold.
  bool systemWide = false;
  TCertDetails record;
  // How the certificate stands across the user's set of databases at load time; installed is 1
  // exactly when this is kInstalled. The names say which databases hold it, which were read and
  // lack it, and which could not be read (empty for groups without a store).
  InstalledState state = InstalledState::kNotInstalled;
  std::vector<platform::CertDatabase> heldBy;
  std::vector<platform::CertDatabase> missingFrom;
  std::vector<std::u16string> unreadable;
  // Whether the certificate had expired or was not yet valid at load time.
  Validity validity = Validity::kValid;
};

// Where the instant stands in the record's period of validity; both of its ends belong to it.
Validity ValidityAt(const TCertDetails& record, FileTime instant);

// Whether a catalogue load asks the stores for the installed state of each certificate.
enum class StoreLookups { kLookUp, kSkip };

class TCertManager {
 public:
  TCertManager() = default;
  virtual ~TCertManager() = default;

  // Decodes every text of a null-terminated list and inserts the group unless its flags exist.
  // With lookups, the group's certificates are looked up together in every database of the
  // user's set (see LookUpStates).
  void AddGroup(std::int32_t flags, const char16_t* const* texts,
                StoreLookups lookups = StoreLookups::kLookUp);
  // The four embedded lists in load order, then loaded = 1. The certificates of every group are
  // looked up in one pass over the set, so that each database is opened once, and whether each is
  // trusted system-wide. Without lookups every entry reads as not installed and not trusted
  // system-wide, for callers that only need the certificates.
  void LoadCatalogue(StoreLookups lookups = StoreLookups::kLookUp);
  // Looks up the state of every entry of the groups with a target store. A database that cannot
  // be read sets storeError and storeErrorDatabase (the first one) and makes the state of every
  // such entry kUnreadable; the databases that could be read still say which hold it.
  void LookUpStates();
  // Removes every group and entry and clears storeError; loaded is left as it is.
  void ClearGroups();
  // Clears loaded and every group, then loads the catalogue afresh (every installed state is
  // looked up again and positions are counted again).
  void ReloadCatalogue();
  // The entry at that position of the group with exactly these flags, or null.
  const CertEntry* FindEntry(std::int32_t flags, std::uint32_t position) const;

  std::map<std::int32_t, std::vector<CertEntry>> groups;
  std::int32_t loaded = 0;
  // The error code of the store that could not be read during the load, 0 when every lookup
  // got an answer, and the database (its name and folder) or profile list it concerns.
  std::uint32_t storeError = 0;
  std::u16string storeErrorDatabase;

 private:
  using Group = std::pair<const std::int32_t, std::vector<CertEntry>>;
  void LookUpStatesOf(const std::vector<Group*>& chosen);
};

// Fills a freshly cleared record from one PEM text; 1 on success, 0 on failure.
int DecodePemCertificate(const std::u16string& text, TCertDetails& record);
