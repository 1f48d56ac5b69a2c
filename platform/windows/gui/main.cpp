// Corvane's entry point on Windows: OLE on the user-interface thread, the common controls, the
// Win32 window system and dialogs under the application. The program takes no arguments.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include "app/corvane_app.h"
#include "platform/ui_services.h"
#include "platform/windows/gui/com_handles.h"
#include "platform/windows/gui/win_frame_window.h"
#include "platform/windows/gui/win_ui_services.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  const platform::windows::OleApartment ole;
  if (!ole.Initialized()) {
    return 1;
  }
  int status = 1;
  try {
    platform::WinWindowSystem windows(instance);
    platform::WinUiServices ui([&windows] { return windows.MainWindowHandle(); });
    platform::SetUi(&ui);
    {
      CCorvaneApp app(windows);
      status = app.Run();
    }
  } catch (...) {
    // Out of memory before the window could be shown: nothing to show it in.
    status = 1;
  }
  platform::SetUi(nullptr);
  return status;
}
