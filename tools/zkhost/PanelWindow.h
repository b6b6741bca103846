#pragma once

// Shows a plug-in's panel in a top-level window of its own (Windows builds).

#include "tools/zkhost/PluginHost.h"

#include <string>

namespace zkhost {

struct PanelOptions {
    double seconds = 10;       // how long the panel stays open
    std::string screenshot;    // a 24-bit BMP of the panel, taken just before it closes
    int quitOnAutomate = -1;   // close as soon as the plug-in automates this index
};

// Opens the panel, runs the window's messages and the editor's idle calls, and prints
// "panel open W H at X Y" (X Y: the panel's place on the screen) once it is shown and
// "automate INDEX VALUE" for every automation the plug-in reports. Returns the exit code.
int runPanel(PluginHost& host, const PanelOptions& options);

} // namespace zkhost
