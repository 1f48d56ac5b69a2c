#include "crypto/installed_state.h"

#include <algorithm>
#include <memory>

#include "platform/cert_store.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

InstalledState StorePresence::StateOf(std::size_t record) const {
  const std::vector<bool>& in = present.at(record);
  const bool unknown =
      !problems.empty() || std::ranges::any_of(databaseErrors, [](auto code) { return code != 0; });
  if (unknown) {
    return InstalledState::kUnreadable;
  }
  const auto held = std::ranges::count(in, true);
  if (held == static_cast<std::ptrdiff_t>(in.size())) {
    return InstalledState::kInstalled;
  }
  return held == 0 ? InstalledState::kNotInstalled : InstalledState::kPartial;
}

std::vector<platform::CertDatabase> StorePresence::Holding(std::size_t record) const {
  std::vector<platform::CertDatabase> holding;
  for (std::size_t database = 0; database < databases.size(); ++database) {
    if (present.at(record)[database]) {
      holding.push_back(databases[database]);
    }
  }
  return holding;
}

std::vector<platform::CertDatabase> StorePresence::Lacking(std::size_t record) const {
  std::vector<platform::CertDatabase> lacking;
  for (std::size_t database = 0; database < databases.size(); ++database) {
    if (!present.at(record)[database] && databaseErrors[database] == 0) {
      lacking.push_back(databases[database]);
    }
  }
  return lacking;
}

std::vector<std::u16string> StorePresence::UnreadableNames() const {
  std::vector<std::u16string> names;
  for (std::size_t database = 0; database < databases.size(); ++database) {
    if (databaseErrors[database] != 0) {
      names.push_back(databases[database].displayName);
    }
  }
  for (const platform::CertDatabaseProblem& problem : problems) {
    names.push_back(problem.file);
  }
  return names;
}

std::u16string DatabaseLabel(const platform::CertDatabase& database) {
  return database.displayName + u" (" + database.folder + u")";
}

StorePresence LookUpPresence(const std::vector<PresenceQuery>& queries) {
  StorePresence presence;
  platform::CertDatabaseSet set = platform::FindUserCertDatabases();
  presence.databases = std::move(set.databases);
  presence.problems = std::move(set.problems);
  presence.present.assign(queries.size(), std::vector<bool>(presence.databases.size(), false));
  presence.databaseErrors.assign(presence.databases.size(), 0);

  std::vector<platform::CertContextPtr> contexts;
  for (const PresenceQuery& query : queries) {
    contexts.push_back(query.record != nullptr ? query.record->CreateContext() : nullptr);
  }
  // The queries by store name, so that each store of each database is read once.
  std::vector<std::pair<std::u16string, std::vector<std::size_t>>> byStore;
  for (std::size_t index = 0; index < queries.size(); ++index) {
    if (!contexts[index]) {
      continue;  // in no database
    }
    auto store =
        std::ranges::find(byStore, queries[index].storeName, &decltype(byStore)::value_type::first);
    if (store == byStore.end()) {
      byStore.push_back({queries[index].storeName, {}});
      store = std::prev(byStore.end());
    }
    store->second.push_back(index);
  }
  for (std::size_t database = 0; database < presence.databases.size(); ++database) {
    std::uint32_t error = 0;
    for (const auto& [storeName, indexes] : byStore) {
      const std::unique_ptr<platform::CertStore> store =
          platform::CertStore::OpenStoreIn(storeName, presence.databases[database]);
      std::vector<const platform::CertContext*> asked;
      for (const std::size_t index : indexes) {
        asked.push_back(contexts[index].get());
      }
      std::vector<bool> held;
      if (!store || !store->HoldsEach(asked, held)) {
        error = platform::GetLastError();
        break;
      }
      for (std::size_t at = 0; at < indexes.size(); ++at) {
        presence.present[indexes[at]][database] = held[at];
      }
    }
    if (error != 0) {
      presence.databaseErrors[database] = error;
      // What it held is not known.
      for (std::vector<bool>& in : presence.present) {
        in[database] = false;
      }
      if (presence.error == 0) {
        presence.error = error;
        presence.unreadableDatabase = DatabaseLabel(presence.databases[database]);
      }
    }
  }
  if (presence.error == 0 && !presence.problems.empty()) {
    presence.error = platform::kErrorProfileListUnreadable;
    presence.unreadableDatabase = presence.problems.front().file;
  }
  if (presence.error != 0) {
    platform::SetLastError(presence.error);
  }
  return presence;
}

StorePresence LookUpPresence(const std::vector<const TCertDetails*>& records,
                             const std::u16string& storeName) {
  std::vector<PresenceQuery> queries;
  for (const TCertDetails* record : records) {
    queries.push_back({record, storeName});
  }
  return LookUpPresence(queries);
}

InstalledState LookUpInstalledState(const TCertDetails& record, const std::u16string& storeName) {
  return LookUpPresence({&record}, storeName).StateOf(0);
}
