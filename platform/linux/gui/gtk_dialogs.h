// The GTK dialogs behind four of the graphical platform services: the save dialog, the
// certificate viewer and the window over the user's certificate stores. GtkUiServices forwards to
// these; each runs modally over the parent (which may be null).
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/cert_context.h"
#include "platform/secret_text.h"
#include "platform/ui_services.h"

namespace platform::gui {

// A top-level widget (a dialog) made for one modal run, destroyed when the owner goes away.
struct WidgetDestroyer {
  void operator()(GtkWidget* widget) const {
    if (widget != nullptr) {
      gtk_widget_destroy(widget);
    }
  }
};
using TopLevelWidget = std::unique_ptr<GtkWidget, WidgetDestroyer>;

}  // namespace platform::gui

// A save dialog proposing the name, offering "*.cer" and all files, asking before it overwrites.
// The chosen absolute path, or none when the user cancelled. The current directory is unchanged.
std::optional<std::u16string> RunSaveDialog(GtkWindow* parent, const std::u16string& proposed);

// Shows one certificate in a modal viewer titled after it, with no way to add it to a store.
// False when the bytes are not a certificate or no viewer could be shown.
bool RunCertificateViewer(GtkWindow* parent, const platform::CertContext& context);

// The modal window over the user's certificate databases, one tab per store, with View and
// Remove; Remove runs remove. False when it could not be shown.
bool RunCertificateStoresWindow(GtkWindow* parent, const platform::StoreRemoval& remove);

// Asks for the password of the named certificate database, hiding what is typed. attempt counts
// from 1; a later one says that the password was not correct. None when the user cancelled.
std::optional<platform::SecretText> RunPasswordDialog(GtkWindow* parent,
                                                      const std::u16string& databaseName,
                                                      int attempt);
