#include "platform/oid_info.h"

namespace platform {
namespace {

// Hash algorithms come first so that the reverse lookup of a hash identifier finds the hash OID
// rather than a signature OID that shares the identifier.
constexpr OidInfoRow kOidInfo[] = {
    {"1.3.14.3.2.26", CALG_SHA1},
    {"2.16.840.1.101.3.4.2.1", CALG_SHA_256},
    {"2.16.840.1.101.3.4.2.2", CALG_SHA_384},
    {"2.16.840.1.101.3.4.2.3", CALG_SHA_512},
    {"1.2.840.113549.2.5", CALG_MD5},
    // RSA signatures (PKCS #1 v1.5) answer with their hash algorithm.
    {"1.2.840.113549.1.1.4", CALG_MD5},
    {"1.2.840.113549.1.1.5", CALG_SHA1},
    {"1.2.840.113549.1.1.11", CALG_SHA_256},
    {"1.2.840.113549.1.1.12", CALG_SHA_384},
    {"1.2.840.113549.1.1.13", CALG_SHA_512},
    // RSA-PSS carries its hash algorithm in its parameters.
    {"1.2.840.113549.1.1.10", CALG_OID_INFO_PARAMETERS},
    // ECDSA with SHA-1, SHA-256, SHA-384 and SHA-512.
    {"1.2.840.10045.4.1", CALG_OID_INFO_CNG_ONLY},
    {"1.2.840.10045.4.3.2", CALG_OID_INFO_CNG_ONLY},
    {"1.2.840.10045.4.3.3", CALG_OID_INFO_CNG_ONLY},
    {"1.2.840.10045.4.3.4", CALG_OID_INFO_CNG_ONLY},
};

std::span<const OidInfoRow> g_oidInfo = kOidInfo;

}  // namespace

std::uint32_t CertOIDToAlgId(std::string_view oid) {
  for (const OidInfoRow& row : g_oidInfo) {
    if (row.oid == oid) {
      return row.algId;
    }
  }
  return 0;
}

std::optional<std::string> CertAlgIdToOID(std::uint32_t algId) {
  if (algId == 0 || algId == CALG_OID_INFO_PARAMETERS || algId == CALG_OID_INFO_CNG_ONLY) {
    return std::nullopt;
  }
  for (const OidInfoRow& row : g_oidInfo) {
    if (row.algId == algId) {
      return std::string(row.oid);
    }
  }
  return std::nullopt;
}

ScopedOidInfoOverride::ScopedOidInfoOverride(std::span<const OidInfoRow> rows)
    : previous_(g_oidInfo) {
  g_oidInfo = rows;
}

ScopedOidInfoOverride::~ScopedOidInfoOverride() {
  g_oidInfo = previous_;
}

}  // namespace platform
