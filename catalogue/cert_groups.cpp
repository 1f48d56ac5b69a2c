#include "catalogue/cert_groups.h"

#include <array>

#include "res/string_table.h"

namespace {

struct GroupRow {
  std::int32_t flags;
  GroupPresentation presentation;
};

constexpr std::array kGroupTable{
    GroupRow{CERTGROUP_ROOT_PROGRAM,
             {strings::kCaptionRootProgram, true, RowActions::kInstallOnly}},
    GroupRow{CERTGROUP_ROOT, {strings::kCaptionRoot, true, RowActions::kInstallAndUninstall}},
    GroupRow{CERTGROUP_ROOT_TEST,
             {strings::kCaptionRootTest, true, RowActions::kInstallAndUninstall}},
    GroupRow{CERTGROUP_ROOT_DEV,
             {strings::kCaptionRootDev, false, RowActions::kInstallAndUninstall}},
    GroupRow{CERTGROUP_ROOT_NBU,
             {strings::kCaptionRootNbu, false, RowActions::kInstallAndUninstall}},
    GroupRow{CERTGROUP_INTERMEDIATE,
             {strings::kCaptionIntermediate, true, RowActions::kInstallAndUninstall}},
    GroupRow{CERTGROUP_INTERMEDIATE_TEST,
             {strings::kCaptionIntermediateTest, true, RowActions::kInstallAndUninstall}},
    GroupRow{CERTGROUP_INTERMEDIATE_DEV,
             {strings::kCaptionIntermediateDev, false, RowActions::kInstallAndUninstall}},
    GroupRow{CERTGROUP_TSA, {strings::kCaptionTsa, true, RowActions::kExportOnly}},
    GroupRow{CERTGROUP_TSA_TEST, {strings::kCaptionTsaTest, true, RowActions::kExportOnly}},
    GroupRow{CERTGROUP_TSA_WEB, {strings::kCaptionTsaWeb, true, RowActions::kExportOnly}},
    GroupRow{CERTGROUP_TSA_WEB_TEST, {strings::kCaptionTsaWebTest, true, RowActions::kExportOnly}},
    GroupRow{CERTGROUP_WEB_OTHER, {strings::kCaptionWebOther, true, RowActions::kExportOnly}},
};

}  // namespace

std::optional<GroupPresentation> PresentationForGroup(std::int32_t flags) {
  for (const GroupRow& row : kGroupTable) {
    if (row.flags == flags) {
      return row.presentation;
    }
  }
  return std::nullopt;
}

std::u16string StoreNameForGroup(std::int32_t flags) {
  if ((flags & CERTGROUP_STORE_MY) != 0) {
    return u"MY";
  }
  if ((flags & CERTGROUP_STORE_ROOT) != 0) {
    return u"Root";
  }
  if ((flags & CERTGROUP_STORE_CA) != 0) {
    return u"CA";
  }
  return {};
}

std::u16string StoreTitleForGroup(std::int32_t flags) {
  if ((flags & CERTGROUP_STORE_MY) != 0) {
    return LoadResourceString(strings::kStoreTitleMy);
  }
  if ((flags & CERTGROUP_STORE_ROOT) != 0) {
    return LoadResourceString(strings::kStoreTitleRoot);
  }
  if ((flags & CERTGROUP_STORE_CA) != 0) {
    return LoadResourceString(strings::kStoreTitleCa);
  }
  return {};
}
