#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/file_descriptor.h"
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

// The absolute path of an existing file with every symbolic link resolved: the file that really
// gets replaced, while the links that lead to it stay.
std::optional<std::string> RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) {
    return std::nullopt;
  }
  return std::string(resolved.get());
}

using linux_fd::FileDescriptor;

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

// The temporary-file-and-rename way, for a new file (existing is none) or an existing regular
// file at its resolved path.
bool ReplaceRegularFile(const std::string& target, const struct stat* existing,
                        std::span<const std::uint8_t> bytes) {
  // A replaced file keeps its permission bits; a new one gets the usual ones for documents.
  const mode_t mode =
      existing != nullptr ? existing->st_mode & 07777 : kNewFileMode & ~CurrentUmask();
  TemporaryFile temporary(target);
  if (temporary.fd() < 0) {
    return FailWithErrno(temporary.error());
  }
  if (existing != nullptr && (existing->st_uid != geteuid() || existing->st_gid != getegid())) {
    // Keeps the owner when the user may give the file away (the superuser replacing another
    // user's file); otherwise the file belongs to its writer, as any newly written file does.
    [[maybe_unused]] const int ignored = fchown(temporary.fd(), existing->st_uid, existing->st_gid);
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

// A device, FIFO or socket is written where it is: replacing it with a file would break it for
// everything else that uses it.
bool WriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes) {
  FileDescriptor file(open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    return FailWithErrno(errno);
  }
  if (const int error = WriteAll(file.get(), bytes); error != 0) {
    return FailWithErrno(error);
  }
  if (const int error = file.Close(); error != 0) {
    return FailWithErrno(error);
  }
  return true;
}

}  // namespace

bool SaveToFile(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  if (path.empty() || bytes.empty()) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  const std::optional<std::string> utf8Path = linux_utf8::FileNameToUtf8(path);
  if (!utf8Path || utf8Path->find('\0') != std::string::npos) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  const std::string& name = *utf8Path;

  struct stat info {};
  if (stat(name.c_str(), &info) != 0) {
    const int error = errno;
    struct stat linkInfo {};
    if (error != ENOENT || lstat(name.c_str(), &linkInfo) == 0) {
      // Also a symbolic link that leads nowhere: replacing it would destroy the link.
      return FailWithErrno(error);
    }
    return ReplaceRegularFile(name, nullptr, bytes);
  }
  if (S_ISDIR(info.st_mode)) {
    return FailWithErrno(EISDIR);
  }
  if (S_ISBLK(info.st_mode)) {
    // Writing a certificate over the start of a disk destroys it as surely as replacing it.
    return FailWithErrno(ENOTSUP);
  }
  if (!S_ISREG(info.st_mode)) {
    return WriteInPlace(name, bytes);
  }
  // A file the user may not write is not silently replaced just because its folder is writable.
  if (faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0) {
    return FailWithErrno(errno);
  }
  const std::optional<std::string> target = RealPath(name);
  if (!target) {
    return FailWithErrno(errno);
  }
  return ReplaceRegularFile(*target, &info, bytes);
}

bool WriteStandardOutput(std::span<const std::uint8_t> bytes) {
  if (const int error = WriteAll(STDOUT_FILENO, bytes); error != 0) {
    return FailWithErrno(error);
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> ReadFileBounded(const std::filesystem::path& path,
                                                         std::size_t maxBytes) {
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    FailWithErrno(errno);
    return std::nullopt;
  }
  constexpr std::size_t kChunk = 64 * 1024;
  std::vector<std::uint8_t> content;
  for (;;) {
    const std::size_t used = content.size();
    // Never ask for more than one byte beyond the limit, so an endless input stops there.
    const std::size_t room = std::min(kChunk, maxBytes + 1 - used);
    content.resize(used + room);
    const ssize_t got = read(file.get(), content.data() + used, room);
    if (got < 0) {
      content.resize(used);
      if (errno == EINTR) {
        continue;
      }
      FailWithErrno(errno);
      return std::nullopt;
    }
    content.resize(used + static_cast<std::size_t>(got));
    if (got == 0) {
      return content;
    }
    if (content.size() > maxBytes) {
      FailWithErrno(EFBIG);
      return std::nullopt;
    }
  }
}

std::u16string GetCurrentDir() {
  std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
  if (!folder) {
    return {};
  }
  return linux_utf8::FileNameToUtf16(folder.get());
}

bool SetCurrentDir(const std::u16string& path) {
  const std::optional<std::string> utf8Path = linux_utf8::FileNameToUtf8(path);
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
