#include "platform/ui_services.h"

namespace platform {
namespace {
UiServices* g_ui = nullptr;
}  // namespace

UiServices* CurrentUi() {
  return g_ui;
}
void SetUi(UiServices* ui) {
  g_ui = ui;
}

}  // namespace platform
