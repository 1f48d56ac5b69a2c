#include "platform/windows/gui/win_ui_services.h"

#include "platform/windows/gui/win_dialogs.h"

namespace platform {

int MessageBoxAnswer(int systemAnswer, std::uint32_t style) {
  if ((style & kMbButtonsMask) == kMbOk) {
    return kIdOk;
  }
  return systemAnswer == 0 ? kIdCancel : systemAnswer;
}

WinUiServices::WinUiServices(std::function<HWND()> ownerLookup)
    : ownerLookup_(std::move(ownerLookup)) {}

HWND WinUiServices::Owner() const {
  HWND owner = ownerLookup_ ? ownerLookup_() : nullptr;
  return owner != nullptr && ::IsWindow(owner) ? owner : nullptr;
}

int WinUiServices::ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                                  std::uint32_t style) {
  const int answer =
      ::MessageBoxW(::GetDesktopWindow(), reinterpret_cast<const wchar_t*>(text.c_str()),
                    reinterpret_cast<const wchar_t*>(caption.c_str()), style);
  return MessageBoxAnswer(answer, style);
}

std::optional<std::u16string> WinUiServices::AskSaveFileName(const std::u16string& proposedName) {
  return RunSaveDialog(Owner(), proposedName);
}

bool WinUiServices::ViewCertificate(const CertContext& context) {
  return RunCertificateViewer(Owner(), context);
}

// The system's certificate manager removes certificates itself, with the system's own checks.
bool WinUiServices::ShowCertificateStores(const StoreRemoval& /*remove*/) {
  return RunCertificateManager(Owner());
}

std::optional<SecretText> WinUiServices::AskDatabasePassword(const std::u16string& /*databaseName*/,
                                                             int /*attempt*/) {
  return std::nullopt;
}

}  // namespace platform
