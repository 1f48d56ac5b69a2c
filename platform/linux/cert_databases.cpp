// Finding the user's certificate databases: the shared NSS database and the database of every
// Firefox and Thunderbird profile listed in a profiles.ini of one of the places those programs
// keep their profiles (classic, XDG configuration folder, snap, flatpak).
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/cert_databases.h"
#include "platform/linux/home_folder.h"
#include "platform/linux/profiles_ini.h"
#include "platform/linux/utf8_text.h"
#include "platform/user_cert_database.h"

namespace platform {
namespace {

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

// Text to show for a name or path of the file system: a byte that is not UTF-8 shows as U+FFFD.
// Files are opened by their bytes (CertDatabase::nativeFolder), never by this text.
std::u16string Text(const std::string& bytes) {
  return linux_utf8::ToUtf16(bytes);
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

// Adds the databases of every profile listed in the root's profiles.ini. A missing file means no
// profiles; one that cannot be read or parsed is a problem of the set.
void AddProfiles(const ProfileRoot& root, std::set<std::string>& seen, CertDatabaseSet& set) {
  const std::string listFile = root.folder + "/profiles.ini";
  const auto reportProblem = [&](const linux_profiles::ListProblem& problem) {
    set.problems.push_back({Text(listFile), Text(problem.message)});
  };
  auto text = linux_profiles::ReadProfileList(listFile);
  if (std::holds_alternative<linux_profiles::NoList>(text)) {
    return;
  }
  if (const auto* problem = std::get_if<linux_profiles::ListProblem>(&text)) {
    reportProblem(*problem);
    return;
  }
  const auto parsed = linux_profiles::ParseProfileList(std::get<std::string>(text));
  if (const auto* problem = std::get_if<linux_profiles::ListProblem>(&parsed)) {
    reportProblem(*problem);
    return;
  }
  for (const linux_profiles::ListedProfile& profile :
       std::get<std::vector<linux_profiles::ListedProfile>>(parsed)) {
    // An absolute path is taken as it is; any other is read from the list's own folder, whatever
    // IsRelative says, so the set never depends on the folder the command runs in.
    const bool fromListFolder = profile.isRelative || profile.path.front() != '/';
    const std::string folder =
        CanonicalPath(fromListFolder ? root.folder + "/" + profile.path : profile.path);
    if (folder.empty() || !IsRegularFile(folder + kDatabaseFile) || !seen.insert(folder).second) {
      continue;
    }
    const std::string name =
        profile.name.empty() ? folder.substr(folder.rfind('/') + 1) : profile.name;
    CertDatabase database;
    database.kind = root.kind;
    database.profileName = Text(name);
    database.displayName = root.namePrefix + database.profileName;
    database.folder = Text(folder);
    database.nativeFolder = folder;
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
    set.databases.push_back(
        {CertDatabaseKind::kShared, kSharedDisplayName, {}, Text(shared), shared});
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
