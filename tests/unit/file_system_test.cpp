#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace fs = std::filesystem;

namespace {

class WriteFileReplacingTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "corvane-fs-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::u16string Wide(const fs::path& path) {
    const std::string narrow = path.string();
    return std::u16string(narrow.begin(), narrow.end());  // the test paths are ASCII
  }
  static std::vector<std::uint8_t> Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
  const std::vector<std::uint8_t> bytes_{'-', '-', 0x00, 0xFF, '\r', '\n', 'A'};
};

TEST_F(WriteFileReplacingTest, WritesTheBytesExactlyIntoANewFile) {
  umask(027);
  const fs::path target = folder_ / "Test Root - 0A1B.cer";
  ASSERT_TRUE(platform::WriteFileReplacing(Wide(target), bytes_));
  EXPECT_EQ(Read(target), bytes_);
  EXPECT_EQ(Names(), std::vector<std::string>{"Test Root - 0A1B.cer"});
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(WriteFileReplacingTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions) {
  const fs::path target = folder_ / "old.cer";
  Write(target, std::string(5000, 'o'));
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  ASSERT_TRUE(platform::WriteFileReplacing(Wide(target), bytes_));
  EXPECT_EQ(Read(target), bytes_);
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Names(), std::vector<std::string>{"old.cer"});
}

TEST_F(WriteFileReplacingTest, WritesThroughASymbolicLink) {
  const fs::path real = folder_ / "real.cer";
  const fs::path link = folder_ / "link.cer";
  Write(real, "old");
  fs::create_symlink(real, link);
  ASSERT_TRUE(platform::WriteFileReplacing(Wide(link), bytes_));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(real), bytes_);
}

TEST_F(WriteFileReplacingTest, RefusesAnEmptyPathOrNoBytesWithoutTouchingAnything) {
  const fs::path target = folder_ / "none.cer";
  platform::SetLastError(0);
  EXPECT_FALSE(platform::WriteFileReplacing(u"", bytes_));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_FALSE(platform::WriteFileReplacing(Wide(target), {}));
  EXPECT_TRUE(Names().empty());
}

TEST_F(WriteFileReplacingTest, FailsCleanlyWhereNoFileCanBeWritten) {
  // A folder that does not exist.
  platform::SetLastError(0);
  EXPECT_FALSE(platform::WriteFileReplacing(Wide(folder_ / "missing" / "a.cer"), bytes_));
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(ENOENT));

  // A folder in place of the file: it stays, and no temporary file is left beside it.
  fs::create_directory(folder_ / "taken.cer");
  EXPECT_FALSE(platform::WriteFileReplacing(Wide(folder_ / "taken.cer"), bytes_));
  EXPECT_NE(platform::GetLastError(), 0u);
  EXPECT_TRUE(fs::is_directory(folder_ / "taken.cer"));
  EXPECT_EQ(Names(), std::vector<std::string>{"taken.cer"});
}

TEST_F(WriteFileReplacingTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path target = folder_ / "keep.cer";
  Write(target, "old content");
  // Make every write beyond 1 KiB fail (EFBIG) instead of killing the process.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  rlimit small = previous;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::vector<std::uint8_t> large(100000, 'x');
  const bool written = platform::WriteFileReplacing(Wide(target), large);
  const std::uint32_t error = platform::GetLastError();
  setrlimit(RLIMIT_FSIZE, &previous);

  EXPECT_FALSE(written);
  EXPECT_EQ(error, platform::ErrorFromErrno(EFBIG));
  const std::string old = "old content";
  EXPECT_EQ(Read(target), std::vector<std::uint8_t>(old.begin(), old.end()));
  EXPECT_EQ(Names(), std::vector<std::string>{"keep.cer"});
}

TEST_F(WriteFileReplacingTest, CurrentDirectoryRoundTrip) {
  const std::u16string before = platform::GetCurrentDir();
  ASSERT_FALSE(before.empty());
  const fs::path canonical = fs::canonical(folder_);
  ASSERT_TRUE(platform::SetCurrentDir(Wide(canonical)));
  EXPECT_EQ(platform::GetCurrentDir(), Wide(canonical));

  EXPECT_FALSE(platform::SetCurrentDir(Wide(canonical / "missing")));
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(ENOENT));
  EXPECT_EQ(platform::GetCurrentDir(), Wide(canonical));
  ASSERT_TRUE(platform::SetCurrentDir(before));
}

}  // namespace
