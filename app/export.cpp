#include "app/export.h"

#include "platform/file_system.h"
#include "platform/ui_services.h"

namespace {
// The save dialog's name buffer holds 259 characters and its terminator.
constexpr std::size_t kMaxProposedNameLength = 259;

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
}  // namespace

void RemoveFileNameChars(std::u16string& text) {
  for (const char16_t forbidden : kFileNameForbiddenChars) {
    std::erase(text, forbidden);
  }
}

std::u16string ProposedExportFileName(const TCertDetails& record) {
  std::u16string name = record.subjectName + u" - " + record.serialNumber + u".cer";
  RemoveFileNameChars(name);
  return name;
}

bool AskSaveFileName(const std::optional<std::u16string>& proposedName, std::u16string& path) {
  platform::UiServices* ui = platform::CurrentUi();
  if (ui == nullptr) {
    return false;
  }
  const std::u16string currentDir = platform::GetCurrentDir();

  std::u16string proposed = proposedName.value_or(std::u16string());
  if (proposed.size() > kMaxProposedNameLength) {
    proposed.resize(kMaxProposedNameLength);
    if (IsHighSurrogate(proposed.back())) {
      proposed.pop_back();  // never propose half a character
    }
  }
  std::optional<std::u16string> chosen = ui->AskSaveFileName(proposed);

  if (!currentDir.empty()) {
    platform::SetCurrentDir(currentDir);
  }
  if (!chosen) {
    return false;
  }
  path = std::move(*chosen);
  return true;
}

bool WriteBytesToFile(const std::u16string& path, std::span<const std::uint8_t> bytes) {
  return platform::SaveToFile(path, bytes);
}
