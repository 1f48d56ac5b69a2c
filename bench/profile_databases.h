// Browser profiles with databases of their own in a benchmark's throw-away home, so that the
// catalogue is looked up in the shared database and in each profile's. The databases are made
// with NSS's certutil, as a browser's first start would make them (empty password).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace corvane_bench {

// Lists count Firefox profiles in home/.mozilla/firefox, making any database that is missing.
// False when certutil could not make one.
inline bool UseProfileDatabases(const std::filesystem::path& home, int count) {
  const std::filesystem::path profiles = home / ".mozilla/firefox";
  std::filesystem::create_directories(profiles);
  std::ofstream list(profiles / "profiles.ini", std::ios::trunc);
  for (int index = 0; index < count; ++index) {
    const std::string name = "bench" + std::to_string(index);
    const std::filesystem::path folder = profiles / name;
    if (!std::filesystem::exists(folder / "cert9.db")) {
      std::filesystem::create_directories(folder);
      const std::string command =
          "certutil -N --empty-password -d 'sql:" + folder.string() + "' >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cannot make the profile database %s\n", folder.c_str());
        return false;
      }
    }
    list << "[Profile" << index << "]\nName=" << name << "\nIsRelative=1\nPath=" << name << "\n\n";
  }
  return static_cast<bool>(list);
}

}  // namespace corvane_bench
