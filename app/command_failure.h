// How the commands report a failed store change or save: the formatted message, then two line
// feeds and the text of the thread's last error when there is one, in an error box.
#pragma once

#include <cstdint>
#include <string>

// The message of messageId is loaded and formatted with the argument before the error text is
// built; loading keeps the thread's last error intact, so the text describes the failure.
void ReportFailureWithLastError(std::uint32_t messageId, const std::u16string& argument);
