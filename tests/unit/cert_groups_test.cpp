#include "catalogue/cert_groups.h"

#include <gtest/gtest.h>

#include "res/string_table.h"

namespace {

TEST(GroupTable, HoldsEveryKnownGroup) {
  struct Row {
    std::int32_t flags;
    std::uint32_t captionId;
    bool expanded;
    RowActions actions;
    const char16_t* store;
  };
  constexpr RowActions kBoth = RowActions::kInstallAndUninstall;
  constexpr RowActions kExport = RowActions::kExportOnly;
  const Row rows[] = {
      {261, 57680, true, RowActions::kInstallOnly, u"Root"},
      {516, 57666, true, kBoth, u"Root"},
      {1028, 57667, true, kBoth, u"Root"},
      {2052, 57668, false, kBoth, u"Root"},
      {4100, 57669, false, kBoth, u"Root"},
      {8200, 57670, true, kBoth, u"CA"},
      {16392, 57681, true, kBoth, u"CA"},
      {32776, 57682, false, kBoth, u"CA"},
      {65568, 57684, true, kExport, u""},
      {131104, 57688, true, kExport, u""},
      {262240, 57685, true, kExport, u""},
      {524384, 57689, true, kExport, u""},
      {4194368, 57690, true, kExport, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.flags);
    const auto presentation = PresentationForGroup(row.flags);
    ASSERT_TRUE(presentation.has_value());
    EXPECT_EQ(presentation->captionId, row.captionId);
    EXPECT_FALSE(LoadResourceString(presentation->captionId).empty());
    EXPECT_EQ(presentation->expanded, row.expanded);
    EXPECT_EQ(presentation->actions, row.actions);
    EXPECT_EQ(StoreNameForGroup(row.flags), row.store);
    // Exactly the groups without a target store are export only.
    EXPECT_EQ(row.actions == kExport, StoreNameForGroup(row.flags).empty());
  }
}

TEST(GroupTable, OtherValuesHaveNoPresentation) {
  for (const std::int32_t flags : {0, 0x04, 0x08, 0x10, 0x40, 0x405, -1, 0x7FFFFFFF}) {
    EXPECT_FALSE(PresentationForGroup(flags).has_value()) << flags;
  }
}

TEST(GroupTable, StoreBitsAreTestedInTheOrderMyRootCa) {
  EXPECT_EQ(StoreNameForGroup(0x1C), u"MY");
  EXPECT_EQ(StoreNameForGroup(0x0C), u"Root");
  EXPECT_EQ(StoreNameForGroup(0x08), u"CA");
  EXPECT_EQ(StoreNameForGroup(0x63), u"");
  EXPECT_EQ(StoreNameForGroup(-1), u"MY");
  EXPECT_EQ(StoreTitleForGroup(0x1C), u"Personal");
  EXPECT_EQ(StoreTitleForGroup(CERTGROUP_ROOT_TEST), u"Trusted CA Certificate");
  EXPECT_EQ(StoreTitleForGroup(CERTGROUP_INTERMEDIATE_TEST), u"Intermediate CA Certificate");
  EXPECT_EQ(StoreTitleForGroup(CERTGROUP_TSA_TEST), u"");
}

}  // namespace
