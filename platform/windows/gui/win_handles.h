// Owners of the Win32 user-interface handles the window and the dialogs hold.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>
#include <type_traits>

namespace platform::windows {

struct IconDestroy {
  void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroy>;

struct ModuleFree {
  void operator()(HMODULE module) const { ::FreeLibrary(module); }
};
// A library loaded for the duration of one operation.
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

}  // namespace platform::windows
