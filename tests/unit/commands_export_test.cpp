// The export command and its pieces: the proposed name, the save dialog keeping the current
// directory, the file's exact bytes, and failed saves that are reported and leave nothing broken.
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "app/export.h"
#include "app/messages.h"
#include "commands_fixture.h"
#include "platform/file_system.h"

namespace commands_test {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> FolderListing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::u16string Wide(const std::filesystem::path& path) {
  return ToWide(path.string());
}

TEST(RemoveFileNameChars, RemovesTheNineCharactersAndKeepsEverythingElse) {
  std::u16string text = u"a<b>c:d\"e/f\\g|h?i*j";
  RemoveFileNameChars(text);
  EXPECT_EQ(text, u"abcdefghij");

  std::u16string kept = u" \t\x01.x\u00E9\U0001F512. ";
  const std::u16string before = kept;
  RemoveFileNameChars(kept);
  EXPECT_EQ(kept, before);

  std::u16string only = u"<<>>**??";
  RemoveFileNameChars(only);
  EXPECT_EQ(only, u"");

  TCertDetails record;
  record.subjectName = u"A/B: C";
  record.serialNumber = u"0A1B";
  EXPECT_EQ(ProposedExportFileName(record), u"AB C - 0A1B.cer");
}

class ExportCommand : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    OpenFrame();
    folder_ = home_ / "exports";
    std::filesystem::create_directory(folder_);
  }
  const TCertDetails& Tsa() const { return Entry(kTsaGroup, 0).record; }

  std::filesystem::path folder_;
};

TEST_F(ExportCommand, WritesExactlyThePemTextAndConfirmsWithThePath) {
  const std::filesystem::path target = folder_ / "chosen name.cer";
  ui_.saveAnswer = Wide(target);

  EXPECT_FALSE(frame_->ExportCertificate(Number(kTsaGroup, 0)));  // its result is always false

  ASSERT_EQ(ui_.proposals.size(), 1u);
  EXPECT_EQ(ui_.proposals[0], ProposedExportFileName(Tsa()));
  const std::string bytes = ReadFile(target);
  EXPECT_EQ(bytes, Narrow(Tsa().pemText));
  EXPECT_EQ(bytes.rfind("-----BEGIN CERTIFICATE-----\n", 0), 0u);
  EXPECT_EQ(bytes.find('\r'), std::string::npos);
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].style, kInfoStyle);
  EXPECT_EQ(ui_.boxes[0].text, u"Certificate was saved to filename " + Wide(target));
  EXPECT_EQ(FolderListing(folder_), std::vector<std::string>{"chosen name.cer"});
  EXPECT_EQ(TakeReloads(), 0u);
}

TEST_F(ExportCommand, NameWithoutExtensionIsSavedAsItStands) {
  ui_.saveAnswer = Wide(folder_ / "plain");
  frame_->ExportCertificate(Number(kTsaGroup, 1));
  EXPECT_EQ(FolderListing(folder_), std::vector<std::string>{"plain"});
  EXPECT_EQ(ReadFile(folder_ / "plain"), Narrow(Entry(kTsaGroup, 1).record.pemText));
}

TEST_F(ExportCommand, CancelledDialogWritesAndShowsNothing) {
  ui_.saveAnswer.reset();
  frame_->ExportCertificate(Number(kTsaGroup, 0));
  ui_.saveAnswer = u"";
  frame_->ExportCertificate(Number(kTsaGroup, 0));
  EXPECT_EQ(ui_.proposals.size(), 2u);
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_TRUE(FolderListing(folder_).empty());
}

TEST_F(ExportCommand, CurrentDirectoryIsKeptWhateverTheDialogDoes) {
  const std::u16string before = platform::GetCurrentDir();
  ASSERT_FALSE(before.empty());
  // A dialog that moves the current directory while it is open.
  ui_.onSaveDialog = [this] { ASSERT_TRUE(platform::SetCurrentDir(Wide(folder_))); };

  ui_.saveAnswer = Wide(folder_ / "a.cer");
  frame_->ExportCertificate(Number(kTsaGroup, 0));
  EXPECT_EQ(platform::GetCurrentDir(), before);

  ui_.saveAnswer.reset();
  frame_->ExportCertificate(Number(kTsaGroup, 0));
  EXPECT_EQ(platform::GetCurrentDir(), before);
}

TEST_F(ExportCommand, FailedSaveIsReportedAndLeavesNoFile) {
  const std::filesystem::path target = folder_ / "missing" / "x.cer";
  ui_.saveAnswer = Wide(target);
  frame_->ExportCertificate(Number(kTsaGroup, 0));

  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].style, kErrorStyle);
  const std::u16string head = u"Cannot save certificate to filename " + Wide(target) + u"\n\n";
  ASSERT_EQ(ui_.boxes[0].text.substr(0, head.size()), head);
  EXPECT_EQ(ui_.boxes[0].text.substr(head.size(), 14), u"System error: ");
  EXPECT_TRUE(FolderListing(folder_).empty());
}

TEST_F(ExportCommand, FolderWithoutWriteAccessIsReportedAndLeavesNoFile) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root writes through read-only permissions";
  }
  std::filesystem::permissions(
      folder_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  ui_.saveAnswer = Wide(folder_ / "x.cer");
  frame_->ExportCertificate(Number(kTsaGroup, 0));
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text.rfind(u"Cannot save certificate to filename ", 0), 0u);
  EXPECT_TRUE(FolderListing(folder_).empty());
}

TEST_F(ExportCommand, ExistingFileSurvivesAFailedOverwrite) {
  const std::filesystem::path target = folder_ / "kept.cer";
  std::ofstream(target, std::ios::binary) << "the old content";
  ui_.saveAnswer = Wide(target);

  // Writes beyond 64 bytes fail (EFBIG) for this process, root included; the PEM text is longer.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  frame_->ExportCertificate(Number(kTsaGroup, 0));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(ReadFile(target), "the old content");
  EXPECT_EQ(FolderListing(folder_), std::vector<std::string>{"kept.cer"});
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].style, kErrorStyle);
  EXPECT_EQ(ui_.boxes[0].text.rfind(u"Cannot save certificate to filename " + Wide(target), 0), 0u);
}

TEST_F(ExportCommand, OverlongProposedNameIsCutForTheDialog) {
  // The dialog takes at most 259 characters; a cut never splits a surrogate pair.
  std::u16string path;
  std::u16string name(258, u'n');
  name += u"\U0001F512tail";
  AskSaveFileName(name, path);
  ASSERT_EQ(ui_.proposals.size(), 1u);
  EXPECT_EQ(ui_.proposals[0], std::u16string(258, u'n'));

  AskSaveFileName(std::nullopt, path);
  EXPECT_EQ(ui_.proposals[1], u"");
}

TEST(WriteBytesToFile, RefusesAnEmptyPathOrNoBytes) {
  const std::uint8_t byte = 'x';
  EXPECT_FALSE(WriteBytesToFile(u"", std::span<const std::uint8_t>(&byte, 1)));
  char pattern[] = "/tmp/corvane-write-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path target = std::filesystem::path(pattern) / "empty.cer";
  EXPECT_FALSE(WriteBytesToFile(ToWide(target.string()), {}));
  EXPECT_FALSE(std::filesystem::exists(target));
  std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace commands_test
