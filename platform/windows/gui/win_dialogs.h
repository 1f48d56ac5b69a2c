// The system's modal dialogs the program's commands use: the save dialog, and the certificate
// viewer and manager of the system's certificate UI library (loaded for one call at a time).
#pragma once

#include <optional>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/cert_context.h"

namespace platform {

// The save dialog over the owner window, proposing the name, listing *.cer files and asking
// before an existing file is replaced; the chosen path, or none when the user cancelled. The
// process's current folder is the same afterwards.
std::optional<std::u16string> RunSaveDialog(HWND owner, const std::u16string& proposedName);

// The viewer flags: never a way to add the certificate to a store, and URLs retrieved from the
// cache only on the platform versions that know that flag (a major version above 4 with a minor
// version other than 0).
DWORD CertificateViewerFlags(DWORD majorVersion, DWORD minorVersion);

// The system's certificate viewer on one certificate, modal to the owner. False when the
// certificate or the viewer is not available.
bool RunCertificateViewer(HWND owner, const CertContext& context);

// The system's certificate manager over the user's stores, modal to the owner. False when it
// could not be called.
bool RunCertificateManager(HWND owner);

}  // namespace platform
