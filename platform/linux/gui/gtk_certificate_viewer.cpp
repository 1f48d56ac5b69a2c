// The certificate viewer: GNOME's certificate widget inside a modal dialog titled after the
// certificate, with a Close button only, so there is no way to add the certificate to a store.
#define GCR_API_SUBJECT_TO_CHANGE
#include <gcr/gcr.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/cert_decoding.h"
#include "platform/linux/glib_handle.h"
#include "platform/linux/gui/gtk_dialogs.h"
#include "platform/linux/gui/gui_text.h"
#include "platform/linux/openssl_support.h"
#include "res/string_table.h"

namespace {

using platform::glib::GObjectRef;
using platform::gui::TopLevelWidget;

// True when the bytes are exactly one DER certificate. The widget shows garbage without
// complaint, so the bytes are checked before it sees them.
bool IsDerCertificate(const platform::Bytes& der) {
  if (der.empty()) {
    return false;
  }
  const unsigned char* cursor = der.data();
  const platform::openssl::X509Ptr parsed(
      d2i_X509(nullptr, &cursor, static_cast<long>(der.size())));
  return parsed != nullptr && cursor == der.data() + der.size();
}

// The subject's simple display name, as the stores window lists the certificate.
std::string DialogTitle(const platform::CertContext& context) {
  const std::u16string name = platform::CertGetSimpleDisplayName(context, false);
  return platform::gui::ToGtkText(name.empty() ? LoadResourceString(strings::kCertificate) : name);
}

constexpr char kViewerName[] = "certificate-viewer";
constexpr int kViewerWidth = 600;
// The height the dialog takes when its details are opened, unless the screen is smaller.
constexpr int kDetailsHeight = 640;

// The widget marks its details expander with a style class whose rule paints the expander red
// (".gcr-red * { background-color: red; }"). In this dialog the expander sits on the view's own
// background, as in the desktop's certificate viewer; the ID selector outranks that rule.
constexpr char kViewerCss[] = "#certificate-viewer .gcr-red * { background-color: transparent; }";

// The style sheet of the viewer, on the screen for as long as a viewer is open.
class ViewerStyle {
 public:
  ViewerStyle()
      : provider_(GObjectRef<GtkCssProvider>::Adopt(gtk_css_provider_new())),
        screen_(gdk_screen_get_default()) {
    gtk_css_provider_load_from_data(provider_.get(), kViewerCss, -1, nullptr);
    if (screen_ != nullptr) {
      gtk_style_context_add_provider_for_screen(screen_, GTK_STYLE_PROVIDER(provider_.get()),
                                                GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
  }
  ~ViewerStyle() {
    if (screen_ != nullptr) {
      gtk_style_context_remove_provider_for_screen(screen_, GTK_STYLE_PROVIDER(provider_.get()));
    }
  }
  ViewerStyle(const ViewerStyle&) = delete;
  ViewerStyle& operator=(const ViewerStyle&) = delete;

 private:
  GObjectRef<GtkCssProvider> provider_;
  GdkScreen* screen_;
};

GtkWidget* FindExpander(GtkWidget* root) {
  if (GTK_IS_EXPANDER(root)) {
    return root;
  }
  GtkWidget* found = nullptr;
  if (GTK_IS_CONTAINER(root)) {
    gtk_container_forall(
        GTK_CONTAINER(root),
        [](GtkWidget* child, gpointer result) {
          auto* expander = static_cast<GtkWidget**>(result);
          if (*expander == nullptr) {
            *expander = FindExpander(child);
          }
        },
        &found);
  }
  return found;
}

// Opening the details makes the dialog tall enough to read them; closing them gives the dialog
// back the height of the summary.
void OnDetailsToggled(GObject* expander, GParamSpec*, gpointer dialogPointer) {
  GtkWindow* dialog = GTK_WINDOW(dialogPointer);
  int width = 0;
  int height = 0;
  gtk_window_get_size(dialog, &width, &height);
  if (gtk_expander_get_expanded(GTK_EXPANDER(expander)) == FALSE) {
    gtk_window_resize(dialog, width, 1);
    return;
  }
  int wanted = kDetailsHeight;
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(dialog));
  if (GdkMonitor* monitor = window != nullptr ? gdk_display_get_monitor_at_window(
                                                    gdk_window_get_display(window), window)
                                              : nullptr) {
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    wanted = std::min(wanted, area.height * 9 / 10);
  }
  if (height < wanted) {
    gtk_window_resize(dialog, width, wanted);
  }
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
  const auto viewer =
      GObjectRef<GcrCertificateWidget>::Retain(gcr_certificate_widget_new(certificate.get()));
  if (!viewer) {
    return false;
  }
  const ViewerStyle style;

  const std::string title = DialogTitle(context);
  const std::string close = platform::gui::ToGtkText(LoadResourceString(strings::kCloseButton));
  TopLevelWidget dialog(gtk_dialog_new_with_buttons(title.c_str(), parent, GTK_DIALOG_MODAL,
                                                    close.c_str(), GTK_RESPONSE_CLOSE, nullptr));
  gtk_widget_set_name(dialog.get(), kViewerName);
  // As wide as the detail lines need; as high as the summary until the details are opened.
  gtk_window_set_default_size(GTK_WINDOW(dialog.get()), kViewerWidth, -1);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_CLOSE);

  // The widget scrolls its own content; packed to fill, its details can grow with the dialog.
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()));
  gtk_box_pack_start(GTK_BOX(content), GTK_WIDGET(viewer.get()), TRUE, TRUE, 0);
  if (GtkWidget* details = FindExpander(GTK_WIDGET(viewer.get()))) {
    g_signal_connect(details, "notify::expanded", G_CALLBACK(OnDetailsToggled), dialog.get());
  }
  gtk_widget_show_all(dialog.get());

  gtk_dialog_run(GTK_DIALOG(dialog.get()));
  return true;
}
