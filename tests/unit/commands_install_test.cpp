// The install and uninstall commands against a throw-away certificate database.
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "app/messages.h"
#include "commands_fixture.h"
#include "platform/error_codes.h"
#include "res/string_table.h"

namespace commands_test {
namespace {

std::u16string ExpectedQuestion(const TCertDetails& record, std::uint32_t storeTitleId) {
  return u"Are you sure you want to delete the certificate?\n\nSubject:\n" + record.subjectDN +
         u"\nIssuer:\n" + record.issuerDN + u"\nSerial number: " + record.serialNumber +
         u"\nStore: " + LoadResourceString(storeTitleId);
}

class InstallCommand : public CommandsTest {};

TEST_F(InstallCommand, PutsEachCertificateIntoItsGroupsStoreWithThatStoresTrust) {
  OpenFrame();
  const TCertDetails root = Entry(kRootGroup, 1).record;
  const TCertDetails intermediate = Entry(kIntermediateGroup, 2).record;
  ASSERT_EQ(Entry(kRootGroup, 1).installed, 0);

  EXPECT_TRUE(frame_->InstallUninstall(Number(kRootGroup, 1), true));
  EXPECT_EQ(TakeReloads(), 1u);
  EXPECT_EQ(Entry(kRootGroup, 1).installed, 1);  // the reloaded catalogue sees it
  EXPECT_EQ(Entry(kRootGroup, 0).installed, 0);

  EXPECT_TRUE(frame_->InstallUninstall(Number(kIntermediateGroup, 2), true));
  EXPECT_EQ(TakeReloads(), 1u);
  EXPECT_EQ(Entry(kIntermediateGroup, 2).installed, 1);
  EXPECT_TRUE(ui_.boxes.empty());

  EXPECT_TRUE(InStore(root, u"Root"));
  EXPECT_FALSE(InStore(root, u"CA"));
  EXPECT_TRUE(InStore(intermediate, u"CA"));
  EXPECT_FALSE(InStore(intermediate, u"Root"));

  // Another program reading the database sees both, the root trusted as an authority and the
  // intermediate without trust.
  const std::vector<corvane_test::CertutilEntry> listed = ListedByCertutil();
  ASSERT_EQ(listed.size(), 2u);
  std::vector<std::string> attributes;
  for (const corvane_test::CertutilEntry& entry : listed) {
    attributes.push_back(entry.trust);
  }
  std::sort(attributes.begin(), attributes.end());
  EXPECT_EQ(attributes, (std::vector<std::string>{",,", "CT,C,C"}));

  // Installing again replaces the copy: still one certificate, still a success.
  EXPECT_TRUE(frame_->InstallUninstall(Number(kRootGroup, 1), true));
  EXPECT_EQ(ListedByCertutil().size(), 2u);
}

TEST_F(InstallCommand, EntryNumbersNamingNoCertificateDoNothing) {
  OpenFrame();
  for (const std::u16string number :
       {u"", u"1028", u"1028_4", u"1028_9", u"1028_-1", u"9999_0", u"_0", u"x_y", u"1028 0"}) {
    EXPECT_FALSE(frame_->InstallUninstall(number, true)) << Narrow(number);
    EXPECT_FALSE(frame_->InstallUninstall(number, false)) << Narrow(number);
    EXPECT_FALSE(frame_->ShowCertificate(number)) << Narrow(number);
    EXPECT_FALSE(frame_->ExportCertificate(number)) << Narrow(number);
  }
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_TRUE(ui_.viewed.empty());
  EXPECT_TRUE(ui_.proposals.empty());
  EXPECT_EQ(TakeReloads(), 0u);
  // Nothing was added, so the database was not even created.
  EXPECT_FALSE(std::filesystem::exists(platform::UserCertDatabaseDir()));
}

TEST_F(InstallCommand, UnwritableDatabaseReportsTheFailureWithItsErrorTextAndReloadsNothing) {
  // Where the database would have to be created stands a file, so it cannot be made.
  std::filesystem::create_directories(home_ / ".local/share");
  std::ofstream(home_ / ".local/share/pki") << "not a folder";
  OpenFrame();
  const TCertDetails root = Entry(kRootGroup, 0).record;

  EXPECT_FALSE(frame_->InstallUninstall(Number(kRootGroup, 0), true));
  EXPECT_EQ(TakeReloads(), 0u);
  ASSERT_EQ(ui_.boxes.size(), 1u);
  const Box& box = ui_.boxes[0];
  EXPECT_EQ(box.style, kErrorStyle);
  const std::u16string head = u"Cannot enroll certificate\n" + root.subjectDN + u"\n\n";
  ASSERT_EQ(box.text.substr(0, head.size()), head);
  EXPECT_EQ(box.text.substr(head.size(), 16), u"System error: 0x") << Narrow(box.text);
  EXPECT_EQ(Entry(kRootGroup, 0).installed, 0);
}

TEST_F(InstallCommand, ReadOnlyDatabaseReportsTheFailure) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root writes through read-only permissions";
  }
  OpenFrame();
  ASSERT_TRUE(frame_->InstallUninstall(Number(kRootGroup, 0), true));
  platform::CloseUserCertDatabase();
  const std::filesystem::path database = platform::UserCertDatabaseDir();
  for (const auto& file : std::filesystem::directory_iterator(database)) {
    chmod(file.path().c_str(), 0400);
  }
  chmod(database.c_str(), 0500);
  TakeReloads();

  EXPECT_FALSE(frame_->InstallUninstall(Number(kRootGroup, 1), true));
  chmod(database.c_str(), 0700);
  EXPECT_EQ(TakeReloads(), 0u);
  ASSERT_EQ(ui_.boxes.size(), 1u);
  const std::u16string head = u"Cannot enroll certificate\n" +
                              Entry(kRootGroup, 1).record.subjectDN + u"\n\nSystem error: ";
  EXPECT_EQ(ui_.boxes[0].text.substr(0, head.size()), head);
}

// A database that cannot be read is not an empty one: the page comes with one error box per load
// that names the database and the reason, not one box per certificate.
TEST_F(InstallCommand, UnreadableDatabaseShowsOneErrorBoxPerLoad) {
  const std::string dir = platform::UserCertDatabaseDir();
  std::filesystem::create_directories(dir);
  ASSERT_TRUE(corvane_test::Certutil(dir, {"-N", "--empty-password"}));
  std::filesystem::remove(dir + "/key4.db");
  OpenFrame();
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].style, kErrorStyle);
  EXPECT_EQ(ui_.boxes[0].text,
            u"Cannot read the certificate database Shared (Chromium, GNOME "
            u"programs) (" +
                ToWide(dir) + u")\n\n" + ErrorCodeText(platform::kErrorDatabaseIncomplete));
  EXPECT_EQ(Entry(kRootGroup, 0).installed, 0);

  frame_->ReloadCatalogue();
  EXPECT_EQ(ui_.boxes.size(), 2u);
  EXPECT_EQ(TakeReloads(), 1u);
}

class UninstallCommand : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    OpenFrame();
    ASSERT_TRUE(frame_->InstallUninstall(Number(kRootGroup, 2), true));
    record_ = Entry(kRootGroup, 2).record;
    TakeReloads();
  }
  TCertDetails record_;
};

TEST_F(UninstallCommand, DeclinedQuestionChangesNothing) {
  for (const int answer : {platform::kIdNo, platform::kIdCancel}) {
    ui_.boxes.clear();
    ui_.answers = {answer};
    EXPECT_FALSE(frame_->InstallUninstall(Number(kRootGroup, 2), false));
    ASSERT_EQ(ui_.boxes.size(), 1u) << answer;  // the question only
    EXPECT_EQ(ui_.boxes[0].style, kQuestionStyle);
    EXPECT_EQ(ui_.boxes[0].text, ExpectedQuestion(record_, strings::kStoreTitleRoot));
    EXPECT_EQ(TakeReloads(), 0u);
    EXPECT_TRUE(InStore(record_, u"Root"));
    EXPECT_EQ(Entry(kRootGroup, 2).installed, 1);
  }
}

TEST_F(UninstallCommand, ConfirmedQuestionDeletesAndReloads) {
  ui_.answers = {platform::kIdYes};
  EXPECT_TRUE(frame_->InstallUninstall(Number(kRootGroup, 2), false));
  EXPECT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(TakeReloads(), 1u);
  EXPECT_FALSE(InStore(record_, u"Root"));
  EXPECT_EQ(Entry(kRootGroup, 2).installed, 0);
  EXPECT_TRUE(ListedByCertutil().empty());
}

TEST_F(UninstallCommand, IntermediateQuestionNamesItsStore) {
  ASSERT_TRUE(frame_->InstallUninstall(Number(kIntermediateGroup, 0), true));
  const TCertDetails intermediate = Entry(kIntermediateGroup, 0).record;
  ui_.answers = {platform::kIdYes};
  EXPECT_TRUE(frame_->InstallUninstall(Number(kIntermediateGroup, 0), false));
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text, ExpectedQuestion(intermediate, strings::kStoreTitleCa));
  EXPECT_FALSE(InStore(intermediate, u"CA"));
  EXPECT_TRUE(InStore(record_, u"Root"));
}

TEST_F(UninstallCommand, CertificateRemovedByAnotherProgramReportsTheFailedSearch) {
  // Another process deletes the certificate after the page showed it as installed.
  const std::vector<corvane_test::CertutilEntry> listed = ListedByCertutil();
  ASSERT_EQ(listed.size(), 1u);
  ASSERT_TRUE(
      corvane_test::Certutil(platform::UserCertDatabaseDir(), {"-D", "-n", listed[0].nickname}));
  ASSERT_EQ(Entry(kRootGroup, 2).installed, 1);

  ui_.answers = {platform::kIdYes};
  EXPECT_FALSE(frame_->InstallUninstall(Number(kRootGroup, 2), false));
  EXPECT_EQ(TakeReloads(), 0u);
  ASSERT_EQ(ui_.boxes.size(), 2u);
  EXPECT_EQ(ui_.boxes[1].style, kErrorStyle);
  EXPECT_EQ(ui_.boxes[1].text, u"Cannot delete certificate from the store\n" + record_.subjectDN +
                                   u"\n\n" + ErrorCodeText(platform::kCryptENotFound));
}

}  // namespace
}  // namespace commands_test
