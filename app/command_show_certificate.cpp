// The viewer command: shows one catalogue certificate in the platform's certificate viewer.
// Viewing changes nothing, so the page is not reloaded.
#include <cstdint>

#include "app/entry_number.h"
#include "app/main_frame.h"
#include "app/select_cert_dlg.h"

bool CMainFrame::ShowCertificate(const std::u16string& entryNumber) {
  std::int32_t flags = 0;
  std::int32_t position = 0;
  if (!ParseEntryNumber(entryNumber, flags, position)) {
    return false;
  }
  const CertEntry* entry = m_certManager.FindEntry(flags, static_cast<std::uint32_t>(position));
  if (entry == nullptr) {
    return false;
  }
  return TSelectCertDlg().ViewCertificate(entry->record);
}
