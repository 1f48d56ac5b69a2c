// Whether catalogue certificates are in their store, telling a certificate that is not there
// apart from a store that could not be read. The store is the one of that name in every database
// of the user's set (platform/cert_databases.h): a certificate counts as installed only when every
// database holds it there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/cert_details.h"
#include "platform/cert_databases.h"

enum class InstalledState {
  kInstalled,     // every database of the set holds it
  kNotInstalled,  // no database holds it
  kPartial,       // some databases hold it, others do not
  kUnreadable,    // a database of the set could not be read: the answer is not known
};

// One certificate to look up, and the name of its store.
struct PresenceQuery {
  const TCertDetails* record = nullptr;
  std::u16string storeName;
};

// Which databases of the set hold each certificate in its store.
struct StorePresence {
  std::vector<platform::CertDatabase> databases;
  // present[record][database], in the order of records and databases.
  std::vector<std::vector<bool>> present;
  // Per database: 0 when it was read, else the code of its failure.
  std::vector<std::uint32_t> databaseErrors;
  // Profile lists that could not be read: the set itself is not known in full.
  std::vector<platform::CertDatabaseProblem> problems;
  // The first failure (a database or a profile list), 0 when everything was read, and what it
  // concerns: a database's name and folder, or a profile list's file.
  std::uint32_t error = 0;
  std::u16string unreadableDatabase;

  // The state of one record over the whole set.
  InstalledState StateOf(std::size_t record) const;
  // The names of the databases that hold the record, that were read and lack it, and that could
  // not be read (with the profile lists that could not be read).
  std::vector<platform::CertDatabase> Holding(std::size_t record) const;
  std::vector<platform::CertDatabase> Lacking(std::size_t record) const;
  std::vector<std::u16string> UnreadableNames() const;
};

// "Name (folder)": how messages name a database of the set.
std::u16string DatabaseLabel(const platform::CertDatabase& database);

// Finds the set once and looks every query up in every database of it, one database after the
// other, so that each is opened once. A record without a certificate is in no database; a store
// whose database does not exist yet holds nothing. A database that cannot be read is noted and
// passed over; its code and name are the first failure, left as the thread's last error.
StorePresence LookUpPresence(const std::vector<PresenceQuery>& queries);
// The same for records that share one store.
StorePresence LookUpPresence(const std::vector<const TCertDetails*>& records,
                             const std::u16string& storeName);

// The state of the record's certificate in the store of that name; kUnreadable leaves the reason
// as the thread's last error.
InstalledState LookUpInstalledState(const TCertDetails& record, const std::u16string& storeName);
