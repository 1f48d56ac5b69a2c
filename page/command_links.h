// The command links of the page: each prefix is followed by an entry number, except the link to
// the certificate stores. The page writes them; the browser view recognises them in a clicked URL.
#pragma once

namespace command_links {

inline constexpr char16_t kShowCert[] = u"URL_SHOWCERT_";
inline constexpr char16_t kInstall[] = u"URL_INSTALLCERT_";
inline constexpr char16_t kUninstall[] = u"URL_UNINSTALLCERT_";
inline constexpr char16_t kExport[] = u"URL_EXPORT_";
inline constexpr char16_t kShowStores[] = u"URL_SHOW_WINDOWS_STORE";

}  // namespace command_links
