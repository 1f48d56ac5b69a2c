#include "app/command_dispatch.h"

#include <array>
#include <string_view>

#include "app/command_target.h"
#include "app/entry_number.h"

namespace {

enum class Command { kShowCert, kInstall, kUninstall, kExport, kShowStores };

struct CommandPrefix {
  std::u16string_view prefix;
  Command command;
};

// Tested in this order: the first prefix found anywhere in the URL wins.
constexpr std::array<CommandPrefix, 5> kCommandPrefixes{{
    {u"URL_SHOWCERT_", Command::kShowCert},
    {u"URL_INSTALLCERT_", Command::kInstall},
    {u"URL_UNINSTALLCERT_", Command::kUninstall},
    {u"URL_EXPORT_", Command::kExport},
    {u"URL_SHOW_WINDOWS_STORE", Command::kShowStores},
}};

}  // namespace

bool DispatchCommandUrl(const std::u16string& url, CommandTarget* mainWindow) {
  if (mainWindow == nullptr || url.find(u"res://") == std::u16string::npos) {
    return false;
  }
  for (const auto& [prefix, command] : kCommandPrefixes) {
    std::ptrdiff_t end = -1;
    if (FindMarker(prefix, url, end) == -1) {
      continue;
    }
    const std::u16string rest = url.substr(static_cast<std::size_t>(end));
    switch (command) {
      case Command::kShowCert:
        mainWindow->ShowCertificate(rest);
        break;
      case Command::kInstall:
        mainWindow->InstallUninstall(rest, true);
        break;
      case Command::kUninstall:
        mainWindow->InstallUninstall(rest, false);
        break;
      case Command::kExport:
        mainWindow->ExportCertificate(rest);
        break;
      case Command::kShowStores:
        mainWindow->ShowWindowsStores();
        break;
    }
    return true;
  }
  return false;
}
