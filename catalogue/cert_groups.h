// The meaning of the group flags: target store, caption, initial visibility and row actions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::int32_t CERTGROUP_STORE_ROOT = 0x04;
inline constexpr std::int32_t CERTGROUP_STORE_CA = 0x08;
inline constexpr std::int32_t CERTGROUP_STORE_MY = 0x10;
inline constexpr std::int32_t CERTGROUP_WEB = 0x40;

inline constexpr std::int32_t CERTGROUP_ROOT_PROGRAM = 0x105;
inline constexpr std::int32_t CERTGROUP_ROOT = 0x204;
inline constexpr std::int32_t CERTGROUP_ROOT_TEST = 0x404;
inline constexpr std::int32_t CERTGROUP_ROOT_DEV = 0x804;
inline constexpr std::int32_t CERTGROUP_ROOT_NBU = 0x1004;
inline constexpr std::int32_t CERTGROUP_INTERMEDIATE = 0x2008;
inline constexpr std::int32_t CERTGROUP_INTERMEDIATE_TEST = 0x4008;
inline constexpr std::int32_t CERTGROUP_INTERMEDIATE_DEV = 0x8008;
inline constexpr std::int32_t CERTGROUP_TSA = 0x10020;
inline constexpr std::int32_t CERTGROUP_TSA_TEST = 0x20020;
inline constexpr std::int32_t CERTGROUP_TSA_WEB = 0x40060;
inline constexpr std::int32_t CERTGROUP_TSA_WEB_TEST = 0x80060;
inline constexpr std::int32_t CERTGROUP_WEB_OTHER = 0x400040;

enum class RowActions { kInstallAndUninstall, kInstallOnly, kExportOnly };

struct GroupPresentation {
  std::uint32_t captionId;  // string-table id of the caption
  bool expanded;            // false: the table starts hidden
  RowActions actions;
};

// The presentation of a group value of the table; none for any other value.
std::optional<GroupPresentation> PresentationForGroup(std::int32_t flags);

// "MY", "Root", "CA" or empty, by the bits 0x10, 0x04, 0x08 in that order.
std::u16string StoreNameForGroup(std::int32_t flags);
// The store's title for the delete confirmation, by the same tests; empty without a store bit.
std::u16string StoreTitleForGroup(std::int32_t flags);
