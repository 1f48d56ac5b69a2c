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
    StringEntry{strings::kFrameTitle,
                u"Oberit Corvane\n\nCorvane\n\n\nCorvane.Document\nCorvane.Document"},
    // The stores window and the certificate viewer. Button labels carry GTK's "_" mnemonics.
    StringEntry{strings::kStoresWindowTitle, u"Certificate Stores"},
    StringEntry{strings::kIssuedTo, u"Issued to"},
    StringEntry{strings::kIssuedBy, u"Issued by"},
    StringEntry{strings::kExpirationDate, u"Expiration date"},
    StringEntry{strings::kViewButton, u"_View"},
    StringEntry{strings::kRemoveButton, u"_Remove"},
    StringEntry{strings::kCloseButton, u"_Close"},
    StringEntry{strings::kCancelButton, u"_Cancel"},
    StringEntry{strings::kNoName, u"(no name)"},
    StringEntry{strings::kConfirmRemove,
                u"Remove the certificate \u201C%s\u201D from the store \u201C%s\u201D?"},
    StringEntry{strings::kCertificateSummary, u"Issued to: %s\nIssued by: %s\nExpires: %s"},
    StringEntry{
        strings::kCannotRemove,
        u"The certificate \u201C%s\u201D could not be removed from the store \u201C%s\u201D."},
    StringEntry{strings::kCannotReadStore, u"The store \u201C%s\u201D could not be read."},
    StringEntry{strings::kCertificate, u"Certificate"},
    // The choice of database in the stores window and the password dialog.
    StringEntry{strings::kDatabaseSelector, u"_Database:"},
    StringEntry{strings::kWrongPassword,
                u"The password of the database \u201C%s\u201D was not correct."},
    StringEntry{strings::kPasswordTitle, u"Certificate database password"},
    StringEntry{strings::kPasswordQuestion,
                u"The certificate database \u201C%s\u201D is protected by a password. Enter it to "
                u"change the database."},
    StringEntry{strings::kPasswordRetry, u"The password was not correct. Try %s of %s."},
    StringEntry{strings::kOkButton, u"_OK"},
    // Notes under a certificate row that is installed in only some databases, or whose state is
    // not known.
    StringEntry{strings::kStatePartial, u"Installed in %s; not in %s. Install completes it."},
    StringEntry{strings::kStateUnknown,
                u"Not known whether it is installed: %s could not be read."},
    // Notes under a certificate row whose certificate is outside its period of validity.
    StringEntry{strings::kValidityExpired, u"Expired on %s: no longer valid."},
    StringEntry{strings::kValidityNotYet, u"Not valid yet: valid from %s."},
    StringEntry{strings::kTrustedSystemWide,
                u"Trusted by every program of every user of this computer, as its administrator "
                u"set it up. Install and Uninstall change only your own databases."},
    StringEntry{strings::kAppName, u"Oberit Corvane"},
    StringEntry{strings::kReady, u"Ready"},
    StringEntry{strings::kRegistryKey, u"Oberit"},
    StringEntry{strings::kCertificateManager, u"Certificate Manager"},
    StringEntry{strings::kExit, u"Exit\nExit"},
    StringEntry{strings::kCaptionRoot, u"Trusted root Oberit certificates"},
    StringEntry{strings::kCaptionRootTest, u"Trusted root test certificates"},
    StringEntry{strings::kCaptionRootDev, u"Trusted root development certificates"},
    StringEntry{strings::kCaptionRootNbu, u"Trusted root NBU certificates"},
    StringEntry{strings::kCaptionIntermediate, u"Intermediate Oberit certificates"},
    StringEntry{strings::kInstall, u"Install"},
    StringEntry{strings::kUninstall, u"Uninstall"},
    StringEntry{strings::kWindowsError, u"Windows error"},
    StringEntry{strings::kCannotEnroll, u"Cannot enroll certificate\n%s"},
    StringEntry{strings::kCannotDelete, u"Cannot delete certificate from the store\n%s"},
    StringEntry{strings::kConfirmDelete,
                u"Are you sure you want to delete the certificate?\n\nSubject:\n%s\nIssuer:\n%s\n"
                u"Serial number: %s\nStore: %s"},
    StringEntry{strings::kStoreTitleRoot, u"Trusted CA Certificate"},
    StringEntry{strings::kStoreTitleCa, u"Intermediate CA Certificate"},
    StringEntry{strings::kStoreTitleMy, u"Personal"},
    StringEntry{strings::kCaptionRootProgram,
                u"Trusted root. Oberit certificates - Windows root certificate program member"},
    StringEntry{strings::kCaptionIntermediateTest, u"Intermediate CA Certificate Oberit TEST"},
    StringEntry{strings::kCaptionIntermediateDev, u"Intermediate CA Certificate Oberit DEV"},
    StringEntry{strings::kTestEnvironment, u"test environment"},
    StringEntry{strings::kCaptionTsa, u"Certificates of Time stamp authority"},
    StringEntry{strings::kCaptionTsaWeb, u"Web certificates of Time stamp authority"},
    StringEntry{strings::kExport, u"Export"},
    StringEntry{strings::kSavedToFile, u"Certificate was saved to filename %s"},
    StringEntry{strings::kCaptionTsaTest, u"Certificates of Test Time stamp authority"},
    StringEntry{strings::kCaptionTsaWebTest, u"Web certificates of Test Time stamp authority"},
    StringEntry{strings::kCaptionWebOther, u"Other web certificates"},
    StringEntry{strings::kCannotSave, u"Cannot save certificate to filename %s"},
    StringEntry{strings::kCannotReadDatabase, u"Cannot read the certificate database %s"},
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
