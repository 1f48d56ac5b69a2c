#include "page/row_marks.h"

#include "crypto/validity_text.h"
#include "page/markup.h"
#include "res/message_text.h"
#include "res/string_table.h"

namespace {

// The names, each escaped, joined by ", ".
std::u16string NameList(const std::vector<std::u16string>& names) {
  std::u16string list;
  for (const std::u16string& name : names) {
    if (!list.empty()) {
      list += u", ";
    }
    list += EscapeHtml(name);
  }
  return list;
}

std::u16string NameList(const std::vector<platform::CertDatabase>& databases) {
  std::vector<std::u16string> names;
  for (const platform::CertDatabase& database : databases) {
    names.push_back(database.displayName);
  }
  return NameList(names);
}

// The mark of a certificate outside its period of validity, whatever its group's actions: the
// note names the end of the period that it lies beyond.
void AddValidityMark(const CertEntry& entry, std::vector<RowMark>& marks) {
  if (entry.validity == Validity::kValid) {
    return;
  }
  const bool expired = entry.validity == Validity::kExpired;
  const FileTime end = expired ? entry.record.notAfter : entry.record.notBefore;
  marks.push_back(
      {expired ? u"validity_expired" : u"validity_pending", u"",
       FormatResourceString(expired ? strings::kValidityExpired : strings::kValidityNotYet,
                            EscapeHtml(FormatLocalDateTime(end)))});
}

}  // namespace

std::vector<RowMark> RowMarksOf(const CertEntry& entry, RowActions actions) {
  std::vector<RowMark> marks;
  if (actions == RowActions::kExportOnly) {
    AddValidityMark(entry, marks);
    return marks;
  }
  switch (entry.state) {
    case InstalledState::kPartial:
      marks.push_back({u"state_partial", u"partial.png",
                       FormatResourceString(strings::kStatePartial, NameList(entry.heldBy),
                                            NameList(entry.missingFrom))});
      break;
    case InstalledState::kUnreadable:
      marks.push_back({u"state_unknown", u"unknown.png",
                       FormatResourceString(strings::kStateUnknown, NameList(entry.unreadable))});
      break;
    case InstalledState::kInstalled:
    case InstalledState::kNotInstalled:
      break;
  }
  AddValidityMark(entry, marks);
  // Beside the user's own state, never in place of it: the row keeps its icon and its action.
  if (entry.systemWide) {
    marks.push_back({u"system_wide", u"", LoadResourceString(strings::kTrustedSystemWide)});
  }
  return marks;
}
