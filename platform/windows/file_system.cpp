// Files, the standard output and the current directory on Win32. A file is replaced by writing a
// temporary file beside it and moving that over the target once it is complete.
#include "platform/file_system.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/windows/win_api.h"

namespace platform {
namespace {

using windows::FileHandle;

// The folder part of a path with its separator, or nothing for a bare file name.
std::wstring FolderPrefix(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring FileName(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// A new, empty temporary file beside the target; removed again unless Keep() was called.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::wstring& target) {
    const std::wstring stem = FolderPrefix(target) + L"." + FileName(target).substr(0, 200) + L".";
    for (unsigned attempt = 0; attempt < 100 && !handle_; ++attempt) {
      path_ = stem + std::to_wstring(::GetCurrentProcessId()) + L"-" +
              std::to_wstring(::GetTickCount64() + attempt) + L".tmp";
      HANDLE handle = ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        handle_.reset(handle);
      } else if (::GetLastError() != ERROR_FILE_EXISTS) {
        break;
      }
    }
    if (!handle_) {
      error_ = ::GetLastError();
      path_.clear();
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    handle_.reset();
    if (!path_.empty()) {
      ::DeleteFileW(path_.c_str());
    }
  }

  HANDLE handle() const { return handle_.get(); }
  DWORD error() const { return error_; }
  const std::wstring& path() const { return path_; }
  bool Close() {
    HANDLE handle = handle_.release();
    if (!::CloseHandle(handle)) {
      error_ = ::GetLastError();
      return false;
    }
    return true;
  }
  void Keep() { path_.clear(); }

 private:
  std::wstring path_;
  FileHandle handle_;
  DWORD error_ = 0;
};

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

}  // namespace

bool SaveToFile(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  if (path.empty() || bytes.empty() || path.find(u'\0') != std::u16string::npos) {
    return Fail(kErrorInvalidParameter);
  }
  const std::wstring target(windows::WideOf(path), path.size());
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  // A file the user may not write is refused, not replaced.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }

  TemporaryFile temporary(target);
  if (temporary.handle() == nullptr) {
    return Fail(temporary.error());
  }
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(temporary.handle(), bytes.data(), chunk, &written, nullptr)) {
      return Fail(::GetLastError());
    }
    bytes = bytes.subspan(written);
  }
  if (!::FlushFileBuffers(temporary.handle())) {
    return Fail(::GetLastError());
  }
  if (!temporary.Close()) {
    return Fail(temporary.error());
  }
  if (!::MoveFileExW(temporary.path().c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return Fail(::GetLastError());
  }
  temporary.Keep();
  return true;
}

bool WriteStandardOutput(std::span<const std::uint8_t> bytes) {
  HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(output, bytes.data(), chunk, &written, nullptr)) {
      return Fail(::GetLastError());
    }
    bytes = bytes.subspan(written);
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> ReadFileBounded(const std::filesystem::path& path,
                                                         std::size_t maxBytes) {
  const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    Fail(::GetLastError());
    return std::nullopt;
  }
  std::vector<std::uint8_t> content;
  std::uint8_t buffer[65536];
  for (;;) {
    // At most one byte beyond the limit is read.
    const auto wanted =
        static_cast<DWORD>(std::min<std::size_t>(sizeof buffer, maxBytes + 1 - content.size()));
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer, wanted, &read, nullptr)) {
      Fail(::GetLastError());
      return std::nullopt;
    }
    if (read == 0) {
      return content;
    }
    content.insert(content.end(), buffer, buffer + read);
    if (content.size() > maxBytes) {
      Fail(ErrorFromErrno(EFBIG));
      return std::nullopt;
    }
  }
}

std::u16string GetCurrentDir() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) {
    return {};
  }
  std::wstring folder(size, L'\0');
  const DWORD length = ::GetCurrentDirectoryW(size, folder.data());
  if (length == 0 || length >= size) {
    return {};
  }
  return windows::TextOf(folder.c_str(), length);
}

bool SetCurrentDir(const std::u16string& path) {
  if (path.empty() || path.find(u'\0') != std::u16string::npos) {
    return Fail(kErrorInvalidParameter);
  }
  return ::SetCurrentDirectoryW(windows::WideOf(path)) != FALSE;
}

}  // namespace platform
