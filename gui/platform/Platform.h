#pragma once

// The operating-system seam of the toolkit, in two halves: the renderer (Renderer.h:
// devices, pixmaps, text, blits) and the windowing (Windowing.h: windows, input, menus,
// edit fields, timers, dialogs). Widget code reaches the system only through them; each
// back end (software, X11, Win32) implements both and maps the toolkit's own values to
// its system's. How the toolkit uses it:
// 1. current() is the platform in force: the one a test or a module installed, else the
//    back end the program is linked with (builtInPlatform).
// 2. Drawing goes through renderer(), windows and input through windowing().

#include "gui/platform/Renderer.h"
#include "gui/platform/Windowing.h"

namespace zk::gui::platform {

class Platform : public Renderer, public Windowing {
public:
    ~Platform() override = default;
    Renderer& renderer() { return *this; }
    Windowing& windowing() { return *this; }
};

// The platform the toolkit uses: the one installed, else the built-in one.
Platform& current();
// The platform of the back end the program is linked with (the software one, or Win32's
// on Windows); that back end defines it.
Platform& builtInPlatform();
// Installs a platform (null restores the default); returns the previous one.
Platform* install(Platform* platform);

} // namespace zk::gui::platform
