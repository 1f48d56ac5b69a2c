// Makes the current user's stores "Root", "CA" and "MY" in a fresh Wine prefix. Windows always
// has them, and the program opens existing stores only; Wine makes a store (and fills "Root"
// with the host's roots) the first time something opens it without that restriction.
#include <windows.h>
// wincrypt.h needs the types of windows.h.
#include <wincrypt.h>

#include <cstdio>
#include <initializer_list>

int main() {
  for (const wchar_t* name : {L"Root", L"CA", L"MY"}) {
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name);
    if (store == nullptr) {
      std::fprintf(stderr, "cannot make the store %ls: error %lu\n", name, GetLastError());
      return 1;
    }
    CertCloseStore(store, 0);
  }
  return 0;
}
