#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/utf8_text.h"

namespace platform {
namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr std::size_t kNameRoom = 200;

bool FailWithErrno(int error) {
  SetLastError(ErrorFromErrno(error));
  return false;
}

// The process's file-creation mask, read without changing it (umask() would, for every thread).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
  }
  return 022;
}

// The file that really gets replaced: a symbolic link is followed to its target, as opening the
// link for writing would, instead of being replaced by a regular file.
std::string ResolveTarget(const std::string& path) {
  struct stat linkInfo {};
  if (lstat(path.c_str(), &linkInfo) != 0 || !S_ISLNK(linkInfo.st_mode)) {
    return path;
  }
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The temporary file beside the target; removed again unless Release() was called after the
// rename made it the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    // Cut a long name so that the temporary one stays within the length a name may have.
    const std::string name =
        (slash == std::string::npos ? target : target.substr(slash + 1)).substr(0, kNameRoom);
    path_ = folder + "." + name + ".XXXXXX";
    fd_ = mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) {
      error_ = errno;
      path_.clear();
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) {
      close(fd_);
    }
    if (!path_.empty()) {
      unlink(path_.c_str());
    }
  }

  int fd() const { return fd_; }
  int error() const { return error_; }
  const std::string& path() const { return path_; }

  // Closes the file, reporting the errors a close can reveal (such as a full disk).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
      error_ = errno;
      return false;
    }
    return true;
  }
  void Release() { path_.clear(); }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
};

int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return 0;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

bool WriteFileReplacing(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  if (path.empty() || bytes.empty()) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  const std::optional<std::string> utf8Path = linux_utf8::ToUtf8(path);
  if (!utf8Path || utf8Path->find('\0') != std::string::npos) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  const std::string target = ResolveTarget(*utf8Path);

  // A replaced file keeps its permission bits; a new one gets the usual ones for documents.
  mode_t mode = kNewFileMode & ~CurrentUmask();
  struct stat targetInfo {};
  if (stat(target.c_str(), &targetInfo) == 0) {
    if (S_ISDIR(targetInfo.st_mode)) {
      return FailWithErrno(EISDIR);
    }
    mode = targetInfo.st_mode & 07777;
  }

  TemporaryFile temporary(target);
  if (temporary.fd() < 0) {
    return FailWithErrno(temporary.error());
  }
  if (fchmod(temporary.fd(), mode) != 0) {
    return FailWithErrno(errno);
  }
  if (const int error = WriteAll(temporary.fd(), bytes); error != 0) {
    return FailWithErrno(error);
  }
  if (fsync(temporary.fd()) != 0) {
    return FailWithErrno(errno);
  }
  if (!temporary.Close()) {
    return FailWithErrno(temporary.error());
  }
  if (rename(temporary.path().c_str(), target.c_str()) != 0) {
    return FailWithErrno(errno);
  }
  temporary.Release();
  SyncFolder(FolderOf(target));
  return true;
}

std::u16string GetCurrentDir() {
  std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
  if (!folder) {
    return {};
  }
  return linux_utf8::ToUtf16(folder.get()).value_or(std::u16string());
}

bool SetCurrentDir(const std::u16string& path) {
  const std::optional<std::string> utf8Path = linux_utf8::ToUtf8(path);
  if (!utf8Path || utf8Path->empty()) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  if (chdir(utf8Path->c_str()) != 0) {
    return FailWithErrno(errno);
  }
  return true;
}

}  // namespace platform
