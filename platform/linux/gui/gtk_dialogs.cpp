// Placeholder definitions until the save dialog, the viewer and the stores window land in their
// own files: every request fails quietly, as when no dialog can be shown.
#include "platform/linux/gui/gtk_dialogs.h"

std::optional<std::u16string> RunSaveDialog(GtkWindow*, const std::u16string&) {
  return std::nullopt;
}

bool RunCertificateViewer(GtkWindow*, const platform::CertContext&) {
  return false;
}

bool RunCertificateStoresWindow(GtkWindow*) {
  return false;
}
