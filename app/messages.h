// Loading and formatting the program's texts (res/message_text.h), the text of the thread's last
// error, and the program's three kinds of message box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui_services.h"
#include "res/message_text.h"
#include "res/string_table.h"

// Message box styles of ShowInfo, AskQuestion and ShowError.
inline constexpr std::uint32_t kInfoStyle = platform::kMbOk | platform::kMbIconInformation;
// 0x33: the program asks its questions with the warning icon's value; see gtk_ui_services.cpp.
inline constexpr std::uint32_t kQuestionStyle = platform::kMbYesNoCancel | platform::kMbIconWarning;
inline constexpr std::uint32_t kErrorStyle = platform::kMbOk | platform::kMbIconError;

// ErrorCodeText of the thread's last error code.
std::u16string LastErrorText();

// The full path of the running executable.
std::u16string GetModulePath();
// The file name of a path without its folders, cut at its last ".exe" (case-sensitive); empty
// when the path has no folder separator or ends with one.
std::u16string BaseNameOfPath(std::u16string_view path);
// The caption of every message box: BaseNameOfPath(GetModulePath()).
std::u16string AppBaseName();

// A message box with the program's caption; the id of the button that closed it, IDCANCEL (2)
// without showing anything when no user interface is installed.
int ShowMessage(const std::u16string& text, std::uint32_t style);
int ShowInfo(const std::u16string& text);
int AskQuestion(const std::u16string& text);
int ShowError(const std::u16string& text);
