#include "res/string_table.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/last_error.h"

namespace {

struct StringEntry {
  std::uint32_t id;
  std::u16string_view text;
};

// US English texts, ordered by id for the binary search below.
constexpr std::array kStringTable{
    StringEntry{128, u"Oberit Corvane\n\nCorvane\n\n\nCorvane.Document\nCorvane.Document"},
    // The stores window and the certificate viewer. Button labels carry GTK's "_" mnemonics.
    StringEntry{300, u"Certificate Stores"},
    StringEntry{301, u"Issued to"},
    StringEntry{302, u"Issued by"},
    StringEntry{303, u"Expiration date"},
    StringEntry{304, u"_View"},
    StringEntry{305, u"_Remove"},
    StringEntry{306, u"_Close"},
    StringEntry{307, u"_Cancel"},
    StringEntry{308, u"(no name)"},
    StringEntry{309, u"Remove the certificate \u201C%s\u201D from the store \u201C%s\u201D?"},
    StringEntry{310, u"Issued to: %s\nIssued by: %s\nExpires: %s"},
    StringEntry{
        311, u"The certificate \u201C%s\u201D could not be removed from the store \u201C%s\u201D."},
    StringEntry{312, u"The store \u201C%s\u201D could not be read."},
    StringEntry{313, u"Certificate"},
    StringEntry{57344, u"Oberit Corvane"},
    StringEntry{57345, u"Ready"},
    StringEntry{57346, u"Oberit"},
    StringEntry{57347, u"Certificate Manager"},
    StringEntry{57665, u"Exit\nExit"},
    StringEntry{57666, u"Trusted root Oberit certificates"},
    StringEntry{57667, u"Trusted root test certificates"},
    StringEntry{57668, u"Trusted root development certificates"},
    StringEntry{57669, u"Trusted root NBU certificates"},
    StringEntry{57670, u"Intermediate Oberit certificates"},
    StringEntry{57671, u"Install"},
    StringEntry{57672, u"Uninstall"},
    StringEntry{57673, u"Windows error"},
    StringEntry{57674, u"Cannot enroll certificate\n%s"},
    StringEntry{57675, u"Cannot delete certificate from the store\n%s"},
    StringEntry{57676,
                u"Are you sure you want to delete the certificate?\n\nSubject:\n%s\nIssuer:\n%s\n"
                u"Serial number: %s\nStore: %s"},
    StringEntry{57677, u"Trusted CA Certificate"},
    StringEntry{57678, u"Intermediate CA Certificate"},
    StringEntry{57679, u"Personal"},
    StringEntry{57680,
                u"Trusted root. Oberit certificates - Windows root certificate program member"},
    StringEntry{57681, u"Intermediate CA Certificate Oberit TEST"},
    StringEntry{57682, u"Intermediate CA Certificate Oberit DEV"},
    StringEntry{57683, u"test environment"},
    StringEntry{57684, u"Certificates of Time stamp authority"},
    StringEntry{57685, u"Web certificates of Time stamp authority"},
    StringEntry{57686, u"Export"},
    StringEntry{57687, u"Certificate was saved to filename %s"},
    StringEntry{57688, u"Certificates of Test Time stamp authority"},
    StringEntry{57689, u"Web certificates of Test Time stamp authority"},
    StringEntry{57690, u"Other web certificates"},
    StringEntry{57691, u"Cannot save certificate to filename %s"},
    StringEntry{57692, u"Cannot read the certificate database %s"},
};

static_assert(std::ranges::is_sorted(kStringTable, {}, &StringEntry::id));

}  // namespace

std::u16string LoadResourceString(std::uint32_t id) {
  // Callers load their message before they ask for the error text of the failure they report,
  // so the lookup must leave the thread's last error exactly as it found it.
  const std::uint32_t savedError = platform::GetLastError();
  std::u16string text;
  const auto found = std::ranges::lower_bound(kStringTable, id, {}, &StringEntry::id);
  if (found != kStringTable.end() && found->id == id) {
    text = found->text;
  }
  platform::SetLastError(savedError);
  return text;
}
