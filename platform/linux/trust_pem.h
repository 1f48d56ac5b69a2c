// The certificate texts of the system trust targets: PEM files, Base64 DER and the file name
// Corvane gives a certificate.
#pragma once

#include <string>
#include <vector>

#include "platform/cert_context.h"

namespace platform::linux_trust {

// PEM text ("-----BEGIN CERTIFICATE-----", 64-character lines, LF).
std::string PemText(const Bytes& der);
// The DER bytes of every CERTIFICATE block of a PEM text, in order; other blocks are skipped.
std::vector<Bytes> CertificatesOfPem(const std::string& text);
// Base64 of the DER bytes on one line.
std::string Base64Text(const Bytes& der);
// A name that tells a reader which certificate a file holds and that no other certificate gets:
// the subject's common name in letters, digits, '.', '-' and '_', then '_' and the first 16 hex
// digits of the SHA-256 of the DER bytes, then the extension (such as ".crt").
std::string CertificateFileName(const Bytes& der, const std::string& extension);

}  // namespace platform::linux_trust
