// TSelectCertDlg: shows one certificate in the platform's certificate viewer, which is modal and
// offers no way to add the certificate to a store.
#pragma once

#include "crypto/cert_details.h"
#include "platform/cert_context.h"

class TSelectCertDlg {
 public:
  TSelectCertDlg() = default;
  virtual ~TSelectCertDlg() = default;

  // Rebuilds the certificate from the record and shows it. False when no certificate could be
  // built from the record or no viewer could be shown.
  bool ViewCertificate(const TCertDetails& record) const;
  // Shows the context (false when it is null or no viewer could be shown). Returns when the
  // viewer has been closed.
  bool ViewCertificateContext(const platform::CertContext* context) const;
};
