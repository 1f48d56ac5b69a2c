#include "platform/linux/change_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace platform::nss {
namespace {

constexpr const char* kHeader = "corvane-change 1";
// A certificate of the catalogue is a few KiB; anything much larger was not written by Corvane.
constexpr std::size_t kMaxJournalSize = 1 << 20;

std::string PathIn(const std::string& dir) {
  return dir + "/" + kJournalFileName;
}

std::string HexOf(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

std::optional<Bytes> BytesOfHex(const std::string& hex) {
  const auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') {
      return c - '0';
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  if (hex.size() % 2 != 0) {
    return std::nullopt;
  }
  Bytes bytes;
  for (std::size_t index = 0; index < hex.size(); index += 2) {
    const int high = value(hex[index]);
    const int low = value(hex[index + 1]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return bytes;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count <= 0) {
      return false;
    }
    written += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace

bool WriteJournal(const std::string& dir, const JournalEntry& entry) {
  std::ostringstream text;
  text << kHeader << '\n'
       << (entry.kind == JournalEntry::Kind::kAdd ? "add" : "remove") << ' ' << entry.storeName
       << ' ' << entry.disposition << '\n'
       << HexOf(entry.certificate) << '\n';
  // Written beside its place and renamed over it, so that a journal is never found half written.
  const std::string path = PathIn(dir);
  const std::string temporary = path + ".new";
  ::unlink(temporary.c_str());
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  const bool written = WriteAll(fd, text.str()) && ::fsync(fd) == 0;
  const int writeError = errno;
  ::close(fd);
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    SetLastError(ErrorFromErrno(written ? errno : writeError));
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  if (const int folder = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

bool HasJournal(const std::string& dir) {
  struct stat info {};
  return ::lstat(PathIn(dir).c_str(), &info) == 0;
}

std::optional<JournalEntry> ReadJournal(const std::string& dir) {
  const int fd = ::open(PathIn(dir).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    return std::nullopt;
  }
  struct stat info {};
  std::string content;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::size_t>(info.st_size) <= kMaxJournalSize) {
    content.resize(static_cast<std::size_t>(info.st_size));
    const ssize_t count = ::pread(fd, content.data(), content.size(), 0);
    content.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  }
  ::close(fd);

  std::istringstream lines(content);
  std::string header;
  std::string kind;
  JournalEntry entry;
  std::string hex;
  if (!std::getline(lines, header) || header != kHeader ||
      !(lines >> kind >> entry.storeName >> entry.disposition >> hex) ||
      (kind != "add" && kind != "remove")) {
    return std::nullopt;
  }
  entry.kind = kind == "add" ? JournalEntry::Kind::kAdd : JournalEntry::Kind::kRemove;
  std::optional<Bytes> certificate = BytesOfHex(hex);
  if (!certificate || certificate->empty()) {
    return std::nullopt;
  }
  entry.certificate = std::move(*certificate);
  return entry;
}

void RemoveJournal(const std::string& dir) {
  ::unlink(PathIn(dir).c_str());
}

}  // namespace platform::nss
