// The view's navigation dispatch: which navigations load, which run a command of the main window,
// and which leave the window for the user's default handler.
#pragma once

#include <string>
#include <string_view>

class CommandTarget;

// How the view treats a navigation to url while location is shown; mainPageUrl is the address of
// the program's page.
enum class NavigationRoute {
  kLoadPage,  // the program's own page or another of its resources: loaded in the view
  kCommand,   // a command link clicked on the program's page: run, nothing is loaded
  kIgnore,    // a command link from anywhere else: refused, nothing is loaded
  kOutside,   // any other address (web, mail, file, ...): opened outside, the view stays
};

// Only a "res" URL (the program's own resources) is ever loaded or read as a command, and a
// command only while the program's page is shown: a URL of another scheme that merely carries
// "res://" and a command prefix in it (percent-encoded or not) is never a command.
NavigationRoute RouteNavigation(std::u16string_view url, std::u16string_view location,
                                std::u16string_view mainPageUrl);

// Whether the URL names one of the program's own resources (its scheme is "res", in any case).
bool IsResUrl(std::u16string_view url);

// Whether the location shows the program's page: a "res" URL whose last segment is "main.html"
// (case ignored).
bool IsMainPageLocation(std::u16string_view location);

// When the URL is a "res" URL and there is a main window, the command prefixes are tried in
// order ("URL_SHOWCERT_", "URL_INSTALLCERT_", "URL_UNINSTALLCERT_", "URL_EXPORT_",
// "URL_SHOW_WINDOWS_STORE"); at the first that occurs anywhere in the URL its command runs with
// the rest of the URL after it, and the result is true. False in every other case.
bool DispatchCommandUrl(const std::u16string& url, CommandTarget* mainWindow);
