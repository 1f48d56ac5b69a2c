// The certificate viewer and the certificate manager of the system's certificate UI library,
// which is loaded for the duration of one call.
#include "platform/windows/win_api.h"
// The property-sheet types cryptuiapi.h needs, which the lean windows.h leaves out.
#include <prsht.h>
// After windows.h, wincrypt.h and prsht.h.
#include <cryptuiapi.h>

#include "platform/windows/gui/win_dialogs.h"
#include "platform/windows/gui/win_handles.h"

namespace platform {
namespace {

constexpr DWORD kCacheOnlyUrlRetrieval = 0x00040000;

using ViewCertificateFunction = BOOL(WINAPI*)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW, BOOL*);
using CertificateManagerFunction = BOOL(WINAPI*)(PCCRYPTUI_CERT_MGR_STRUCT);

windows::LibraryHandle LoadCertificateUi() {
  return windows::LibraryHandle(::LoadLibraryW(L"CryptUI.dll"));
}

template <typename Function>
Function EntryPoint(const windows::LibraryHandle& library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library.get(), name)));
}

DWORD PlatformViewerFlags() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!::GetVersionExW(&version)) {
    return CertificateViewerFlags(0, 0);
  }
  return CertificateViewerFlags(version.dwMajorVersion, version.dwMinorVersion);
}

}  // namespace

DWORD CertificateViewerFlags(DWORD majorVersion, DWORD minorVersion) {
  DWORD flags = CRYPTUI_DISABLE_ADDTOSTORE;
  if (majorVersion > 4 && minorVersion != 0) {
    flags |= kCacheOnlyUrlRetrieval;
  }
  return flags;
}

bool RunCertificateViewer(HWND owner, const CertContext& context) {
  const windows::NativeCertPtr native = windows::NativeContextOf(context);
  if (!native) {
    return false;
  }
  CRYPTUI_VIEWCERTIFICATE_STRUCTW request{};
  request.dwSize = sizeof(request);
  request.hwndParent = owner != nullptr ? owner : ::GetActiveWindow();
  request.dwFlags = PlatformViewerFlags();
  request.pCertContext = native.get();

  const windows::LibraryHandle library = LoadCertificateUi();
  if (!library) {
    return false;
  }
  const auto view = EntryPoint<ViewCertificateFunction>(library, "CryptUIDlgViewCertificateW");
  if (view == nullptr) {
    return false;
  }
  view(&request, nullptr);
  return true;
}

bool RunCertificateManager(HWND owner) {
  CRYPTUI_CERT_MGR_STRUCT request{};
  request.dwSize = sizeof(request);
  request.hwndParent = owner;

  const windows::LibraryHandle library = LoadCertificateUi();
  if (!library) {
    return false;
  }
  const auto manage = EntryPoint<CertificateManagerFunction>(library, "CryptUIDlgCertMgr");
  if (manage == nullptr) {
    return false;
  }
  manage(&request);
  return true;
}

}  // namespace platform
