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

enum class InstalledState { kInstalled, kNotInstalled, kUnreadable };

// Which databases of the set hold each certificate in the store.
struct StorePresence {
  std::vector<platform::CertDatabase> databases;
  // present[record][database], in the order of records and databases.
  std::vector<std::vector<bool>> present;
  // The code of the first database that could not be read (0 when all could), and which one.
  std::uint32_t error = 0;
  std::u16string unreadableDatabase;

  // The state of one record over the whole set.
  InstalledState StateOf(std::size_t record) const;
};

// Looks every record up in the store of that name of every database, one database after the
// other, so that each is opened once. A record without a certificate is in no database; a store
// whose database does not exist yet holds nothing. Stops at the first database that cannot be
// read and leaves its code as the thread's last error.
StorePresence LookUpPresence(const std::vector<const TCertDetails*>& records,
                             const std::u16string& storeName);

// The state of the record's certificate in the store of that name; kUnreadable leaves the reason
// as the thread's last error.
InstalledState LookUpInstalledState(const TCertDetails& record, const std::u16string& storeName);
