// Owning handles for the NSS objects the store implementation holds, each released through NSS's
// own function when its handle goes away.
#pragma once

#include <cert.h>
#include <pk11pub.h>

#include <memory>

#include "platform/linux/c_deleter.h"

namespace platform::nss {

using CertificatePtr = std::unique_ptr<CERTCertificate, Deleter<CERT_DestroyCertificate>>;
using SlotPtr = std::unique_ptr<PK11SlotInfo, Deleter<PK11_FreeSlot>>;
using CertListPtr = std::unique_ptr<CERTCertList, Deleter<CERT_DestroyCertList>>;
using PortStringPtr = std::unique_ptr<char, Deleter<PORT_Free>>;

}  // namespace platform::nss
