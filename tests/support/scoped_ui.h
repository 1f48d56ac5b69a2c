// Installs a user interface (or none) for the guard's lifetime and then puts back the one that
// was installed before, so that a test that stops half-way leaves no fake behind for the next.
#pragma once

#include "platform/ui_services.h"

namespace corvane_test {

class ScopedUi {
 public:
  explicit ScopedUi(platform::UiServices* ui) : previous_(platform::CurrentUi()) {
    platform::SetUi(ui);
  }
  ~ScopedUi() { platform::SetUi(previous_); }
  ScopedUi(const ScopedUi&) = delete;
  ScopedUi& operator=(const ScopedUi&) = delete;

 private:
  platform::UiServices* previous_;
};

}  // namespace corvane_test
