// The stores command: opens the window over all of the user's certificate stores. The user may
// have changed any store there, so catalogue and page are rebuilt once it has closed.
#include "app/main_frame.h"
#include "platform/ui_services.h"

bool CMainFrame::ShowWindowsStores() {
  platform::UiServices* ui = platform::CurrentUi();
  if (ui == nullptr || !ui->ShowCertificateStores()) {
    return false;
  }
  ReloadCatalogue();
  return true;
}
