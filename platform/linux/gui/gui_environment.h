// Settings of the process environment that the window's libraries read when they start.
#pragma once

namespace platform {

// Keeps the graphics driver from writing its shader cache into the user's cache folder, so that
// running the window writes nothing anywhere. An explicit setting of the user's is kept. Call
// before GTK starts; the browser's helper processes inherit it.
void DisableGraphicsDiskCaches();

}  // namespace platform
