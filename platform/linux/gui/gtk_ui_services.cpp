#include "platform/linux/gui/gtk_ui_services.h"

#include <vector>

#include "platform/linux/glib_handle.h"
#include "platform/linux/gui/gtk_dialogs.h"
#include "platform/linux/gui/gui_text.h"

namespace platform {
namespace {

GtkMessageType MessageTypeOf(std::uint32_t style) {
  switch (style & kMbIconMask) {
    case kMbIconError:
      return GTK_MESSAGE_ERROR;
    // The program's confirmation asks with the style 0x33 and is meant to show the question
    // icon; it shows no warnings, so both icon values mean a question here.
    case kMbIconQuestion:
    case kMbIconWarning:
      return GTK_MESSAGE_QUESTION;
    case kMbIconInformation:
      return GTK_MESSAGE_INFO;
    default:
      return GTK_MESSAGE_OTHER;
  }
}

struct ButtonSpec {
  const char* label;
  GtkResponseType response;
};

// The buttons in the order the box shows them; the first is the default.
std::vector<ButtonSpec> ButtonsOf(std::uint32_t style) {
  switch (style & kMbButtonsMask) {
    case kMbOkCancel:
      return {{"_OK", GTK_RESPONSE_OK}, {"_Cancel", GTK_RESPONSE_CANCEL}};
    case kMbYesNoCancel:
      return {
          {"_Yes", GTK_RESPONSE_YES}, {"_No", GTK_RESPONSE_NO}, {"_Cancel", GTK_RESPONSE_CANCEL}};
    case kMbYesNo:
      return {{"_Yes", GTK_RESPONSE_YES}, {"_No", GTK_RESPONSE_NO}};
    default:
      return {{"_OK", GTK_RESPONSE_OK}};
  }
}

int ButtonIdOf(gint response, std::uint32_t style) {
  switch (response) {
    case GTK_RESPONSE_OK:
      return kIdOk;
    case GTK_RESPONSE_CANCEL:
      return kIdCancel;
    case GTK_RESPONSE_YES:
      return kIdYes;
    case GTK_RESPONSE_NO:
      return kIdNo;
    default:
      break;
  }
  // Closed without a button (window close, Escape).
  switch (style & kMbButtonsMask) {
    case kMbOkCancel:
    case kMbYesNoCancel:
      return kIdCancel;
    case kMbYesNo:
      return kIdNo;
    default:
      return kIdOk;
  }
}

}  // namespace

GtkUiServices::GtkUiServices(std::function<GtkWindow*()> parentLookup)
    : parentLookup_(std::move(parentLookup)) {}

GtkWindow* GtkUiServices::Parent() const {
  GtkWindow* parent = parentLookup_ ? parentLookup_() : nullptr;
  if (parent != nullptr && gtk_widget_in_destruction(GTK_WIDGET(parent))) {
    return nullptr;
  }
  return parent;
}

int GtkUiServices::ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                                  std::uint32_t style) {
  const std::string message = gui::ToGtkText(text);
  const std::string title = gui::ToGtkText(caption);
  const std::vector<ButtonSpec> buttons = ButtonsOf(style);
  gui::TopLevelWidget dialog(gtk_message_dialog_new(
      Parent(), static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      MessageTypeOf(style), GTK_BUTTONS_NONE, "%s", message.c_str()));
  gtk_window_set_title(GTK_WINDOW(dialog.get()), title.c_str());
  for (const ButtonSpec& button : buttons) {
    gtk_dialog_add_button(GTK_DIALOG(dialog.get()), button.label, button.response);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), buttons.front().response);
  return ButtonIdOf(gtk_dialog_run(GTK_DIALOG(dialog.get())), style);
}

std::optional<std::u16string> GtkUiServices::AskSaveFileName(const std::u16string& proposedName) {
  return RunSaveDialog(Parent(), proposedName);
}

bool GtkUiServices::ViewCertificate(const CertContext& context) {
  return RunCertificateViewer(Parent(), context);
}

bool GtkUiServices::ShowCertificateStores(const platform::StoreRemoval& remove) {
  return RunCertificateStoresWindow(Parent(), remove);
}

std::optional<SecretText> GtkUiServices::AskDatabasePassword(const std::u16string& databaseName,
                                                             int attempt) {
  return RunPasswordDialog(Parent(), databaseName, attempt);
}

}  // namespace platform
