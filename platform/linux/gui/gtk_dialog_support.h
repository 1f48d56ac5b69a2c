// Small owners and text conversions shared by the GTK dialogs: GObject references, GLib strings
// and top-level widgets are released on every path, and UTF-16 texts cross to GTK as UTF-8.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

namespace gtk_dialogs {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) {
      g_object_unref(object);
    }
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

// Destroys a top-level widget (a dialog) that was created for one modal run.
struct WidgetDestroy {
  void operator()(GtkWidget* widget) const {
    if (widget != nullptr) {
      gtk_widget_destroy(widget);
    }
  }
};
using WidgetPtr = std::unique_ptr<GtkWidget, WidgetDestroy>;

// UTF-16 to UTF-8; an invalid sequence (a lone surrogate) gives the empty text.
inline std::string ToUtf8(const std::u16string& text) {
  GCharPtr converted(g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                                     static_cast<glong>(text.size()), nullptr, nullptr, nullptr));
  return converted ? std::string(converted.get()) : std::string();
}

// UTF-8 to UTF-16; invalid UTF-8 gives the empty text.
inline std::u16string ToUtf16(const char* text) {
  if (text == nullptr) {
    return {};
  }
  glong written = 0;
  std::unique_ptr<gunichar2, GFree> converted(
      g_utf8_to_utf16(text, -1, nullptr, &written, nullptr));
  if (!converted) {
    return {};
  }
  return std::u16string(reinterpret_cast<const char16_t*>(converted.get()),
                        static_cast<std::size_t>(written));
}

}  // namespace gtk_dialogs
