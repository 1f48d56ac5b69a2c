// The export command: saves a catalogue certificate as PEM text in a file the user chooses.
// Export changes no store, so the page is not reloaded.
#include <cstdint>
#include <span>
#include <string>

#include "app/command_failure.h"
#include "app/export.h"
#include "app/main_frame.h"
#include "app/messages.h"
#include "crypto/conversions.h"

namespace {

// Proposes a file name, lets the user choose the file, writes the PEM text and confirms; a failed
// write is reported like a failed store change, never passed over.
void ExportEntry(const CertEntry& entry) {
  // Copied before the dialog runs: nothing the command holds depends on the catalogue then.
  const std::string pem = ToNarrow(entry.record.pemText);
  const std::u16string proposed = ProposedExportFileName(entry.record);

  std::u16string path;
  if (!AskSaveFileName(proposed, path) || path.empty()) {
    return;
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(pem.data());
  if (WriteBytesToFile(path, std::span<const std::uint8_t>(bytes, pem.size()))) {
    ShowInfo(FormatResourceString(strings::kSavedToFile, path));
    return;
  }
  ReportFailureWithLastError(strings::kCannotSave, path);
}

}  // namespace

// The result is always false, whatever happened: export changes no store, so the caller has
// nothing to reload.
bool CMainFrame::ExportCertificate(const std::u16string& entryNumber) {
  std::int32_t flags = 0;
  if (const CertEntry* entry = FindCommandEntry(entryNumber, flags); entry != nullptr) {
    ExportEntry(*entry);
  }
  return false;
}
