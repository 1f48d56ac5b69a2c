#include "platform/frame_window.h"

namespace platform {

WindowRect PlaceByDesktop(int desktopWidth, int desktopHeight) {
  const int dx = desktopWidth / 8;
  const int dy = desktopHeight / 8;
  return WindowRect{dx, dy, desktopWidth - 3 * dx, desktopHeight - 2 * dy};
}

}  // namespace platform
