// The platform's OID information: which algorithm identifier (ALG_ID) an algorithm OID stands
// for, and back. A signature OID answers with the identifier of its hash algorithm; algorithms
// that have no such identifier answer with one of two special values.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t CALG_MD5 = 0x8003;
inline constexpr std::uint32_t CALG_SHA1 = 0x8004;
inline constexpr std::uint32_t CALG_SHA_256 = 0x800C;
inline constexpr std::uint32_t CALG_SHA_384 = 0x800D;
inline constexpr std::uint32_t CALG_SHA_512 = 0x800E;
inline constexpr std::uint32_t CALG_NO_SIGN = 0x00002000;
inline constexpr std::uint32_t CALG_RSA_SIGN = 0x00002400;
// The algorithm's parameters name its hash (RSA-PSS).
inline constexpr std::uint32_t CALG_OID_INFO_PARAMETERS = 0xFFFFFFFE;
// The algorithm has no identifier of its own (ECDSA).
inline constexpr std::uint32_t CALG_OID_INFO_CNG_ONLY = 0xFFFFFFFF;

// One row of the OID information: a dotted OID and the identifier it answers with.
struct OidInfoRow {
  std::string_view oid;
  std::uint32_t algId = 0;
};

// The identifier of an OID (exact, case-sensitive match); 0 for an OID the table does not know.
std::uint32_t CertOIDToAlgId(std::string_view oid);

// The OID of the first row that answers with algId; none for the special values and for an id
// the table does not know.
std::optional<std::string> CertAlgIdToOID(std::uint32_t algId);

// For tests: replaces the OID information with the given rows for the object's lifetime, then
// restores the table that was in force before. The rows must outlive the object. Not for use
// while other threads look OIDs up.
class ScopedOidInfoOverride {
 public:
  explicit ScopedOidInfoOverride(std::span<const OidInfoRow> rows);
  ~ScopedOidInfoOverride();
  ScopedOidInfoOverride(const ScopedOidInfoOverride&) = delete;
  ScopedOidInfoOverride& operator=(const ScopedOidInfoOverride&) = delete;

 private:
  std::span<const OidInfoRow> previous_;
};

}  // namespace platform
