#include "app/messages.h"

#include <gtest/gtest.h>
#include <secerr.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/ui_services.h"
#include "res/string_table.h"
#include "shell_fakes.h"
#include "tests/support/scoped_ui.h"

namespace {

TEST(StringTable, HoldsTheTextsExactly) {
  EXPECT_EQ(LoadResourceString(strings::kFrameTitle),
            u"Oberit Corvane\n\nCorvane\n\n\nCorvane.Document\nCorvane.Document");
  EXPECT_EQ(LoadResourceString(strings::kConfirmDelete),
            u"Are you sure you want to delete the certificate?\n\nSubject:\n%s\nIssuer:\n%s\n"
            u"Serial number: %s\nStore: %s");
  EXPECT_EQ(LoadResourceString(strings::kCannotSave), u"Cannot save certificate to filename %s");
  EXPECT_EQ(LoadResourceString(57680),
            u"Trusted root. Oberit certificates - Windows root certificate program member");
  // The error texts word their first words for the platform; the table keeps its own.
  EXPECT_EQ(LoadResourceString(strings::kWindowsError), u"Windows error");
  for (const std::uint32_t missing : {0u, 1u, 57348u, 57664u, 57693u, 0xFFFFFFFFu}) {
    EXPECT_EQ(LoadResourceString(missing), u"") << missing;
  }
}

TEST(StringTable, LoadingLeavesTheLastErrorAlone) {
  platform::SetLastError(platform::kCryptENotFound);
  LoadResourceString(strings::kCannotDelete);
  LoadResourceString(12345);
  FormatResourceString(strings::kCannotEnroll, u"subject");
  EXPECT_EQ(platform::GetLastError(), platform::kCryptENotFound);
}

TEST(FormatResourceString, PutsTheArgumentsInPlace) {
  EXPECT_EQ(FormatResourceString(strings::kCannotEnroll, u"CN=Test Root"),
            u"Cannot enroll certificate\nCN=Test Root");
  EXPECT_EQ(FormatResourceString(strings::kConfirmDelete, u"S", u"I", u"0A", u"Trusted"),
            u"Are you sure you want to delete the certificate?\n\nSubject:\nS\nIssuer:\nI\n"
            u"Serial number: 0A\nStore: Trusted");
  // An argument is inserted as it stands, never read as a format itself.
  EXPECT_EQ(FormatResourceString(strings::kCannotEnroll, u"%s %% %d"),
            u"Cannot enroll certificate\n%s %% %d");
}

TEST(FormatResourceString, GivesNothingForAMissingFormatAndEmptyForMissingArguments) {
  EXPECT_EQ(FormatResourceString(4711, u"ignored"), u"");
  EXPECT_EQ(FormatResourceString(strings::kConfirmDelete, u"S"),
            u"Are you sure you want to delete the certificate?\n\nSubject:\nS\nIssuer:\n\n"
            u"Serial number: \nStore: ");
  EXPECT_EQ(FormatResourceString(strings::kSavedToFile), u"Certificate was saved to filename ");
}

TEST(FormatText, TreatsPercentSequences) {
  const std::vector<std::u16string_view> args{u"a", u"b"};
  EXPECT_EQ(FormatText(u"100%% %s%d%s% %", args), u"100% a%db% %");
  EXPECT_EQ(FormatText(u"ends with %", args), u"ends with %");
}

TEST(FormatText, CutsLongOutputAt1022Characters) {
  const std::u16string longSubject(3000, u'x');
  const std::u16string text = FormatResourceString(strings::kCannotEnroll, longSubject);
  ASSERT_EQ(text.size(), kMaxFormattedLength);
  EXPECT_EQ(text.substr(0, 26), u"Cannot enroll certificate\n");
  EXPECT_EQ(text.find_first_not_of(u'x', 26), std::u16string::npos);

  // Exactly 1022 characters stay whole.
  const std::u16string fits(kMaxFormattedLength - 26, u'y');
  EXPECT_EQ(FormatResourceString(strings::kCannotEnroll, fits).size(), kMaxFormattedLength);
}

TEST(FormatText, NeverCutsASurrogatePairInHalf) {
  // 1021 plain characters, then pairs: the cut would fall between the halves of the first pair.
  std::u16string argument(1021, u'x');
  for (int i = 0; i < 10; ++i) {
    argument += u"\U0001F512";
  }
  const std::vector<std::u16string_view> args{argument};
  const std::u16string text = FormatText(u"%s", args);
  EXPECT_EQ(text, std::u16string(1021, u'x'));

  // One plain character fewer: the whole first pair fits.
  const std::u16string shorter = argument.substr(1);
  const std::vector<std::u16string_view> shorterArgs{shorter};
  EXPECT_EQ(FormatText(u"%s", shorterArgs), std::u16string(1020, u'x') + u"\U0001F512");
}

TEST(ErrorCodeText, NamesTheCodeAndTheSystemText) {
  EXPECT_EQ(ErrorCodeText(0), u"");
  EXPECT_EQ(ErrorCodeText(platform::kErrorCancelled),
            u"System error: 0x000004C7 (1223)- The operation was canceled by the user.\r\n");
  EXPECT_EQ(ErrorCodeText(platform::kCryptENotFound),
            u"System error: 0x80092004 (2148081668)- Cannot find object or property.\r\n");
  EXPECT_EQ(ErrorCodeText(platform::kErrorAccessDenied),
            u"System error: 0x00000005 (5)- Access is denied.\r\n");
  // No text known: the text ends after the parenthesis.
  EXPECT_EQ(ErrorCodeText(0x1234ABCD), u"System error: 0x1234ABCD (305441741)");
  EXPECT_EQ(ErrorCodeText(0xFFFFFFFF), u"System error: 0xFFFFFFFF (4294967295)");
}

TEST(ErrorCodeText, UsesTheLibraryTextsOfNssAndErrnoCodes) {
  const std::u16string nss = ErrorCodeText(platform::ErrorFromNss(SEC_ERROR_BAD_DATABASE));
  EXPECT_EQ(nss, u"System error: 0xFFFFE012 (4294959122)- security library: bad database.\r\n");
  EXPECT_EQ(ErrorCodeText(platform::ErrorFromErrno(ENOENT)),
            u"System error: 0x20000002 (536870914)- No such file or directory\r\n");
  EXPECT_EQ(ErrorCodeText(platform::ErrorFromErrno(0xFFFF)),
            u"System error: 0x2000FFFF (536936447)");
}

TEST(ErrorCodeText, LastErrorTextDescribesTheThreadsCodeAndKeepsIt) {
  platform::SetLastError(platform::kErrorCancelled);
  EXPECT_EQ(LastErrorText(), ErrorCodeText(platform::kErrorCancelled));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorCancelled);
  platform::SetLastError(0);
  EXPECT_EQ(LastErrorText(), u"");
}

TEST(AppBaseName, TakesTheFileNameAndCutsExe) {
  EXPECT_EQ(BaseNameOfPath(u"/opt/tools/prog.exe"), u"prog");
  EXPECT_EQ(BaseNameOfPath(u"/opt/tools/PROG.EXE"), u"PROG.EXE");
  EXPECT_EQ(BaseNameOfPath(u"/opt/tools/a.exe.exe"), u"a.exe");
  EXPECT_EQ(BaseNameOfPath(u"/opt/to.exe/corvane"), u"corvane");
  EXPECT_EQ(BaseNameOfPath(u"prog.exe"), u"");
  EXPECT_EQ(BaseNameOfPath(u"/opt/tools/"), u"");
  EXPECT_EQ(BaseNameOfPath(u""), u"");
}

TEST(AppBaseName, IsTheRunningExecutablesName) {
  const std::u16string path = GetModulePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), u'/');
  EXPECT_EQ(AppBaseName(), u"corvane_unit_tests");
}

TEST(MessageBoxes, UseTheirStylesAndTheProgramsCaption) {
  shell_fakes::FakeUi ui;
  ui.answers = {platform::kIdYes, platform::kIdNo};
  {
    const corvane_test::ScopedUi installed(&ui);
    EXPECT_EQ(ShowInfo(u"info"), platform::kIdYes);
    EXPECT_EQ(AskQuestion(u"question"), platform::kIdNo);
    ShowError(u"error");
  }

  ASSERT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(ui.boxes[0].text, u"info");
  EXPECT_EQ(ui.boxes[0].style, 0x40u);
  EXPECT_EQ(ui.boxes[1].style, 0x33u);
  EXPECT_EQ(ui.boxes[2].style, 0x10u);
  for (const auto& box : ui.boxes) {
    EXPECT_EQ(box.caption, u"corvane_unit_tests");
  }
}

TEST(MessageBoxes, AnswerCancelWithoutAUserInterface) {
  const corvane_test::ScopedUi none(nullptr);
  EXPECT_EQ(ShowMessage(u"nobody sees this", 0x40), platform::kIdCancel);
  EXPECT_EQ(AskQuestion(u"delete?"), platform::kIdCancel);
}

}  // namespace
