// What the browser view's dispatch and page population reach through the application's main
// window: the four command operations and the catalogue. CMainFrame implements it; tests of the
// dispatch use a fake.
#pragma once

#include <string>

class TCertManager;

class CommandTarget {
 public:
  CommandTarget() = default;
  CommandTarget(const CommandTarget&) = delete;
  CommandTarget& operator=(const CommandTarget&) = delete;
  virtual ~CommandTarget() = default;

  // Each command receives the rest of the link after its prefix; the dispatch ignores the result.
  virtual bool ShowCertificate(const std::u16string& entryNumber) = 0;
  virtual bool InstallUninstall(const std::u16string& entryNumber, bool install) = 0;
  virtual bool ExportCertificate(const std::u16string& entryNumber) = 0;
  virtual bool ShowWindowsStores() = 0;

  // The catalogue that page population writes into the page.
  virtual const TCertManager* Catalogue() const = 0;
};

// The application's main window: null until start-up has made the frame the main window, so
// the first navigation at start-up passes the dispatch untouched.
CommandTarget* GetMainWindow();
void SetMainWindow(CommandTarget* window);
