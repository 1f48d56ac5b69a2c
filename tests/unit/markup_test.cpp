// The certificate tables' markup, compared whole against the text the page expects. Dates are in
// the test environment's fixed zone (Europe/Prague) and the C locale.
#include "page/markup.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>

namespace {

// Dates are compared in a fixed zone, whatever the environment the tests run in.
const bool kPragueTime = [] {
  ::setenv("TZ", "Europe/Prague", 1);
  return true;
}();

// 2020-01-01 00:00:00 UTC and 2030-06-30 12:00:00 UTC as FILETIME values.
constexpr std::uint64_t kJanuary2020 = 132223104000000000;
constexpr std::uint64_t kJune2030 = 135535248000000000;
constexpr char16_t kValidity[] = u"January 1, 2020 01:00:00 - June 30, 2030 14:00:00";

CertEntry MakeEntry(std::u16string subject, std::u16string serial, int installed,
                    std::vector<TRDNAttr> altNames = {}) {
  CertEntry entry;
  entry.installed = installed;
  entry.record.subjectDN = std::move(subject);
  entry.record.serialNumber = std::move(serial);
  entry.record.notBefore = FileTime::FromValue(kJanuary2020);
  entry.record.notAfter = FileTime::FromValue(kJune2030);
  entry.record.altNames = std::move(altNames);
  return entry;
}

std::u16string Summary(const std::u16string& subject, const std::u16string& serial) {
  return subject + u"&nbsp;,&nbsp;" + kValidity + u"&nbsp;,&nbsp;" + serial;
}

std::u16string Markup(std::int32_t flags, const std::vector<CertEntry>& entries) {
  std::u16string out;
  EXPECT_TRUE(WriteGroupMarkup(flags, entries, out));
  return out;
}

std::size_t LineCount(const std::u16string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n'));
}

TEST(GroupMarkup, InstallAndUninstallGroupIsWrittenExactly) {
  const std::vector<CertEntry> entries{MakeEntry(u"CN=Root A, O=Oberit, C=CZ", u"01 02", 1),
                                       MakeEntry(u"CN=Root B, O=Oberit, C=CZ", u"0a ff", 0)};
  const std::u16string expected =
      u"<fieldset>\n"
      u"<legend><a href=\"javascript: ShowHide(CERTTABLE_ID_1028)\">Trusted root test "
      u"certificates</a></legend>\n"
      u"<table class=\"basic\" width=\"100%\" id=\"CERTTABLE_ID_1028\">\n"
      u"<tr>\n"
      u"<td class=\"col_data\" width=\"90%\"><img src=\"ok.png\" alt=\"\" HEIGHT=\"12\" "
      u"WIDTH=\"12\">\n"
      u"<a href=\"self.location=URL_SHOWCERT_1028_0\">" +
      Summary(u"CN=Root A, O=Oberit, C=CZ", u"01 02") +
      u"</a>\n"
      u"</td>\n"
      u"<td class=\"col_data\" width=\"10%\"><a "
      u"href=\"self.location=URL_UNINSTALLCERT_1028_0\">Uninstall</a>\n"
      u"</td>\n"
      u"<tr>\n"
      u"<td class=\"col_data\" width=\"90%\"><img src=\"nook.png\" alt=\"\" HEIGHT=\"12\" "
      u"WIDTH=\"12\">\n"
      u"<a href=\"self.location=URL_SHOWCERT_1028_1\">" +
      Summary(u"CN=Root B, O=Oberit, C=CZ", u"0a ff") +
      u"</a>\n"
      u"</td>\n"
      u"<td class=\"col_data\" width=\"10%\"><a "
      u"href=\"self.location=URL_INSTALLCERT_1028_1\">Install</a>\n"
      u"</td>\n"
      u"</table>\n"
      u"</fieldset>\n";
  EXPECT_EQ(Markup(CERTGROUP_ROOT_TEST, entries), expected);
}

TEST(GroupMarkup, InstallOnlyGroupOffersNoActionOnceInstalled) {
  const std::u16string markup = Markup(
      CERTGROUP_ROOT_PROGRAM, {MakeEntry(u"CN=P0", u"00", 1), MakeEntry(u"CN=P1", u"01", 0)});
  const std::u16string installedRow =
      u"<tr>\n"
      u"<td class=\"col_data\" width=\"90%\"><img src=\"ok.png\" alt=\"\" HEIGHT=\"12\" "
      u"WIDTH=\"12\">\n"
      u"<a href=\"self.location=URL_SHOWCERT_261_0\">" +
      Summary(u"CN=P0", u"00") +
      u"</a>\n"
      u"</td>\n"
      u"<td class=\"col_data\" width=\"10%\">&nbsp;\n"
      u"</td>\n";
  EXPECT_NE(markup.find(installedRow), std::u16string::npos)
      << std::string(markup.begin(), markup.end());
  EXPECT_NE(markup.find(u"<img src=\"nook.png\""), std::u16string::npos);
  EXPECT_NE(markup.find(u"<a href=\"self.location=URL_INSTALLCERT_261_1\">Install</a>\n"),
            std::u16string::npos);
  EXPECT_EQ(markup.find(u"UNINSTALL"), std::u16string::npos);
}

// A certificate held by only some databases, or whose state could not be read, gets a row of its
// own look: a class, its own icon, a note naming the databases (escaped), and Install.
TEST(GroupMarkup, PartialAndUnknownRowsSayWhichDatabasesAndOfferInstall) {
  CertEntry partial = MakeEntry(u"CN=Root A", u"01", 0);
  partial.state = InstalledState::kPartial;
  partial.heldBy = {{platform::CertDatabaseKind::kShared, u"Shared", {}, u"/s", "/s"}};
  partial.missingFrom = {{platform::CertDatabaseKind::kFirefox, u"Firefox: <b>&", {}, u"/f", "/f"}};
  CertEntry unknown = MakeEntry(u"CN=Root B", u"02", 0);
  unknown.state = InstalledState::kUnreadable;
  unknown.unreadable = {u"Thunderbird: mail"};
  const std::u16string markup =
      Markup(CERTGROUP_ROOT_TEST, {partial, unknown, MakeEntry(u"CN=Root C", u"03", 0)});
  const std::u16string partialRow =
      u"<tr class=\"state_partial\">\n"
      u"<td class=\"col_data\" width=\"90%\"><img src=\"partial.png\" alt=\"\" HEIGHT=\"12\" "
      u"WIDTH=\"12\">\n"
      u"<a href=\"self.location=URL_SHOWCERT_1028_0\">" +
      Summary(u"CN=Root A", u"01") +
      u"</a>\n"
      u"<br><span class=\"row_note\">Installed in Shared; not in Firefox: &lt;b&gt;&amp;. Install "
      u"completes it.</span>\n"
      u"</td>\n"
      u"<td class=\"col_data\" width=\"10%\"><a "
      u"href=\"self.location=URL_INSTALLCERT_1028_0\">Install</a>\n"
      u"</td>\n";
  EXPECT_NE(markup.find(partialRow), std::u16string::npos)
      << std::string(markup.begin(), markup.end());
  EXPECT_NE(markup.find(u"<tr class=\"state_unknown\">\n<td class=\"col_data\" width=\"90%\"><img "
                        u"src=\"unknown.png\""),
            std::u16string::npos);
  EXPECT_NE(markup.find(u"Not known whether it is installed: Thunderbird: mail could not be read."),
            std::u16string::npos);
  EXPECT_NE(markup.find(u"URL_INSTALLCERT_1028_1\">Install</a>"), std::u16string::npos);
  // The row of a certificate in no database keeps the plain look.
  EXPECT_EQ(LineCount(markup), 5u + 6u * 3u + 2u);
}

// A certificate outside its period of validity says so in its row, in the same look as the
// partial and unknown rows, in every kind of group; a partial one that has expired says both.
TEST(GroupMarkup, ExpiredAndNotYetValidRowsSaySo) {
  CertEntry expired = MakeEntry(u"CN=Old", u"01", 1);
  expired.validity = Validity::kExpired;
  CertEntry pending = MakeEntry(u"CN=New", u"02", 0);
  pending.validity = Validity::kNotYetValid;
  const std::u16string markup = Markup(CERTGROUP_ROOT_TEST, {expired, pending});
  EXPECT_NE(markup.find(u"<tr class=\"validity_expired\">\n<td class=\"col_data\" width=\"90%\">"
                        u"<img src=\"ok.png\""),
            std::u16string::npos)
      << std::string(markup.begin(), markup.end());
  EXPECT_NE(markup.find(u"</a>\n<br><span class=\"row_note\">Expired on June 30, 2030 14:00:00: no "
                        u"longer valid.</span>\n</td>\n<td class=\"col_data\" width=\"10%\"><a "
                        u"href=\"self.location=URL_UNINSTALLCERT_1028_0\">Uninstall</a>"),
            std::u16string::npos);
  EXPECT_NE(markup.find(u"<tr class=\"validity_pending\">\n<td class=\"col_data\" width=\"90%\">"
                        u"<img src=\"nook.png\""),
            std::u16string::npos);
  EXPECT_NE(markup.find(u"Not valid yet: valid from January 1, 2020 01:00:00."),
            std::u16string::npos);

  const std::u16string exported = Markup(CERTGROUP_TSA_TEST, {expired});
  EXPECT_NE(exported.find(u"<tr class=\"validity_expired\">"), std::u16string::npos);
  EXPECT_NE(exported.find(u"blank100x100.png"), std::u16string::npos);

  CertEntry partialAndExpired = expired;
  partialAndExpired.installed = 0;
  partialAndExpired.state = InstalledState::kPartial;
  partialAndExpired.heldBy = {{platform::CertDatabaseKind::kShared, u"Shared", {}, u"/s", "/s"}};
  const std::u16string both = Markup(CERTGROUP_ROOT_TEST, {partialAndExpired});
  EXPECT_NE(both.find(u"<tr class=\"state_partial validity_expired\">\n<td class=\"col_data\" "
                      u"width=\"90%\"><img src=\"partial.png\""),
            std::u16string::npos);
  EXPECT_LT(both.find(u"Installed in Shared"), both.find(u"Expired on"));
}

TEST(Validity, BothEndsOfThePeriodAreValid) {
  TCertDetails record;
  record.notBefore = FileTime::FromValue(kJanuary2020);
  record.notAfter = FileTime::FromValue(kJune2030);
  EXPECT_EQ(ValidityAt(record, FileTime::FromValue(kJanuary2020 - 1)), Validity::kNotYetValid);
  EXPECT_EQ(ValidityAt(record, FileTime::FromValue(kJanuary2020)), Validity::kValid);
  EXPECT_EQ(ValidityAt(record, FileTime::FromValue(kJune2030)), Validity::kValid);
  EXPECT_EQ(ValidityAt(record, FileTime::FromValue(kJune2030 + 1)), Validity::kExpired);
}

// A certificate the administrator trusts system-wide gets a row of its own look that keeps the
// user's own state: its icon and its action stay, a class and a note are added; with a partial
// state both marks show, the user's own first.
TEST(GroupMarkup, SystemWideRowsKeepTheUsersStateAndSaySo) {
  CertEntry installed = MakeEntry(u"CN=Root A", u"01", 1);
  installed.systemWide = true;
  CertEntry partial = MakeEntry(u"CN=Root B", u"02", 0);
  partial.state = InstalledState::kPartial;
  partial.systemWide = true;
  const std::u16string markup = Markup(CERTGROUP_ROOT_TEST, {installed, partial});
  const std::u16string note =
      u"<br><span class=\"row_note\">Trusted by every program of every user of this computer, "
      u"as its administrator set it up. Install and Uninstall change only your own "
      u"databases.</span>\n";
  const std::u16string installedRow =
      u"<tr class=\"system_wide\">\n"
      u"<td class=\"col_data\" width=\"90%\"><img src=\"ok.png\" alt=\"\" HEIGHT=\"12\" "
      u"WIDTH=\"12\">\n"
      u"<a href=\"self.location=URL_SHOWCERT_1028_0\">" +
      Summary(u"CN=Root A", u"01") + u"</a>\n" + note +
      u"</td>\n"
      u"<td class=\"col_data\" width=\"10%\"><a "
      u"href=\"self.location=URL_UNINSTALLCERT_1028_0\">Uninstall</a>\n";
  EXPECT_NE(markup.find(installedRow), std::u16string::npos)
      << std::string(markup.begin(), markup.end());
  const std::size_t partialRow = markup.find(u"<tr class=\"state_partial system_wide\">");
  ASSERT_NE(partialRow, std::u16string::npos);
  EXPECT_NE(markup.find(u"<img src=\"partial.png\"", partialRow), std::u16string::npos);
  EXPECT_LT(markup.find(u"Install completes it.", partialRow), markup.find(note, partialRow));
}

TEST(GroupMarkup, ExportOnlyGroupIgnoresInstalledStateAndNames) {
  // Bit 0x40 is clear in 131104: DNS names are not shown there.
  const std::vector<TRDNAttr> names{TRDNAttr(u"3", u"tsa.oberit.example", 0)};
  const std::u16string markup = Markup(
      CERTGROUP_TSA_TEST, {MakeEntry(u"CN=T0", u"00", 1, names), MakeEntry(u"CN=T1", u"01", 0)});
  const std::u16string firstRow =
      u"<tr>\n"
      u"<td class=\"col_data\" width=\"90%\"><img src=\"blank100x100.png\" alt=\"\" "
      u"HEIGHT=\"12\" WIDTH=\"12\">\n"
      u"<a href=\"self.location=URL_SHOWCERT_131104_0\">" +
      Summary(u"CN=T0", u"00") +
      u"</a>\n"
      u"</td>\n"
      u"<td class=\"col_data\" width=\"10%\"><a "
      u"href=\"self.location=URL_EXPORT_131104_0\">Export</a>\n"
      u"</td>\n";
  EXPECT_NE(markup.find(firstRow), std::u16string::npos);
  EXPECT_NE(markup.find(u"URL_EXPORT_131104_1\">Export</a>"), std::u16string::npos);
  EXPECT_EQ(markup.find(u"ok.png"), std::u16string::npos);
  EXPECT_EQ(markup.find(u"nook.png"), std::u16string::npos);
  EXPECT_EQ(markup.find(u"tsa.oberit.example"), std::u16string::npos);
  EXPECT_EQ(LineCount(markup), 5u + 6u * 2u);
}

TEST(GroupMarkup, WebGroupShowsOnlyDnsNamesUnderTheSummary) {
  const std::vector<TRDNAttr> names{
      TRDNAttr(u"3", u"tsa.oberit.example", 0),          TRDNAttr(u"1", u"ops@oberit.example", 0),
      TRDNAttr(u"7", u"https://www.oberit.example/", 0), TRDNAttr(u"8", u"10.0.0.1", 0),
      TRDNAttr(u"3", u"www.tsa.oberit.example", 0),      TRDNAttr(u"33", u"not dns", 0)};
  const std::u16string markup =
      Markup(CERTGROUP_TSA_WEB_TEST,
             {MakeEntry(u"CN=W0", u"00", 0, names), MakeEntry(u"CN=W1", u"01", 0)});
  const std::u16string firstCell = u"<a href=\"self.location=URL_SHOWCERT_524384_0\">" +
                                   Summary(u"CN=W0", u"00") +
                                   u"</a>\n"
                                   u"<br>tsa.oberit.example, www.tsa.oberit.example\n"
                                   u"</td>\n";
  EXPECT_NE(markup.find(firstCell), std::u16string::npos);
  // The second certificate has no DNS names, so no names line.
  const std::u16string secondCell = u"<a href=\"self.location=URL_SHOWCERT_524384_1\">" +
                                    Summary(u"CN=W1", u"01") +
                                    u"</a>\n"
                                    u"</td>\n";
  EXPECT_NE(markup.find(secondCell), std::u16string::npos);
  EXPECT_EQ(LineCount(markup), 5u + 6u * 2u + 1u);
}

TEST(GroupMarkup, OnlyTheDevelopmentAndNbuGroupsStartHidden) {
  const std::vector<std::int32_t> allGroups{261,   516,   1028,   2052,   4100,   8200,   16392,
                                            32776, 65568, 131104, 262240, 524384, 4194368};
  for (const std::int32_t flags : allGroups) {
    const std::u16string markup = Markup(flags, {MakeEntry(u"CN=X", u"00", 0)});
    const std::string digits = std::to_string(flags);
    const std::u16string tableId = u"CERTTABLE_ID_" + std::u16string(digits.begin(), digits.end());
    const bool hidden = flags == 2052 || flags == 4100 || flags == 32776;
    const std::u16string tableOpen = u"<table class=\"basic\" width=\"100%\" id=\"" + tableId +
                                     u"\"" + (hidden ? u" style=\"display: none\"" : u"") + u">\n";
    EXPECT_NE(markup.find(tableOpen), std::u16string::npos) << "group " << flags;
  }
}

TEST(GroupMarkup, EntryNumberAppearsInBothLinksOfTheRow) {
  std::vector<CertEntry> entries;
  for (int i = 0; i < 6; ++i) {
    entries.push_back(MakeEntry(u"CN=I", u"00", 0));
  }
  const std::u16string markup = Markup(CERTGROUP_INTERMEDIATE_TEST, entries);
  EXPECT_NE(markup.find(u"URL_SHOWCERT_16392_2\""), std::u16string::npos);
  EXPECT_NE(markup.find(u"URL_INSTALLCERT_16392_2\""), std::u16string::npos);
  EXPECT_EQ(LineCount(markup), 5u + 6u * 6u);
  EXPECT_EQ(markup.back(), u'\n');
}

TEST(GroupMarkup, EmptyGroupsAndUnknownFlagsWriteNothing) {
  std::u16string out = u"before\n";
  EXPECT_FALSE(WriteGroupMarkup(CERTGROUP_ROOT_TEST, {}, out));
  for (const std::int32_t flags : {4, 64, 0, -1, 1029}) {
    EXPECT_FALSE(WriteGroupMarkup(flags, {MakeEntry(u"CN=X", u"00", 1)}, out)) << flags;
  }
  EXPECT_EQ(out, u"before\n");
}

TEST(GroupMarkup, CertificateTextsAreEscapedButOwnTextsAreNot) {
  const std::vector<TRDNAttr> names{TRDNAttr(u"3", u"<img src=x onerror=alert(1)>", 0)};
  const std::u16string markup =
      Markup(CERTGROUP_TSA_WEB_TEST,
             {MakeEntry(u"CN=<script>alert(\"x\")</script> & Co", u"\"00\"", 0, names)});
  EXPECT_EQ(markup.find(u"<script>"), std::u16string::npos);
  EXPECT_EQ(markup.find(u"<img src=x"), std::u16string::npos);
  EXPECT_NE(markup.find(u">CN=&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; "
                        u"Co&nbsp;,&nbsp;"),
            std::u16string::npos);
  EXPECT_NE(markup.find(u"&nbsp;,&nbsp;&quot;00&quot;</a>"), std::u16string::npos);
  EXPECT_NE(markup.find(u"<br>&lt;img src=x onerror=alert(1)&gt;\n"), std::u16string::npos);
  // The caption and the link text are the program's own and stay as they are.
  EXPECT_NE(markup.find(u">Web certificates of Test Time stamp authority</a></legend>"),
            std::u16string::npos);
  EXPECT_NE(markup.find(u"\">Export</a>"), std::u16string::npos);
}

TEST(GroupMarkup, NulInsideACertificateTextDoesNotCutTheMarkup) {
  const std::u16string subject(u"CN=A\0B", 6);
  const std::u16string markup = Markup(CERTGROUP_ROOT_TEST, {MakeEntry(subject, u"00", 0)});
  EXPECT_EQ(markup.find(u'\0'), std::u16string::npos);
  EXPECT_NE(markup.find(u"CN=A\uFFFDB"), std::u16string::npos);
}

TEST(CertificateRow, ShortFormsForNoNamesAndNoAction) {
  std::u16string out;
  WriteCertificateRow(u"S", u"", u"URL_SHOWCERT_1_0", u"ok.png", u"Ignored", u"", out);
  EXPECT_EQ(out,
            u"<tr>\n"
            u"<td class=\"col_data\" width=\"90%\"><img src=\"ok.png\" alt=\"\" HEIGHT=\"12\" "
            u"WIDTH=\"12\">\n"
            u"<a href=\"self.location=URL_SHOWCERT_1_0\">S</a>\n"
            u"</td>\n"
            u"<td class=\"col_data\" width=\"10%\">&nbsp;\n"
            u"</td>\n");
  out.clear();
  WriteCertificateRow(u"S", u"a, b", u"V", u"i.png", u"Go", u"C", out);
  EXPECT_EQ(out,
            u"<tr>\n"
            u"<td class=\"col_data\" width=\"90%\"><img src=\"i.png\" alt=\"\" HEIGHT=\"12\" "
            u"WIDTH=\"12\">\n"
            u"<a href=\"self.location=V\">S</a>\n"
            u"<br>a, b\n"
            u"</td>\n"
            u"<td class=\"col_data\" width=\"10%\"><a href=\"self.location=C\">Go</a>\n"
            u"</td>\n");
}

}  // namespace
