#include "platform/password_line.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace platform {

PasswordLineReader::~PasswordLineReader() {
  WipeSecret(buffer_.data(), buffer_.size());
}

PasswordLineReader::State PasswordLineReader::Add(std::string_view block) {
  for (const char byte : block) {
    if (state_ != State::kOpen) {
      break;
    }
    if (byte == '\0') {
      state_ = State::kHoldsNul;
    } else if (byte != '\n') {
      if (length_ == buffer_.size()) {
        state_ = State::kTooLong;
      } else {
        buffer_[length_++] = byte;
      }
    } else {
      if (length_ > 0 && buffer_[length_ - 1] == '\r') {
        --length_;
      }
      // Only the CR of a CR LF line end may use the byte beyond the longest password.
      state_ = length_ > kMaxPasswordBytes ? State::kTooLong : State::kComplete;
    }
  }
  return state_;
}

PasswordLineReader::State PasswordLineReader::End() {
  if (state_ == State::kOpen) {
    return length_ == 0 ? (state_ = State::kEmpty) : Add("\n");
  }
  return state_;
}

std::optional<SecretText> PasswordLineReader::Password() const {
  switch (state_) {
    case State::kComplete:
      return SecretText(std::string_view(buffer_.data(), length_));
    case State::kTooLong:
      SetLastError(kErrorPasswordTooLong);
      break;
    case State::kHoldsNul:
      SetLastError(kErrorPasswordHoldsNul);
      break;
    case State::kOpen:
    case State::kEmpty:
      break;
  }
  return std::nullopt;
}

}  // namespace platform
