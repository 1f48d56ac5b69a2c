// Finding the user's certificate databases: the shared NSS database and the database of every
// Firefox and Thunderbird profile listed in a profiles.ini of one of the places those programs
// keep their profiles (classic, XDG configuration folder, snap, flatpak).
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/cert_databases.h"
#include "platform/linux/glib_handle.h"
#include "platform/linux/home_folder.h"
#include "platform/linux/utf8_text.h"
#include "platform/user_cert_database.h"

namespace platform {
namespace {

using glib::CharsPtr;
using glib::ErrorPtr;
using glib::KeyFilePtr;
using glib::StringListPtr;

constexpr char16_t kSharedDisplayName[] = u"Shared (Chromium, GNOME programs)";
// The file of an SQL database; a profile without it is not part of the set.
constexpr char kDatabaseFile[] = "/cert9.db";

// $XDG_CONFIG_HOME when absolute, else HOME/.config.
std::string ConfigFolder(const std::string& home) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (linux_home::IsAbsolute(config)) {
    return config;
  }
  return home.empty() ? std::string() : home + "/.config";
}

// The path with every symbolic link and "." or ".." resolved; empty when it does not exist.
std::string CanonicalPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Empty when the text is not well-formed UTF-8: a folder's text must name that folder only.
std::u16string Wide(const std::string& text) {
  return linux_utf8::FileNameToUtf16(text);
}

// One place where a program keeps its profiles, and how its databases are named.
struct ProfileRoot {
  CertDatabaseKind kind;
  std::string folder;
  std::u16string namePrefix;  // "Firefox: ", "Firefox (snap): " ...
};

std::vector<ProfileRoot> ProfileRoots() {
  const std::string home = linux_home::HomeFolder();
  const std::string config = ConfigFolder(home);
  std::vector<ProfileRoot> roots;
  const auto add = [&roots](CertDatabaseKind kind, const std::string& base, const char* rest,
                            const char16_t* prefix) {
    if (!base.empty()) {
      roots.push_back({kind, base + rest, prefix});
    }
  };
  using enum CertDatabaseKind;
  add(kFirefox, home, "/.mozilla/firefox", u"Firefox: ");
  add(kFirefox, config, "/mozilla/firefox", u"Firefox: ");
  add(kFirefox, home, "/snap/firefox/common/.mozilla/firefox", u"Firefox (snap): ");
  add(kFirefox, home, "/.var/app/org.mozilla.firefox/.mozilla/firefox", u"Firefox (flatpak): ");
  add(kThunderbird, home, "/.thunderbird", u"Thunderbird: ");
  add(kThunderbird, config, "/thunderbird", u"Thunderbird: ");
  add(kThunderbird, home, "/snap/thunderbird/common/.thunderbird", u"Thunderbird (snap): ");
  add(kThunderbird, home, "/.var/app/org.mozilla.Thunderbird/.thunderbird",
      u"Thunderbird (flatpak): ");
  return roots;
}

// A key's text exactly as written (no escape sequences interpreted); empty when missing.
std::string RawValue(GKeyFile* file, const gchar* group, const char* key) {
  CharsPtr value(g_key_file_get_value(file, group, key, nullptr));
  return value ? std::string(value.get()) : std::string();
}

// Adds the databases of every profile listed in the root's profiles.ini. A missing file means no
// profiles; one that cannot be read is a problem of its own.
void AddProfiles(const ProfileRoot& root, std::set<std::string>& seen, CertDatabaseSet& set) {
  const std::string listFile = root.folder + "/profiles.ini";
  if (!IsRegularFile(listFile)) {
    return;
  }
  KeyFilePtr file(g_key_file_new());
  GError* rawError = nullptr;
  if (!g_key_file_load_from_file(file.get(), listFile.c_str(), G_KEY_FILE_NONE, &rawError)) {
    ErrorPtr error(rawError);
    set.problems.push_back({Wide(listFile), Wide(error ? error->message : "cannot be read")});
    return;
  }
  StringListPtr groups(g_key_file_get_groups(file.get(), nullptr));
  for (gchar** group = groups.get(); group != nullptr && *group != nullptr; ++group) {
    if (!g_str_has_prefix(*group, "Profile")) {
      continue;  // [General], [Install...] and [BackgroundTasksProfiles] name no further profile
    }
    const std::string path = RawValue(file.get(), *group, "Path");
    if (path.empty()) {
      continue;
    }
    // Without IsRelative, a path that starts with a slash is taken as absolute.
    const std::string relative = RawValue(file.get(), *group, "IsRelative");
    const bool isRelative = relative.empty() ? path.front() != '/' : relative != "0";
    const std::string folder = CanonicalPath(isRelative ? root.folder + "/" + path : path);
    if (folder.empty() || !IsRegularFile(folder + kDatabaseFile) || !seen.insert(folder).second) {
      continue;
    }
    std::string name = RawValue(file.get(), *group, "Name");
    if (name.empty()) {
      name = folder.substr(folder.rfind('/') + 1);
    }
    CertDatabase database;
    database.kind = root.kind;
    database.profileName = Wide(name);
    database.displayName = root.namePrefix + database.profileName;
    database.folder = Wide(folder);
    set.databases.push_back(std::move(database));
  }
}

}  // namespace

CertDatabaseSet FindUserCertDatabases() {
  CertDatabaseSet set;
  std::set<std::string> seen;
  const std::string shared = UserCertDatabaseDir();
  if (!shared.empty()) {
    const std::string canonical = CanonicalPath(shared);
    seen.insert(canonical.empty() ? shared : canonical);
    set.databases.push_back({CertDatabaseKind::kShared, kSharedDisplayName, {}, Wide(shared)});
  }
  for (const ProfileRoot& root : ProfileRoots()) {
    AddProfiles(root, seen, set);
  }
  return set;
}

const char* CertDatabaseKindWord(CertDatabaseKind kind) {
  switch (kind) {
    case CertDatabaseKind::kShared:
      return "shared";
    case CertDatabaseKind::kFirefox:
      return "firefox";
    case CertDatabaseKind::kThunderbird:
      return "thunderbird";
  }
  return "";
}

}  // namespace platform
