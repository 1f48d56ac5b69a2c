#include "platform/linux/system_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <span>
#include <system_error>

#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/linux/utf8_text.h"
#include "platform/system_error_text.h"

namespace platform::linux_trust {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;
constexpr mode_t kSystemFileMode = 0644;
constexpr mode_t kSystemFolderMode = 0755;

std::string CodeProblem(const fs::path& path, std::uint32_t code) {
  std::string text = linux_utf8::ToUtf8(SystemErrorText(code));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  return path.string() + ": " + (text.empty() ? "error " + std::to_string(code) : text);
}

}  // namespace

std::string ErrnoProblem(const fs::path& path, int error) {
  return CodeProblem(path, ErrorFromErrno(error));
}

FileRead ReadSystemFile(const fs::path& path) {
  FileRead read;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      read.exists = true;
      read.problem = ErrnoProblem(path, errno);
    }
    return read;
  }
  read.exists = true;
  const auto bytes = ReadFileBounded(path, kMaxFileBytes);
  if (!bytes) {
    read.problem = CodeProblem(path, GetLastError());
    return read;
  }
  read.content.assign(bytes->begin(), bytes->end());
  return read;
}

std::string WriteSystemFile(const fs::path& path, std::string_view content) {
  struct stat info {};
  const bool isNew = lstat(path.c_str(), &info) != 0 && errno == ENOENT;
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
  if (!SaveToFile(linux_utf8::FileNameToUtf16(path.string()), bytes)) {
    return CodeProblem(path, GetLastError());
  }
  // SaveToFile gives a new file the usual mode less the creation mask; a file every program of
  // every user must read may not depend on the administrator's mask.
  if (isNew && chmod(path.c_str(), kSystemFileMode) != 0) {
    return ErrnoProblem(path, errno);
  }
  return {};
}

std::string RemoveSystemFile(const fs::path& path) {
  if (unlink(path.c_str()) != 0 && errno != ENOENT) {
    return ErrnoProblem(path, errno);
  }
  return {};
}

std::string MakeSystemFolder(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) {
    return {};
  }
  if (path.has_parent_path() && path.parent_path() != path) {
    if (std::string problem = MakeSystemFolder(path.parent_path()); !problem.empty()) {
      return problem;
    }
  }
  if (mkdir(path.c_str(), kSystemFolderMode) != 0) {
    return errno == EEXIST ? std::string() : ErrnoProblem(path, errno);
  }
  if (chmod(path.c_str(), kSystemFolderMode) != 0) {
    return ErrnoProblem(path, errno);
  }
  return {};
}

void RemoveFolderIfEmpty(const fs::path& path) {
  static_cast<void>(rmdir(path.c_str()));  // fails, as wanted, when something is left in it
}

}  // namespace platform::linux_trust
