// The dialog that asks for the password of a certificate database: it names the database, hides
// what is typed and keeps it in memory that is wiped when the dialog goes away.
// gcr-3 guards its headers behind this macro; the secure entry buffer has not changed in years.
#define GCR_API_SUBJECT_TO_CHANGE
#include <gcr/gcr.h>

#include <string>

#include "platform/linux/gui/gtk_dialogs.h"
#include "platform/linux/gui/gui_text.h"
#include "platform/password_source.h"
#include "res/message_text.h"
#include "res/string_table.h"

namespace {

std::string Text(std::uint32_t id) {
  return platform::gui::ToGtkText(LoadResourceString(id));
}

std::string Question(const std::u16string& databaseName, int attempt) {
  std::u16string text = FormatResourceString(strings::kPasswordQuestion, databaseName);
  if (attempt > 1) {
    const std::u16string tried = platform::gui::FromGtkText(std::to_string(attempt).c_str());
    const std::u16string allowed =
        platform::gui::FromGtkText(std::to_string(platform::kPasswordAttempts).c_str());
    text += u"\n\n" + FormatResourceString(strings::kPasswordRetry, tried, allowed);
  }
  return platform::gui::ToGtkText(text);
}

}  // namespace

std::optional<platform::SecretText> RunPasswordDialog(GtkWindow* parent,
                                                      const std::u16string& databaseName,
                                                      int attempt) {
  platform::gui::TopLevelWidget dialog(gtk_dialog_new_with_buttons(
      Text(strings::kPasswordTitle).c_str(), parent,
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      Text(strings::kCancelButton).c_str(), GTK_RESPONSE_CANCEL, Text(strings::kOkButton).c_str(),
      GTK_RESPONSE_OK, nullptr));
  gtk_widget_set_name(dialog.get(), "database-password");
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_OK);

  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()));
  gtk_container_set_border_width(GTK_CONTAINER(area), 12);
  gtk_box_set_spacing(GTK_BOX(area), 12);
  GtkWidget* label = gtk_label_new(Question(databaseName, attempt).c_str());
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  // A wrapping label asks for the height its narrowest width needs; a natural width close to the
  // widest keeps the dialog from reserving empty lines under the text.
  gtk_label_set_width_chars(GTK_LABEL(label), 50);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_box_pack_start(GTK_BOX(area), label, FALSE, FALSE, 0);

  // The typed text lives in the secure buffer only, which wipes it when the entry goes away.
  GtkEntryBuffer* buffer = gcr_secure_entry_buffer_new();
  GtkWidget* entry = gtk_entry_new_with_buffer(buffer);
  g_object_unref(buffer);
  gtk_widget_set_name(entry, "database-password-entry");
  gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_PASSWORD);
  gtk_box_pack_start(GTK_BOX(area), entry, FALSE, FALSE, 0);
  gtk_widget_show_all(area);
  gtk_widget_grab_focus(entry);

  if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_OK) {
    return std::nullopt;
  }
  return platform::SecretText(gtk_entry_get_text(GTK_ENTRY(entry)));
}
