#include "platform/password_source.h"

#include "platform/ui_services.h"

namespace platform {
namespace {

// Asks in the window's password dialog, naming the database as the user knows it.
class WindowPasswordSource final : public PasswordSource {
 public:
  std::optional<SecretText> AskPassword(const CertDatabase& database, int attempt) override {
    UiServices* ui = CurrentUi();
    if (ui == nullptr) {
      return std::nullopt;
    }
    return ui->AskDatabasePassword(database.displayName, attempt);
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
