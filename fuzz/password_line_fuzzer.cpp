// The first line of a password input, read in blocks of any size: the result never depends on how
// the input was cut, a line is never cut short, and a line that is no password is refused.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/password_line.h"

using platform::kMaxPasswordBytes;
using State = platform::PasswordLineReader::State;

namespace {

// What the input's first line must give, worked out on the whole input at once: the bytes are
// taken in order, so a NUL or the byte beyond the bound ends the reading, whichever comes first.
State Expected(std::string_view input, std::string& password) {
  const std::size_t lineEnd = input.find('\n');
  std::string_view line = input.substr(0, lineEnd);
  const std::size_t nul = line.find('\0');
  if (nul != std::string_view::npos && nul <= kMaxPasswordBytes + 1) {
    return State::kHoldsNul;
  }
  if (line.size() > kMaxPasswordBytes + 1) {
    return State::kTooLong;
  }
  if (lineEnd == std::string_view::npos && line.empty()) {
    return State::kEmpty;
  }
  if (line.ends_with('\r')) {
    line.remove_suffix(1);
  }
  if (line.size() > kMaxPasswordBytes) {
    return State::kTooLong;
  }
  password = line;
  return State::kComplete;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  // The first byte chooses the block size, the rest is the input.
  const std::size_t blockSize = data[0] == 0 ? 1 : data[0] * 37u;
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  std::string expectedPassword;
  const State expected = Expected(input, expectedPassword);

  platform::PasswordLineReader reader;
  while (reader.state() == State::kOpen && !input.empty()) {
    const std::string_view block = input.substr(0, blockSize);
    input.remove_prefix(block.size());
    reader.Add(block);
  }
  reader.End();
  FUZZ_CHECK(reader.state() == expected);
  const auto password = reader.Password();
  FUZZ_CHECK(password.has_value() == (expected == State::kComplete));
  if (password) {
    FUZZ_CHECK(std::string_view(password->c_str(), password->size()) == expectedPassword);
  }
  return 0;
}
