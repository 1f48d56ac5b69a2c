#include "app/messages.h"

#include "platform/last_error.h"
#include "platform/module_path.h"
#include "platform/ui_services.h"

std::u16string LastErrorText() {
  return ErrorCodeText(platform::GetLastError());
}

std::u16string GetModulePath() {
  return platform::ModulePath();
}

std::u16string BaseNameOfPath(std::u16string_view path) {
  const std::size_t separator = path.rfind(platform::kPathSeparator);
  if (separator == std::u16string_view::npos || separator + 1 == path.size()) {
    return {};
  }
  std::u16string name(path.substr(separator + 1));
  const std::size_t extension = name.rfind(u".exe");
  if (extension != std::u16string::npos) {
    name.resize(extension);
  }
  return name;
}

std::u16string AppBaseName() {
  return BaseNameOfPath(GetModulePath());
}

int ShowMessage(const std::u16string& text, std::uint32_t style) {
  platform::UiServices* ui = platform::CurrentUi();
  if (ui == nullptr) {
    return platform::kIdCancel;
  }
  return ui->ShowMessageBox(text, AppBaseName(), style);
}

int ShowInfo(const std::u16string& text) {
  return ShowMessage(text, kInfoStyle);
}
int AskQuestion(const std::u16string& text) {
  return ShowMessage(text, kQuestionStyle);
}
int ShowError(const std::u16string& text) {
  return ShowMessage(text, kErrorStyle);
}
