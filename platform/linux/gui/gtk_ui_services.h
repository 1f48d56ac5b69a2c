// The graphical services over GTK: message boxes as GTK message dialogs, modal over the main
// window, and the save dialog, certificate viewer and stores window of gtk_dialogs.h.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "platform/ui_services.h"

namespace platform {

class GtkUiServices final : public UiServices {
 public:
  // parentLookup names the window the dialogs are modal to (none when it is empty or gives null).
  explicit GtkUiServices(std::function<GtkWindow*()> parentLookup = {});

  // Buttons and icon by the style: OK (0), OK/Cancel (1), Yes/No/Cancel (3), Yes/No (4); error
  // (0x10), question (0x20 or 0x30) or information (0x40) icon. Closing the box answers Cancel
  // when it has a Cancel button, No for Yes/No, OK otherwise.
  int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                     std::uint32_t style) override;
  std::optional<std::u16string> AskSaveFileName(const std::u16string& proposedName) override;
  bool ViewCertificate(const CertContext& context) override;
  bool ShowCertificateStores(const platform::StoreRemoval& remove) override;
  std::optional<SecretText> AskDatabasePassword(const std::u16string& databaseName,
                                                int attempt) override;

 private:
  GtkWindow* Parent() const;

  std::function<GtkWindow*()> parentLookup_;
};

}  // namespace platform
