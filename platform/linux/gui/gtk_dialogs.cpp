// The certificate stores window until its own file lands: it cannot be shown yet.
#include "platform/linux/gui/gtk_dialogs.h"

bool RunCertificateStoresWindow(GtkWindow*) {
  return false;
}
