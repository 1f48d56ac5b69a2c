// The system's message text of an error code (FormatMessageW).
#include "platform/system_error_text.h"

#include "platform/windows/win_api.h"

namespace platform {

std::u16string SystemErrorText(std::uint32_t code) {
  const DWORD savedError = ::GetLastError();
  wchar_t* buffer = nullptr;
  // The lookup has no values for insertion sequences such as %1: they stay as they are written.
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer),
      0, nullptr);
  const windows::LocalPtr<wchar_t> owner(buffer);
  std::u16string text;
  if (length != 0 && buffer != nullptr) {
    text = windows::TextOf(buffer, length);
  }
  ::SetLastError(savedError);
  return text;
}

}  // namespace platform
