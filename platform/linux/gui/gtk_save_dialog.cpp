// The save dialog of the export: a GTK file chooser in save mode that proposes the certificate's
// file name, offers "*.cer" files and all files, and asks before it overwrites a file.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <vector>

#include "platform/linux/glib_handle.h"
#include "platform/linux/gui/gtk_dialogs.h"
#include "platform/linux/gui/gui_text.h"

namespace {

using platform::glib::CharsPtr;

// The process's current directory, or empty when it cannot be read.
std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Puts the current directory back should anything in the dialog have moved it; the export
// promises the directory is the same afterwards.
class CurrentDirectoryKeeper {
 public:
  CurrentDirectoryKeeper() : saved_(CurrentDirectory()) {}
  ~CurrentDirectoryKeeper() {
    if (!saved_.empty() && CurrentDirectory() != saved_) {
      [[maybe_unused]] const int ignored = chdir(saved_.c_str());
    }
  }
  CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
  CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;

 private:
  std::string saved_;
};

void AddFilter(GtkFileChooser* chooser, const char* name, const char* pattern) {
  GtkFileFilter* filter = gtk_file_filter_new();  // floating; the chooser takes it
  gtk_file_filter_set_name(filter, name);
  gtk_file_filter_add_pattern(filter, pattern);
  gtk_file_chooser_add_filter(chooser, filter);
}

}  // namespace

std::optional<std::u16string> RunSaveDialog(GtkWindow* parent, const std::u16string& proposed) {
  CurrentDirectoryKeeper keepDirectory;
  platform::gui::TopLevelWidget dialog(
      gtk_file_chooser_dialog_new(nullptr, parent, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                  GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr));
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
  gtk_window_set_modal(GTK_WINDOW(dialog.get()), TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  AddFilter(chooser, "*.cer", "*.cer");
  AddFilter(chooser, "All files", "*");
  // The chooser starts in the current directory; the name is proposed as typed text only.
  const std::string currentDir = CurrentDirectory();
  if (!currentDir.empty()) {
    gtk_file_chooser_set_current_folder(chooser, currentDir.c_str());
  }
  gtk_file_chooser_set_current_name(chooser, platform::gui::ToGtkText(proposed).c_str());

  if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) {
    return std::nullopt;
  }
  const CharsPtr fileName(gtk_file_chooser_get_filename(chooser));
  if (!fileName) {
    return std::nullopt;
  }
  // GLib file names are UTF-8 unless the user's environment says otherwise.
  const CharsPtr utf8(g_filename_to_utf8(fileName.get(), -1, nullptr, nullptr, nullptr));
  if (!utf8) {
    return std::nullopt;
  }
  std::u16string path = platform::gui::FromGtkText(utf8.get());
  if (path.empty()) {
    return std::nullopt;
  }
  return path;
}
