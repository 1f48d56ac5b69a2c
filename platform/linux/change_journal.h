// The journal of a change of one NSS database. Adding or removing a certificate takes more than
// one write of the database (the certificate, then its trust); the journal is written before the
// first of them and removed after the last, so that a run which finds it knows a change was cut
// off (the process was killed) and finishes it before it answers.
#pragma once

#include <optional>
#include <string>

#include "platform/cert_context.h"

namespace platform::nss {

struct JournalEntry {
  enum class Kind { kAdd, kRemove };
  Kind kind = Kind::kAdd;
  // The store's name as the store implementation knows it ("Root", "CA" or "MY").
  std::string storeName;
  // For an add: whether the stored copy's properties carry over (AddDisposition).
  std::uint32_t disposition = 0;
  Bytes certificate;
};

// The journal's file in the database folder.
inline constexpr const char* kJournalFileName = "corvane-change.journal";

// Writes the journal of the database in that folder, replacing any. False with the thread's last
// error set when it could not be written to disk.
bool WriteJournal(const std::string& dir, const JournalEntry& entry);
// True when the folder holds a journal.
bool HasJournal(const std::string& dir);
// The journal of the folder; none when there is none or it is not one Corvane wrote whole.
std::optional<JournalEntry> ReadJournal(const std::string& dir);
void RemoveJournal(const std::string& dir);

}  // namespace platform::nss
