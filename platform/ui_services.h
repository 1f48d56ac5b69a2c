// The graphical services the program's logic asks of the platform: message boxes, the save
// dialog, the certificate viewer, the certificate stores window and the password of a certificate
// database. The program installs one implementation at start-up (GTK on Linux); tests install
// fakes. Without one, every request fails quietly: a message box answers IDCANCEL and nothing is
// shown.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/cert_context.h"
#include "platform/cert_databases.h"
#include "platform/secret_text.h"

namespace platform {

// Message box styles and button ids.
inline constexpr std::uint32_t kMbOk = 0x00;
inline constexpr std::uint32_t kMbOkCancel = 0x01;
inline constexpr std::uint32_t kMbYesNoCancel = 0x03;
inline constexpr std::uint32_t kMbYesNo = 0x04;
inline constexpr std::uint32_t kMbButtonsMask = 0x0F;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconWarning = 0x30;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr std::uint32_t kMbIconMask = 0xF0;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Takes a certificate out of the store of that name in one database of the user's set: with the
// database's password when it has one, and only a copy with the same public key. False with the
// thread's last error set when the certificate is still there (kErrorCancelled when the user
// cancelled a password request).
using StoreRemoval = std::function<bool(
    const CertContext& certificate, const std::u16string& storeName, const CertDatabase& database)>;

class UiServices {
 public:
  virtual ~UiServices() = default;

  // A modal message box; returns the id of the button that closed it (closing counts as Cancel
  // for a question, as OK otherwise).
  virtual int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                             std::uint32_t style) = 0;
  // A modal save dialog proposing the name, offering *.cer and asking before overwriting.
  // The chosen absolute path, or none when the user cancelled.
  virtual std::optional<std::u16string> AskSaveFileName(const std::u16string& proposedName) = 0;
  // Shows one certificate modally, with no way to add it to a store. False when no viewer
  // could be shown.
  virtual bool ViewCertificate(const CertContext& context) = 0;
  // The modal window over the user's certificate stores. Its removal of a certificate is the
  // program's own (remove), the one Uninstall runs. False when it could not be shown.
  virtual bool ShowCertificateStores(const StoreRemoval& remove) = 0;
  // A modal dialog asking for the password of the named certificate database, hiding what is
  // typed. attempt counts from 1; later attempts follow a wrong password. None when the user
  // cancelled.
  virtual std::optional<SecretText> AskDatabasePassword(const std::u16string& databaseName,
                                                        int attempt) = 0;
};

// The installed implementation, or null.
UiServices* CurrentUi();
void SetUi(UiServices* ui);

}  // namespace platform
