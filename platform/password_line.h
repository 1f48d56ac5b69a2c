// The first line of a password input, taken from the blocks of input as they are read: what a
// password file or a terminal gives as the password. The line is bounded: a longer one is refused,
// never cut, so that a wrong password is never tried in place of the one meant. The bytes are held
// in one fixed buffer that is wiped when the reader goes away.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/secret_text.h"

namespace platform {

// The longest password read, in bytes (without the line end).
inline constexpr std::size_t kMaxPasswordBytes = 4096;

class PasswordLineReader {
 public:
  enum class State {
    kOpen,      // no line end yet: more input may follow
    kComplete,  // the line ended (or the input did, after at least one byte)
    kEmpty,     // the input ended before its first byte
    kTooLong,   // the line is longer than kMaxPasswordBytes
    kHoldsNul,  // the line holds a NUL byte, which no password can
  };

  PasswordLineReader() = default;
  PasswordLineReader(const PasswordLineReader&) = delete;
  PasswordLineReader& operator=(const PasswordLineReader&) = delete;
  ~PasswordLineReader();

  // Takes the next block of input and says where the line stands. Once the state is no longer
  // kOpen, further blocks are ignored: the caller stops reading.
  State Add(std::string_view block);
  // The input ended.
  State End();
  State state() const { return state_; }

  // The line without its line end (LF, or CR LF) when the state is kComplete. Else none, with the
  // thread's last error set to kErrorPasswordTooLong or kErrorPasswordHoldsNul for a line that is
  // no password and left as it was when the input ended before its first byte.
  std::optional<SecretText> Password() const;

 private:
  // One byte more than the longest password, for the CR of a CR LF line end.
  std::array<char, kMaxPasswordBytes + 1> buffer_{};
  std::size_t length_ = 0;
  State state_ = State::kOpen;
};

}  // namespace platform
