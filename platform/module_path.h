// Where the running executable lives.
#pragma once

#include <string>

namespace platform {

// The separator between the folders and the file name of a path.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// The absolute path of the running executable, whatever its length; empty when it cannot be read.
std::u16string ModulePath();

}  // namespace platform
