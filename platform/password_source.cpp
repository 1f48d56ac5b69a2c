#include "platform/password_source.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/ui_services.h"

namespace platform {
namespace {

// Asks in the window's password dialog, naming the database as the user knows it.
class WindowPasswordSource final : public PasswordSource {
 public:
  std::optional<SecretText> AskPassword(const CertDatabase& database, int attempt) override {
    UiServices* ui = CurrentUi();
    if (ui == nullptr) {
      SetLastError(kErrorDatabasePasswordNeeded);
      return std::nullopt;
    }
    std::optional<SecretText> password = ui->AskDatabasePassword(database.displayName, attempt);
    if (!password) {
      SetLastError(kErrorCancelled);
    }
    return password;
  }
};

PasswordSource* g_source = nullptr;

}  // namespace

PasswordSource& CurrentPasswordSource() {
  static WindowPasswordSource window;
  return g_source != nullptr ? *g_source : window;
}

void SetPasswordSource(PasswordSource* source) {
  g_source = source;
}

}  // namespace platform
