#include "platform/linux/gui/gui_environment.h"

#include <glib.h>

namespace platform {

void DisableGraphicsDiskCaches() {
  g_setenv("MESA_SHADER_CACHE_DISABLE", "true", FALSE);
}

}  // namespace platform
