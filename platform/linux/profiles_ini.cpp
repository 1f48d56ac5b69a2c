#include "platform/linux/profiles_ini.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/linux/file_descriptor.h"
#include "platform/linux/glib_handle.h"

namespace platform::linux_profiles {
namespace {

using glib::CharsPtr;
using glib::ErrorPtr;
using glib::KeyFilePtr;
using glib::StringListPtr;

// GLib's own message quotes the offending line; the user gets the kind of fault instead, since the
// line may hold anything (terminal control sequences included).
ListProblem ParseProblem(const GError* error) {
  if (error != nullptr && error->domain == G_KEY_FILE_ERROR &&
      error->code == G_KEY_FILE_ERROR_UNKNOWN_ENCODING) {
    return {"is not a valid profile list: it declares an encoding other than UTF-8"};
  }
  if (error != nullptr && error->domain == G_KEY_FILE_ERROR &&
      error->code == G_KEY_FILE_ERROR_PARSE) {
    return {
        "is not a valid profile list: a line is neither a [group], a key=value pair nor a "
        "comment"};
  }
  return {"is not a valid profile list"};
}

// A key's text exactly as written (no escape sequences interpreted); empty when missing.
std::string RawValue(GKeyFile* file, const gchar* group, const char* key) {
  CharsPtr value(g_key_file_get_value(file, group, key, nullptr));
  return value ? std::string(value.get()) : std::string();
}

ListProblem ErrnoProblem(const char* what, int error) {
  return {std::string(what) + " (" + std::strerror(error) + ")"};
}

}  // namespace

std::variant<std::vector<ListedProfile>, ListProblem> ParseProfileList(std::string_view text) {
  KeyFilePtr file(g_key_file_new());
  GError* rawError = nullptr;
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE,
                                 &rawError)) {
    const ErrorPtr error(rawError);
    return ParseProblem(error.get());
  }
  std::vector<ListedProfile> profiles;
  StringListPtr groups(g_key_file_get_groups(file.get(), nullptr));
  for (gchar** group = groups.get(); group != nullptr && *group != nullptr; ++group) {
    if (!g_str_has_prefix(*group, "Profile")) {
      continue;  // [General], [Install...] and [BackgroundTasksProfiles] name no further profile
    }
    ListedProfile profile;
    profile.path = RawValue(file.get(), *group, "Path");
    if (profile.path.empty()) {
      continue;
    }
    const std::string relative = RawValue(file.get(), *group, "IsRelative");
    profile.isRelative = relative.empty() ? profile.path.front() != '/' : relative != "0";
    profile.name = RawValue(file.get(), *group, "Name");
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

std::variant<std::string, NoList, ListProblem> ReadProfileList(const std::string& path) {
  // Without O_NONBLOCK, opening a FIFO would wait for a writer.
  linux_fd::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) {
    const int error = errno;
    struct stat link {};
    if (error == ENOENT && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      return ListProblem{"is a symbolic link to a file that does not exist"};
    }
    if (error == ENOENT || error == ENOTDIR) {
      return NoList{};
    }
    return ErrnoProblem("cannot be opened", error);
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    return ErrnoProblem("cannot be read", errno);
  }
  if (S_ISDIR(info.st_mode)) {
    return ListProblem{"is a folder, not a profile list"};
  }
  if (!S_ISREG(info.st_mode)) {
    return ListProblem{"is not a regular file (a FIFO, a device or a socket), not a profile list"};
  }
  const ListProblem tooLarge{"is larger than 1 MiB, far more than any profile list"};
  if (static_cast<std::size_t>(info.st_size) > kMaxProfileListBytes) {
    return tooLarge;
  }
  // The size may change while the file is read: read to its end, but never past the bound.
  std::string text;
  constexpr std::size_t kBlock = 64 * 1024;
  for (;;) {
    const std::size_t used = text.size();
    const std::size_t room = std::min(kBlock, kMaxProfileListBytes + 1 - used);
    text.resize(used + room);
    const ssize_t got = ::read(file.get(), text.data() + used, room);
    if (got < 0 && errno == EINTR) {
      text.resize(used);
      continue;
    }
    if (got < 0) {
      return ErrnoProblem("cannot be read", errno);
    }
    text.resize(used + static_cast<std::size_t>(got));
    if (text.size() > kMaxProfileListBytes) {
      return tooLarge;
    }
    if (got == 0) {
      return text;
    }
  }
}

}  // namespace platform::linux_profiles
