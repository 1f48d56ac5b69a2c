// Reading the profile list (profiles.ini) of Firefox or Thunderbird: the file is read once, with a
// bound, without ever waiting on it, and parsed into the profiles it lists. What goes wrong is said
// in plain words that never quote the file's own text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform::linux_profiles {

// A real profile list is a few KiB; a larger file is not one.
inline constexpr std::size_t kMaxProfileListBytes = 1024 * 1024;

// One [Profile...] group with a Path, its values exactly as written (bytes, not decoded).
struct ListedProfile {
  std::string name;  // empty when the group has no Name
  std::string path;  // never empty
  bool isRelative = true;
};

// Why a profile list cannot be used, as words to follow the file's name ("is a folder, ...").
struct ListProblem {
  std::string message;
};

// No profile list at that place: the program keeps no profiles there.
struct NoList {};

// The profiles of the list's text, in the file's order, or why it is no profile list. Without
// IsRelative, a path that starts with a slash is taken as absolute.
std::variant<std::vector<ListedProfile>, ListProblem> ParseProfileList(std::string_view text);

// The text of the file at path: a regular file of at most kMaxProfileListBytes, read once.
// NoList when nothing is there (or a folder on the way is missing); a problem for anything else
// that is not such a file (a folder, a FIFO, a dangling link, a link loop, an unreadable or too
// large file). A FIFO or device is never waited on.
std::variant<std::string, NoList, ListProblem> ReadProfileList(const std::string& path);

}  // namespace platform::linux_profiles
