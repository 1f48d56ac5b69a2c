// The certificate viewer: GNOME's certificate widget inside a modal dialog titled after the
// certificate, with a Close button only, so there is no way to add the certificate to a store.
#define GCR_API_SUBJECT_TO_CHANGE
#include <gcr/gcr.h>
#include <openssl/x509.h>

#include <memory>

#include "platform/linux/gui/gobject_handle.h"
#include "platform/linux/gui/gtk_dialogs.h"

namespace {

using platform::gui::GObjectRef;
using platform::gui::TopLevelWidget;
using GCharPtr = std::unique_ptr<gchar, decltype(&g_free)>;

// True when the bytes are exactly one DER certificate. The widget shows garbage without
// complaint, so the bytes are checked before it sees them.
bool IsDerCertificate(const platform::Bytes& der) {
  if (der.empty()) {
    return false;
  }
  const unsigned char* cursor = der.data();
  std::unique_ptr<X509, decltype(&X509_free)> parsed(
      d2i_X509(nullptr, &cursor, static_cast<long>(der.size())), &X509_free);
  return parsed != nullptr && cursor == der.data() + der.size();
}

std::string DialogTitle(GcrCertificate* certificate) {
  GCharPtr name(gcr_certificate_get_subject_name(certificate), &g_free);
  if (name && *name.get() != '\0') {
    return name.get();
  }
  return "Certificate";
}

}  // namespace

bool RunCertificateViewer(GtkWindow* parent, const platform::CertContext& context) {
  if (!IsDerCertificate(context.encoded)) {
    return false;
  }
  const auto certificate = GObjectRef<GcrCertificate>::Adopt(
      gcr_simple_certificate_new(context.encoded.data(), context.encoded.size()));
  if (!certificate) {
    return false;
  }
  GcrCertificateWidget* viewer = gcr_certificate_widget_new(certificate.get());
  if (viewer == nullptr) {
    return false;
  }

  const std::string title = DialogTitle(certificate.get());
  TopLevelWidget dialog(gtk_dialog_new_with_buttons(title.c_str(), parent, GTK_DIALOG_MODAL,
                                                    "_Close", GTK_RESPONSE_CLOSE, nullptr));
  gtk_window_set_default_size(GTK_WINDOW(dialog.get()), 560, 640);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_CLOSE);

  // The details expander can only grow when the widget fills the dialog; the scrolled window
  // keeps long detail lists reachable.
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), GTK_WIDGET(viewer));
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()));
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
  gtk_widget_set_hexpand(GTK_WIDGET(viewer), TRUE);
  gtk_widget_set_vexpand(GTK_WIDGET(viewer), TRUE);
  gtk_widget_show_all(dialog.get());

  gtk_dialog_run(GTK_DIALOG(dialog.get()));
  return true;
}
