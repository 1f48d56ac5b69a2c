// Where the current user's certificate database lives, and closing it.
//
// The database is the one other programs of the user's desktop share: the folder
// $HOME/.pki/nssdb when it exists (even empty), else $XDG_DATA_HOME/pki/nssdb (by default
// $HOME/.local/share/pki/nssdb). It is opened on first use and kept open for the process; reading
// never creates it, the first add does (folder mode 0700, no password).
#pragma once

#include <string>

namespace platform {

// The absolute path of the database folder as the environment names it now. Empty when neither
// HOME nor XDG_DATA_HOME gives an absolute path.
std::string UserCertDatabaseDir();

// Closes the database if it is open; the next store operation opens it afresh from the then
// current environment. Also runs at process exit.
void CloseUserCertDatabase();

}  // namespace platform
