// The two calls that change a store of the current user. On Windows the system may ask the user
// before it changes the "Root" store, and the call fails with ERROR_CANCELLED when the user
// declines; tests put a stand-in in place of the platform's calls to give that answer.
#pragma once

#include "platform/windows/win_api.h"

namespace platform::windows {

struct StoreChangeCalls {
  // CertAddCertificateContextToStore
  BOOL(WINAPI* add)
  (HCERTSTORE store, PCCERT_CONTEXT context, DWORD disposition, PCCERT_CONTEXT* added) = nullptr;
  // CertDeleteCertificateFromStore: releases the context whether or not it succeeds.
  BOOL(WINAPI* remove)(PCCERT_CONTEXT found) = nullptr;
};

// The calls in force: the platform's own unless a test replaced them.
const StoreChangeCalls& CurrentStoreChangeCalls();

// For tests: puts other calls in force for the object's lifetime, then those in force before.
class ScopedStoreChangeCalls {
 public:
  explicit ScopedStoreChangeCalls(const StoreChangeCalls& calls);
  ~ScopedStoreChangeCalls();
  ScopedStoreChangeCalls(const ScopedStoreChangeCalls&) = delete;
  ScopedStoreChangeCalls& operator=(const ScopedStoreChangeCalls&) = delete;

 private:
  StoreChangeCalls previous_;
};

}  // namespace platform::windows
