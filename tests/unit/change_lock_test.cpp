// The lock that Corvane's writers of one database take turns with is held on the database's
// folder: whatever stands where its mark file should be cannot make a writer go on unlocked.
#include "platform/linux/change_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "tests/support/store_test_home.h"

namespace {

namespace fs = std::filesystem;
using platform::ChangeLock;
using namespace std::chrono_literals;

TEST(ChangeLock, IsHeldOnTheFolderWhateverStandsAtTheMarkFile) {
  corvane_test::ScopedTestHome home;
  const std::string dir = home.Path() + "/db";
  const std::string mark = dir + "/" + ChangeLock::kFileName;
  // A link left in its place, a file another account made unreadable, a folder.
  const auto links = [&] { fs::create_symlink("/nonexistent/elsewhere", mark); };
  const auto sealed = [&] {
    corvane_test::WriteFile(mark, "");
    ::chmod(mark.c_str(), 0);
  };
  const auto folder = [&] { fs::create_directory(mark); };
  for (const std::function<void()>& prepare :
       std::vector<std::function<void()>>{links, sealed, folder}) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    prepare();
    std::optional<ChangeLock> first = ChangeLock::Acquire(dir, 100ms);
    ASSERT_TRUE(first);
    // A second writer (another open of the folder) waits and gives up: the lock is real.
    EXPECT_FALSE(ChangeLock::Acquire(dir, 50ms));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorDatabaseInUse);
    first.reset();
    EXPECT_TRUE(ChangeLock::Acquire(dir, 50ms));
  }
}

}  // namespace
