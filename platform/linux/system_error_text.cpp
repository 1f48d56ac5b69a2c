#include "platform/system_error_text.h"

#include <nssutil.h>
#include <prerror.h>

#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/linux/utf8_text.h"
#include "platform/password_line.h"

namespace platform {
namespace {

struct CodeText {
  std::uint32_t code;
  std::u16string_view text;
};

// The system texts of the codes the program raises itself, worded as the platform the program
// was first written for words them, so that messages read the same everywhere; the conditions of
// the certificate database that platform has no code for are worded as plainly.
constexpr CodeText kOwnCodeTexts[] = {
    {kErrorFileNotFound, u"The system cannot find the file specified."},
    {3, u"The system cannot find the path specified."},
    {kErrorAccessDenied, u"Access is denied."},
    {kErrorNotEnoughMemory, u"Not enough memory resources are available to process this command."},
    {kErrorInvalidData, u"The data is invalid."},
    {80, u"The file exists."},
    {kErrorInvalidParameter, u"The parameter is incorrect."},
    {112, u"There is not enough space on the disk."},
    {183, u"Cannot create a file when that file already exists."},
    {1168, u"Element not found."},
    {kErrorCancelled, u"The operation was canceled by the user."},
    {kErrorFileCorrupt, u"The file or directory is corrupted and unreadable."},
    {kEInvalidArg, u"The parameter is incorrect."},
    {kCryptENotFound, u"Cannot find object or property."},
    {0x80093102, u"ASN1 unexpected end of data."},
    {kCryptEAsn1BadTag, u"ASN1 bad tag value met."},
    {kErrorDatabaseInUse, u"The certificate database is in use by another program."},
    {kErrorDatabaseFolderReadOnly,
     u"The folder of the certificate database is read-only, so the database cannot be changed."},
    {kErrorDatabasePasswordNeeded,
     u"The certificate database is protected by a password; a password is needed to change it."},
    {kErrorDatabaseIncomplete, u"A file of the certificate database is missing."},
    {kErrorDatabaseNeedsRecovery,
     u"The certificate database was left in the middle of a change, and it cannot be put right "
     u"because its folder cannot be written to."},
    {kErrorProfileListUnreadable,
     u"A list of a program's profiles cannot be read, so the certificate databases of those "
     u"profiles are not known."},
    {kErrorDatabaseOwnedByOther,
     u"The certificate database belongs to another user account; the administrator does not "
     u"change it."},
    {kErrorPasswordTooLong,
     u"The password is longer than 4096 bytes, the longest password read; it was not used."},
    {kErrorPasswordHoldsNul,
     u"The password holds a NUL byte, which no password can hold; it was not used."},
};

static_assert(kMaxPasswordBytes == 4096, "the text of kErrorPasswordTooLong names the bound");

std::u16string WithLineEnd(std::u16string text) {
  if (!text.empty()) {
    text += u"\r\n";
  }
  return text;
}

std::u16string OwnCodeText(std::uint32_t code) {
  for (const CodeText& entry : kOwnCodeTexts) {
    if (entry.code == code) {
      return std::u16string(entry.text);
    }
  }
  return {};
}

std::u16string NssCodeText(std::uint32_t code) {
  // NSPR knows its own texts from the start; the security library's table is registered only by
  // NSS initialisation, which the program may not have done yet (or ever, in this process).
  static std::once_flag registered;
  std::call_once(registered, [] { NSS_InitializePRErrorTable(); });
  const auto nssCode = static_cast<PRErrorCode>(static_cast<std::int32_t>(code));
  // An unregistered code has no name; its "text" would only be a placeholder.
  if (PR_ErrorToName(nssCode) == nullptr) {
    return {};
  }
  const char* text = PR_ErrorToString(nssCode, PR_LANGUAGE_I_DEFAULT);
  if (text == nullptr) {
    return {};
  }
  return linux_utf8::ToUtf16(text);
}

std::u16string ErrnoText(std::uint32_t code) {
  // strerrordesc_np gives the English text without touching errno, and none for unknown values.
  const char* text = strerrordesc_np(static_cast<int>(code & ~kErrnoCodeBit));
  if (text == nullptr) {
    return {};
  }
  return linux_utf8::ToUtf16(text);
}

}  // namespace

std::u16string SystemErrorText(std::uint32_t code) {
  const std::uint32_t savedError = GetLastError();
  std::u16string text;
  if (IsNssCode(code)) {
    text = NssCodeText(code);
  } else if (IsErrnoCode(code)) {
    text = ErrnoText(code);
  } else {
    text = OwnCodeText(code);
  }
  SetLastError(savedError);
  return WithLineEnd(std::move(text));
}

}  // namespace platform
