// The user's home folder as the programs of the desktop find it.
#pragma once

#include <string>

namespace platform::linux_home {

// True when the path is not null and absolute.
bool IsAbsolute(const char* path);

// HOME, or the home folder of the account when HOME does not name an absolute path; empty when
// neither is known.
std::string HomeFolder();

}  // namespace platform::linux_home
