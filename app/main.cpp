// Corvane's entry point: a graphical display is required; the program takes no arguments.
#include <gtk/gtk.h>

#include <cstdio>
#include <exception>

#include "app/corvane_app.h"
#include "platform/linux/gui/gtk_frame_window.h"
#include "platform/linux/gui/gtk_ui_services.h"
#include "platform/linux/gui/gui_environment.h"
#include "platform/ui_services.h"

int main() {
  g_set_prgname("corvane");
  platform::DisableGraphicsDiskCaches();
  // No arguments are handed to GTK: command-line options have no effect.
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fputs(
        "corvane: Corvane needs a graphical display, and none could be opened "
        "(DISPLAY or WAYLAND_DISPLAY).\n",
        stderr);
    return 1;
  }
  try {
    platform::GtkWindowSystem windows;
    platform::GtkUiServices ui([&windows] { return windows.MainGtkWindow(); });
    platform::SetUi(&ui);
    int status = 0;
    {
      CCorvaneApp app(windows);
      status = app.Run();
    }
    platform::SetUi(nullptr);
    if (status != 0) {
      std::fputs("corvane: the main window could not be created.\n", stderr);
    }
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "corvane: %s\n", error.what());
  } catch (...) {
    std::fputs("corvane: unexpected failure\n", stderr);
  }
  platform::SetUi(nullptr);
  return 1;
}
