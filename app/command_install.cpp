// The install and uninstall commands: add a catalogue certificate to its group's target store,
// or delete it from there after the user confirmed, and rebuild catalogue and page after a
// change that succeeded.
#include <cstdint>

#include "app/command_failure.h"
#include "app/main_frame.h"
#include "app/messages.h"
#include "catalogue/cert_groups.h"
#include "crypto/cryptoapi.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/ui_services.h"

bool CMainFrame::InstallUninstall(const std::u16string& entryNumber, bool install) {
  std::int32_t flags = 0;
  const CertEntry* entry = FindCommandEntry(entryNumber, flags);
  if (entry == nullptr) {
    return false;
  }
  // The command works on its own copy of the record, so nothing it holds can be freed under it
  // while a box is open or by the reload at the end.
  const TCertDetails record = entry->record;
  const std::u16string storeName = StoreNameForGroup(flags);

  bool result = false;
  {
    TCryptoapi cryptoapi;
    if (install) {
      result = cryptoapi.Install(record, storeName);
      if (!result) {
        ReportFailureWithLastError(strings::kCannotEnroll, record.subjectDN);
      }
    } else {
      const std::u16string question =
          FormatResourceString(strings::kConfirmDelete, record.subjectDN, record.issuerDN,
                               record.serialNumber, StoreTitleForGroup(flags));
      if (AskQuestion(question) == platform::kIdYes) {
        result = cryptoapi.Uninstall(record, storeName);
        if (!result && platform::GetLastError() != platform::kErrorCancelled) {
          ReportFailureWithLastError(strings::kCannotDelete, record.subjectDN);
        }
      }
    }
  }

  if (result) {
    ReloadCatalogue();
  }
  return result;
}
