// The stores command: opens the window over all of the user's certificate stores. The user may
// have changed any store there, so catalogue and page are rebuilt once it has closed.
#include "app/main_frame.h"
#include "crypto/cryptoapi.h"
#include "platform/ui_services.h"

bool CMainFrame::ShowWindowsStores() {
  platform::UiServices* ui = platform::CurrentUi();
  // The window removes a certificate the way Uninstall does: with the database's password, and
  // only a copy with the same public key.
  const platform::StoreRemoval remove = [](const platform::CertContext& certificate,
                                           const std::u16string& storeName,
                                           const platform::CertDatabase& database) {
    TCryptoapi cryptoapi;
    return cryptoapi.RemoveFromDatabase(certificate, storeName, database);
  };
  if (ui == nullptr || !ui->ShowCertificateStores(remove)) {
    return false;
  }
  ReloadCatalogue();
  return true;
}
