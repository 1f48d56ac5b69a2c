// Reading entry numbers out of command links: FindMarker, ReadDecimal and ParseEntryNumber.
#include "app/entry_number.h"

#include <gtest/gtest.h>

namespace {

TEST(FindMarkerTest, ReportsFirstOccurrenceAndItsEnd) {
  std::ptrdiff_t end = 99;
  EXPECT_EQ(FindMarker(u"_", u"ab_cd_", end), 2);
  EXPECT_EQ(end, 3);

  EXPECT_EQ(FindMarker(u"URL_EXPORT_", u"res:///p/URL_EXPORT_4_1", end), 9);
  EXPECT_EQ(end, 20);

  // Comparison is exact: letter case matters.
  EXPECT_EQ(FindMarker(u"url_", u"URL_SHOWCERT_1", end), -1);
  EXPECT_EQ(end, -1);
}

TEST(FindMarkerTest, EmptyMarkerFindsNothingAndLeavesEndAlone) {
  std::ptrdiff_t end = 42;
  EXPECT_EQ(FindMarker(u"", u"anything", end), -1);
  EXPECT_EQ(end, 42);
  EXPECT_EQ(FindMarker(u"_", u"", end), -1);
  EXPECT_EQ(end, -1);
}

TEST(ReadDecimalTest, ReadsLikeFormattedExtraction) {
  EXPECT_EQ(ReadDecimal(u"42"), 42);
  EXPECT_EQ(ReadDecimal(u" 7"), 7);
  EXPECT_EQ(ReadDecimal(u"\t\n\r\v\f 8"), 8);
  EXPECT_EQ(ReadDecimal(u"-1"), -1);
  EXPECT_EQ(ReadDecimal(u"+5"), 5);
  EXPECT_EQ(ReadDecimal(u"12abc"), 12);
  EXPECT_EQ(ReadDecimal(u"0_7"), 0);
  EXPECT_EQ(ReadDecimal(u"007"), 7);
  EXPECT_EQ(ReadDecimal(u"2147483647"), 2147483647);
  EXPECT_EQ(ReadDecimal(u"-2147483648"), -2147483647 - 1);
}

TEST(ReadDecimalTest, NoNumberOrOverflowGivesNone) {
  EXPECT_FALSE(ReadDecimal(u""));
  EXPECT_FALSE(ReadDecimal(u"   "));
  EXPECT_FALSE(ReadDecimal(u"abc"));
  EXPECT_FALSE(ReadDecimal(u"-"));
  EXPECT_FALSE(ReadDecimal(u"- 5"));
  EXPECT_FALSE(ReadDecimal(u"+-5"));
  EXPECT_FALSE(ReadDecimal(u"2147483648"));
  EXPECT_FALSE(ReadDecimal(u"-2147483649"));
  EXPECT_FALSE(ReadDecimal(u"99999999999999999999999999"));
  // Digits of other scripts are not decimal digits of the extraction.
  EXPECT_FALSE(ReadDecimal(u"\u0663"));
}

TEST(ParseEntryNumberTest, SplitsAtFirstUnderscore) {
  std::int32_t flags = 0;
  std::int32_t position = 0;
  ASSERT_TRUE(ParseEntryNumber(u"16392_5", flags, position));
  EXPECT_EQ(flags, 16392);
  EXPECT_EQ(position, 5);

  // Reading the position stops at the second "_".
  ASSERT_TRUE(ParseEntryNumber(u"1028_0_7", flags, position));
  EXPECT_EQ(flags, 1028);
  EXPECT_EQ(position, 0);

  ASSERT_TRUE(ParseEntryNumber(u" 1028_ 3", flags, position));
  EXPECT_EQ(flags, 1028);
  EXPECT_EQ(position, 3);

  // A negative position is read; the catalogue lookup then finds no entry for it.
  ASSERT_TRUE(ParseEntryNumber(u"1028_-1", flags, position));
  EXPECT_EQ(position, -1);
}

TEST(ParseEntryNumberTest, TextsThatNameNoEntryGiveFalseAndKeepOutputs) {
  for (const std::u16string_view text :
       {u"", u"1028", u"_5", u"1028_", u"abc_1", u"1028_x", u"4294967296_0", u"1028_2147483648"}) {
    std::int32_t flags = -7;
    std::int32_t position = -7;
    EXPECT_FALSE(ParseEntryNumber(text, flags, position)) << std::string(text.begin(), text.end());
    EXPECT_EQ(flags, -7);
    EXPECT_EQ(position, -7);
  }
}

}  // namespace
