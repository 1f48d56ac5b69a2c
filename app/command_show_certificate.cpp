// The viewer command: shows one catalogue certificate in the platform's certificate viewer.
// Viewing changes nothing, so the page is not reloaded.
#include <cstdint>

#include "app/main_frame.h"
#include "app/select_cert_dlg.h"

bool CMainFrame::ShowCertificate(const std::u16string& entryNumber) {
  std::int32_t flags = 0;
  const CertEntry* entry = FindCommandEntry(entryNumber, flags);
  if (entry == nullptr) {
    return false;
  }
  return TSelectCertDlg().ViewCertificate(entry->record);
}
