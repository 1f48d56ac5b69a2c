#include "app/command_failure.h"

#include "app/messages.h"

void ReportFailureWithLastError(std::uint32_t messageId, const std::u16string& argument) {
  std::u16string message = FormatResourceString(messageId, argument);
  const std::u16string detail = LastErrorText();
  if (!detail.empty()) {
    message += u"\n\n";
    message += detail;
  }
  ShowError(message);
}
