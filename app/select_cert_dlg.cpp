#include "app/select_cert_dlg.h"

#include "platform/ui_services.h"

bool TSelectCertDlg::ViewCertificate(const TCertDetails& record) const {
  const platform::CertContextPtr context = record.CreateContext();
  if (!context) {
    return false;
  }
  return ViewCertificateContext(context.get());
}

bool TSelectCertDlg::ViewCertificateContext(const platform::CertContext* context) const {
  if (context == nullptr) {
    return false;
  }
  platform::UiServices* ui = platform::CurrentUi();
  if (ui == nullptr) {
    return false;
  }
  return ui->ViewCertificate(*context);
}
