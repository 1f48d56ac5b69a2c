// Driving the program's modal dialogs from a test: while a command waits in a dialog's own loop,
// a timer on the main context finds the dialog and acts on it, step after step. Also the running
// program with its real window, user interface and page, and helpers to read the page's rows.
#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "shell_gui_support.h"
#include "tests/support/scoped_ui.h"

class CCorvaneApp;
class CMainFrame;

namespace platform {
class GtkUiServices;
class GtkWindowSystem;
}  // namespace platform

namespace commands_gui {

// A visible top-level dialog other than the main window that the test accepts, or null.
GtkWidget* FindDialog(const std::function<bool(GtkWidget*)>& accept);
// A dialog with that widget name.
GtkWidget* FindDialogNamed(const char* name);
// A message dialog whose text starts with the prefix.
GtkWidget* FindMessageDialog(const std::string& textPrefix);
// The first widget inside root (internal children included) that the test accepts, or null.
GtkWidget* FindWidget(GtkWidget* root, const std::function<bool(GtkWidget*)>& accept);
GtkWidget* FindWidgetNamed(GtkWidget* root, const char* name);
// The text of a message dialog's main line(s).
std::string MessageText(GtkWidget* dialog);
// Saves the window as CORVANE_SCREENSHOT_DIR/name.png when that variable is set.
void SaveScreenshot(GtkWidget* window, const std::string& name);

// Steps that run in order while dialogs are open. Each step waits until its finder has found a
// widget on several ticks in a row (so the dialog is drawn), then acts on it. After the time
// limit every open dialog is closed and the script counts as failed, so no test hangs.
class ModalScript {
 public:
  using Finder = std::function<GtkWidget*()>;
  using Action = std::function<void(GtkWidget*)>;

  explicit ModalScript(unsigned limitMilliseconds = 30000);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  ModalScript& Then(Finder find, Action act, int settleTicks = 4);
  // Shortcut: respond to the dialog the finder gives.
  ModalScript& Respond(Finder find, int response, int settleTicks = 4);

  bool Finished() const { return steps_.empty(); }
  bool TimedOut() const { return timedOut_; }

 private:
  struct Step {
    Finder find;
    Action act;
    int settleTicks;
    int seenTicks = 0;
  };
  static gboolean OnTick(gpointer self);

  std::deque<Step> steps_;
  guint timer_ = 0;
  gint64 deadline_ = 0;
  bool timedOut_ = false;
};

// The program as it runs: the GTK window system, the GTK user interface and the application,
// started over the test's home folder.
class CommandsGuiTest : public ShellGuiTest {
 protected:
  CommandsGuiTest();
  ~CommandsGuiTest() override;
  void TearDown() override;

  // Starts the program and waits for its four certificate tables.
  void Start();
  CMainFrame& Frame() const;
  WebKitWebView* View() const;
  GtkWindow* MainWindow() const;

  // Clicks the page's link whose target ends with "=" + command (or is exactly command).
  void ClickLink(const std::string& command);
  // Clicks a link to a command that the page does not offer.
  void ClickMadeUpLink(const std::string& command);
  // "icon action-target" of the row of that entry, e.g. "ok.png URL_UNINSTALLCERT_1028_0".
  std::string RowState(const std::string& entryNumber);
  // Marks the loaded page; the mark is gone once the page has been loaded again.
  void MarkPage();
  bool PageStillMarked();
  // Runs the main loop until the script has finished (false when it timed out).
  bool RunScript(const ModalScript& script);

  std::unique_ptr<platform::GtkWindowSystem> windows_;
  std::unique_ptr<platform::GtkUiServices> ui_;
  std::optional<corvane_test::ScopedUi> uiGuard_;
  std::unique_ptr<CCorvaneApp> app_;
};

}  // namespace commands_gui
