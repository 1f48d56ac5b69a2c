// The platform's OID information (CertOIDToAlgId, CertAlgIdToOID), or, while a test has put its
// own rows in force, those rows.
#include "platform/oid_info.h"

#include "platform/windows/win_api.h"

namespace platform {
namespace {

// The rows a test put in force; none while the platform answers.
std::optional<std::span<const OidInfoRow>> g_override;
// Marks, in an override's saved state, that the platform answered before it.
constexpr OidInfoRow kPlatformAnswers[1] = {};

}  // namespace

std::uint32_t CertOIDToAlgId(std::string_view oid) {
  if (g_override) {
    for (const OidInfoRow& row : *g_override) {
      if (row.oid == oid) {
        return row.algId;
      }
    }
    return 0;
  }
  const std::string text(oid);
  return ::CertOIDToAlgId(text.c_str());
}

std::optional<std::string> CertAlgIdToOID(std::uint32_t algId) {
  if (algId == 0 || algId == CALG_OID_INFO_PARAMETERS || algId == CALG_OID_INFO_CNG_ONLY) {
    return std::nullopt;
  }
  if (g_override) {
    for (const OidInfoRow& row : *g_override) {
      if (row.algId == algId) {
        return std::string(row.oid);
      }
    }
    return std::nullopt;
  }
  const char* oid = ::CertAlgIdToOID(algId);
  if (oid == nullptr) {
    return std::nullopt;
  }
  return std::string(oid);
}

ScopedOidInfoOverride::ScopedOidInfoOverride(std::span<const OidInfoRow> rows)
    : previous_(g_override ? *g_override : std::span<const OidInfoRow>(kPlatformAnswers, 0)) {
  g_override = rows;
}

ScopedOidInfoOverride::~ScopedOidInfoOverride() {
  if (previous_.data() == kPlatformAnswers) {
    g_override.reset();
  } else {
    g_override = previous_;
  }
}

}  // namespace platform
