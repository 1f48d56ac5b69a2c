// The graphical services over Win32: the program's message boxes (owned by the desktop window,
// so that the main window stays usable), and the dialogs of win_dialogs.h modal to the main
// window.
#pragma once

#include <functional>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/ui_services.h"

namespace platform {

// What a closed message box answers: the system reports closing a box that has only OK as
// Cancel on some versions; it counts as OK.
int MessageBoxAnswer(int systemAnswer, std::uint32_t style);

class WinUiServices final : public UiServices {
 public:
  // ownerLookup names the window the dialogs are modal to (none when empty or null).
  explicit WinUiServices(std::function<HWND()> ownerLookup = {});

  int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                     std::uint32_t style) override;
  std::optional<std::u16string> AskSaveFileName(const std::u16string& proposedName) override;
  bool ViewCertificate(const CertContext& context) override;
  bool ShowCertificateStores(const StoreRemoval& remove) override;
  // The system's stores never ask for a password: there is nothing to ask, and the request
  // counts as cancelled.
  std::optional<SecretText> AskDatabasePassword(const std::u16string& databaseName,
                                                int attempt) override;

 private:
  HWND Owner() const;

  std::function<HWND()> ownerLookup_;
};

}  // namespace platform
