// The save dialog: GetSaveFileNameW over a 260-character buffer, proposing the name, listing
// *.cer files and asking before an existing file is replaced.
#include "platform/windows/gui/win_dialogs.h"
// commdlg.h needs the types of windows.h.
#include <cderr.h>
#include <commdlg.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/windows/win_api.h"

namespace platform {
namespace {

// The buffer the dialog fills: a path of at most 259 characters and its terminator.
constexpr std::size_t kPathBufferSize = 260;

// Description and pattern alike read "*.cer".
constexpr wchar_t kFilter[] = L"*.cer\0*.cer\0";

}  // namespace

std::optional<std::u16string> RunSaveDialog(HWND owner, const std::u16string& proposedName) {
  // The dialog must leave the current folder as it found it.
  const std::u16string folder = GetCurrentDir();
  std::wstring buffer(kPathBufferSize, L'\0');
  // A longer proposal is cut to what the buffer holds.
  const std::size_t proposedLength = std::min(proposedName.find(u'\0'), kPathBufferSize - 1);
  std::copy_n(proposedName.begin(), std::min(proposedLength, proposedName.size()), buffer.begin());

  bool confirmed = false;
  for (;;) {
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = kFilter;
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(kPathBufferSize);
    request.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_ENABLESIZING;
    if (::GetSaveFileNameW(&request)) {
      confirmed = true;
      break;
    }
    // A proposal the dialog does not accept: ask again without one.
    if (buffer[0] != L'\0' && ::CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
      buffer.assign(kPathBufferSize, L'\0');
      continue;
    }
    break;
  }
  if (!folder.empty()) {
    ::SetCurrentDirectoryW(windows::WideOf(folder));
  }
  if (!confirmed || buffer[0] == L'\0') {
    return std::nullopt;
  }
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.c_str()));
}

}  // namespace platform
