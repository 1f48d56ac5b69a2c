#include "app/command_dispatch.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/command_target.h"
#include "app/entry_number.h"
#include "page/command_links.h"

namespace {

enum class Command { kShowCert, kInstall, kUninstall, kExport, kShowStores };

struct CommandPrefix {
  std::u16string_view prefix;
  Command command;
};

// Tested in this order: the first prefix found anywhere in the URL wins.
constexpr std::array<CommandPrefix, 5> kCommandPrefixes{{
    {command_links::kShowCert, Command::kShowCert},
    {command_links::kInstall, Command::kInstall},
    {command_links::kUninstall, Command::kUninstall},
    {command_links::kExport, Command::kExport},
    {command_links::kShowStores, Command::kShowStores},
}};

constexpr std::u16string_view kResScheme = u"res:";
constexpr std::u16string_view kMainPageName = u"/main.html";

char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EqualsIgnoringAsciiCase(std::u16string_view left, std::u16string_view right) {
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(),
                    [](char16_t a, char16_t b) { return AsciiLower(a) == AsciiLower(b); });
}

bool HasCommandPrefix(std::u16string_view url) {
  return std::any_of(kCommandPrefixes.begin(), kCommandPrefixes.end(),
                     [url](const CommandPrefix& entry) {
                       return url.find(entry.prefix) != std::u16string_view::npos;
                     });
}

}  // namespace

bool IsMainPageLocation(std::u16string_view location) {
  return IsResUrl(location) && location.size() >= kMainPageName.size() &&
         EqualsIgnoringAsciiCase(location.substr(location.size() - kMainPageName.size()),
                                 kMainPageName);
}

bool IsResUrl(std::u16string_view url) {
  return url.size() >= kResScheme.size() &&
         EqualsIgnoringAsciiCase(url.substr(0, kResScheme.size()), kResScheme);
}

NavigationRoute RouteNavigation(std::u16string_view url, std::u16string_view location,
                                std::u16string_view mainPageUrl) {
  if (url.empty()) {
    return NavigationRoute::kIgnore;
  }
  if (!IsResUrl(url)) {
    return NavigationRoute::kOutside;
  }
  // Checked first: the executable's path in the page's address may itself hold a prefix.
  if (!mainPageUrl.empty() && url == mainPageUrl) {
    return NavigationRoute::kLoadPage;
  }
  if (HasCommandPrefix(url)) {
    return IsMainPageLocation(location) ? NavigationRoute::kCommand : NavigationRoute::kIgnore;
  }
  // The "res" scheme serves nothing but the program's own bundle.
  return NavigationRoute::kLoadPage;
}

bool DispatchCommandUrl(const std::u16string& url, CommandTarget* mainWindow) {
  if (mainWindow == nullptr || !IsResUrl(url)) {
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
