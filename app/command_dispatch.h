// The view's navigation dispatch: a navigation to a command link of the page runs the matching
// command of the main window instead of loading anything.
#pragma once

#include <string>

class CommandTarget;

// When the URL contains "res://" and there is a main window, the command prefixes are tried in
// order ("URL_SHOWCERT_", "URL_INSTALLCERT_", "URL_UNINSTALLCERT_", "URL_EXPORT_",
// "URL_SHOW_WINDOWS_STORE"); at the first that occurs anywhere in the URL its command runs with
// the rest of the URL after it, and the result is true: the navigation is to be cancelled.
// False in every other case: the browser navigates as asked.
bool DispatchCommandUrl(const std::u16string& url, CommandTarget* mainWindow);
