#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace fs = std::filesystem;

namespace {

class SaveToFileTest : public testing::Test {
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

TEST_F(SaveToFileTest, WritesTheBytesExactlyIntoANewFile) {
  umask(027);
  const fs::path target = folder_ / "Test Root - 0A1B.cer";
  ASSERT_TRUE(platform::SaveToFile(Wide(target), bytes_));
  EXPECT_EQ(Read(target), bytes_);
  EXPECT_EQ(Names(), std::vector<std::string>{"Test Root - 0A1B.cer"});
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SaveToFileTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions) {
  const fs::path target = folder_ / "old.cer";
  Write(target, std::string(5000, 'o'));
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  ASSERT_TRUE(platform::SaveToFile(Wide(target), bytes_));
  EXPECT_EQ(Read(target), bytes_);
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Names(), std::vector<std::string>{"old.cer"});
}

TEST_F(SaveToFileTest, WritesThroughASymbolicLink) {
  const fs::path real = folder_ / "real.cer";
  const fs::path link = folder_ / "link.cer";
  Write(real, "old");
  fs::create_symlink(real, link);
  ASSERT_TRUE(platform::SaveToFile(Wide(link), bytes_));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(real), bytes_);
}

TEST_F(SaveToFileTest, RefusesALinkToNothingAndAReadOnlyFile) {
  // Following the link could create a file anywhere; replacing it would lose the link.
  const fs::path dangling = folder_ / "dangling.cer";
  fs::create_symlink(folder_ / "nowhere" / "x.cer", dangling);
  EXPECT_FALSE(platform::SaveToFile(Wide(dangling), bytes_));
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_FALSE(fs::exists(folder_ / "nowhere"));

  // The superuser may write any file; the refusal is tested when the unprivileged run repeats
  // this test.
  if (geteuid() == 0) {
    GTEST_SKIP() << "the superuser may write a read-only file";
  }
  const fs::path readOnly = folder_ / "read-only.cer";
  Write(readOnly, "old");
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  platform::SetLastError(0);
  EXPECT_FALSE(platform::SaveToFile(Wide(readOnly), bytes_));
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(EACCES));
  EXPECT_EQ(Read(readOnly), std::vector<std::uint8_t>({'o', 'l', 'd'}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"dangling.cer", "read-only.cer"}));
}

// A FIFO and a terminal are written where they are, never replaced by a file.
TEST_F(SaveToFileTest, WritesAFifoAndATerminalInPlace) {
  const fs::path fifo = folder_ / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto received = std::async(std::launch::async, [&fifo] { return Read(fifo); });
  EXPECT_TRUE(platform::SaveToFile(Wide(fifo), bytes_));
  EXPECT_EQ(received.get(), bytes_);
  EXPECT_TRUE(fs::is_fifo(fifo));

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  termios raw{};
  ASSERT_EQ(tcgetattr(master, &raw), 0);
  cfmakeraw(&raw);
  ASSERT_EQ(tcsetattr(master, TCSANOW, &raw), 0);
  const fs::path terminal = folder_ / "terminal";
  fs::create_symlink(ptsname(master), terminal);
  EXPECT_TRUE(platform::SaveToFile(Wide(terminal), bytes_));
  std::vector<std::uint8_t> echoed(bytes_.size() + 1);
  const ssize_t got = read(master, echoed.data(), echoed.size());
  close(master);
  ASSERT_EQ(got, static_cast<ssize_t>(bytes_.size()));
  echoed.resize(bytes_.size());
  EXPECT_EQ(echoed, bytes_);
  EXPECT_TRUE(fs::is_symlink(terminal));
  EXPECT_EQ(Names(), (std::vector<std::string>{"pipe", "terminal"}));
}

// Device nodes of the kinds of /dev/null and /dev/full, made in the test's own folder.
TEST_F(SaveToFileTest, ADeviceStaysADeviceAndAFullOneIsAFailure) {
  const fs::path null = folder_ / "null";
  const fs::path full = folder_ / "full";
  if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
      mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "device nodes cannot be made here";
  }
  EXPECT_TRUE(platform::SaveToFile(Wide(null), bytes_));
  platform::SetLastError(0);
  EXPECT_FALSE(platform::SaveToFile(Wide(full), bytes_));
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(ENOSPC));
  EXPECT_TRUE(fs::is_character_file(null));
  EXPECT_TRUE(fs::is_character_file(full));
  EXPECT_EQ(Names(), (std::vector<std::string>{"full", "null"}));
}

TEST_F(SaveToFileTest, ReadsAtMostTheLimitEvenFromAnEndlessInput) {
  const fs::path exact = folder_ / "exact";
  Write(exact, std::string(100, 'x'));
  const auto whole = platform::ReadFileBounded(exact, 100);
  ASSERT_TRUE(whole.has_value());
  EXPECT_EQ(whole->size(), 100u);
  platform::SetLastError(0);
  EXPECT_FALSE(platform::ReadFileBounded(exact, 99).has_value());
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(EFBIG));

  // A writer that never stops: the read ends at the limit, and the writer then sees the pipe
  // closed.
  const fs::path fifo = folder_ / "endless";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&fifo] {
    std::signal(SIGPIPE, SIG_IGN);
    const int fd = open(fifo.c_str(), O_WRONLY);
    const std::vector<char> block(65536, 'z');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
  });
  EXPECT_FALSE(platform::ReadFileBounded(fifo, 1 << 20).has_value());
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(EFBIG));
  writer.join();

  EXPECT_FALSE(platform::ReadFileBounded(folder_ / "missing", 100).has_value());
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(ENOENT));
}

TEST_F(SaveToFileTest, RefusesAnEmptyPathOrNoBytesWithoutTouchingAnything) {
  const fs::path target = folder_ / "none.cer";
  platform::SetLastError(0);
  EXPECT_FALSE(platform::SaveToFile(u"", bytes_));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_FALSE(platform::SaveToFile(Wide(target), {}));
  EXPECT_TRUE(Names().empty());
}

TEST_F(SaveToFileTest, FailsCleanlyWhereNoFileCanBeWritten) {
  // A folder that does not exist.
  platform::SetLastError(0);
  EXPECT_FALSE(platform::SaveToFile(Wide(folder_ / "missing" / "a.cer"), bytes_));
  EXPECT_EQ(platform::GetLastError(), platform::ErrorFromErrno(ENOENT));

  // A folder in place of the file: it stays, and no temporary file is left beside it.
  fs::create_directory(folder_ / "taken.cer");
  EXPECT_FALSE(platform::SaveToFile(Wide(folder_ / "taken.cer"), bytes_));
  EXPECT_NE(platform::GetLastError(), 0u);
  EXPECT_TRUE(fs::is_directory(folder_ / "taken.cer"));
  EXPECT_EQ(Names(), std::vector<std::string>{"taken.cer"});
}

TEST_F(SaveToFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
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
  const bool written = platform::SaveToFile(Wide(target), large);
  const std::uint32_t error = platform::GetLastError();
  setrlimit(RLIMIT_FSIZE, &previous);

  EXPECT_FALSE(written);
  EXPECT_EQ(error, platform::ErrorFromErrno(EFBIG));
  const std::string old = "old content";
  EXPECT_EQ(Read(target), std::vector<std::uint8_t>(old.begin(), old.end()));
  EXPECT_EQ(Names(), std::vector<std::string>{"keep.cer"});
}

TEST_F(SaveToFileTest, CurrentDirectoryRoundTrip) {
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
