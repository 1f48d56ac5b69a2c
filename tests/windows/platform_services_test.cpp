// The Windows implementation of the smaller platform services: system error texts, files, the
// module path, local time, password files.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/messages.h"
#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/local_time.h"
#include "platform/system_error_text.h"
#include "platform/terminal_password.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::span<const std::uint8_t> BytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(WindowsErrorTexts, AreTheSystemsTextsAndKeepTheLastError) {
  platform::SetLastError(1234);
  const std::u16string cancelled = platform::SystemErrorText(platform::kErrorCancelled);
  EXPECT_EQ(platform::GetLastError(), 1234u);
  ASSERT_GT(cancelled.size(), 2u);
  EXPECT_TRUE(cancelled.ends_with(u"\r\n"));
  EXPECT_EQ(ErrorCodeText(platform::kErrorCancelled),
            u"Windows error: 0x000004C7 (1223)- " + cancelled);
  // No text for the code: the text ends after the parenthesis.
  EXPECT_EQ(ErrorCodeText(0x1234ABCD), u"Windows error: 0x1234ABCD (305441741)");
}

TEST(WindowsFiles, ReplaceWholeAndLeaveNothingBehind) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "corvane files";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::filesystem::path target = folder / "čeština.cer";
  const std::u16string path = target.u16string();

  ASSERT_TRUE(platform::SaveToFile(path, BytesOf("a longer first content\n")));
  ASSERT_TRUE(platform::SaveToFile(path, BytesOf("second\n")));
  EXPECT_EQ(ReadFile(target), "second\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            1);

  // A folder in the way, and a folder that does not exist: the code says why, nothing is made.
  EXPECT_FALSE(platform::SaveToFile(folder.u16string(), BytesOf("x")));
  EXPECT_NE(platform::GetLastError(), 0u);
  EXPECT_FALSE(platform::SaveToFile((folder / "missing" / "a.cer").u16string(), BytesOf("x")));
  EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(platform::SaveToFile(path, {}));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(ReadFile(target), "second\n");
  std::filesystem::remove_all(folder);
}

TEST(WindowsPasswordFile, GivesTheFirstLineWithoutItsLineEnd) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "corvane password";
  const auto read = [&](const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
    return platform::ReadPasswordFile(file.u16string());
  };
  std::optional<platform::SecretText> password = read("s3cr\xc3\xa9t\r\nsecond line\r\n");
  ASSERT_TRUE(password);
  EXPECT_STREQ(password->c_str(), "s3cr\xc3\xa9t");
  password = read("");
  ASSERT_TRUE(password);
  EXPECT_TRUE(password->empty());
  std::filesystem::remove(file);
  EXPECT_FALSE(platform::ReadPasswordFile(file.u16string()));
  EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST(WindowsModulePath, NamesTheRunningExecutable) {
  EXPECT_EQ(AppBaseName(), u"corvane_windows_tests");
  EXPECT_TRUE(GetModulePath().ends_with(u"\\corvane_windows_tests.exe"));
}

TEST(WindowsLocalTime, WritesDateAndTimeWithinTheRange) {
  const platform::LocalDateTimeText text = platform::FormatLocalInstant(1'700'000'000);
  EXPECT_NE(text.date.find(u"2023"), std::u16string::npos);
  EXPECT_EQ(std::count(text.time.begin(), text.time.end(), u':'), 2);
  EXPECT_TRUE(platform::FormatLocalInstant(253402300800).date.empty());
}

}  // namespace
