#pragma once

// Shows a plug-in's panel in a top-level window of its own: an X11 window on Linux, a
// Win32 one on Windows.

#include "tools/zkhost/HostedPlugin.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zkhost {

struct PanelOptions {
    double seconds = 10;       // how long the panel stays open
    std::string screenshot;    // the panel's pixels just before it closes (PNG on Linux, BMP on Windows)
    bool logAutomation = false; // print every automate, beginEdit and endEdit the plug-in reports
    bool logTicks = false;      // print "tick MS" (since the panel opened) each time the host's idle timer fires
    int quitOnAutomate = -1;   // close as soon as the plug-in automates this index
    double scale = 0;          // the panel's scale factor; 0: not given
    int sendController = -1;   // after every idle, pass this Control Change to the plug-in ...
    int sendValue = 0;         // ... with this value, and process a block of silence
    int quitOnChange = -1;     // close as soon as this parameter's value changes, and print it
    int cycles = 0;            // open and close the panel this often first, counting what is left (Linux)
    bool destroyWindowFirst = false; // destroy the window before closing the panel, as some hosts do (Linux)
};

// Opens the panel, calls `afterOpen` (the bank, program and parameter settings, so that
// they show on the open panel), runs the window's events and the editor's idle calls, and
// prints "panel open W H at X Y" (X Y: the panel's place on the screen) once it is shown.
// Returns the exit code.
int runPanel(HostedPlugin& plugin, const PanelOptions& options, const std::function<void()>& afterOpen);

// The host's side of each idle call. Prints what the plug-in reported since the last call
// (editText: "automate INDEX VALUE", "beginEdit INDEX", "endEdit INDEX", ...) when the log is wanted,
// passes it `sendController` where asked, and prints "parameter INDEX VALUE" whenever the
// watched parameter has moved (by MIDI, say, which the plug-in does not report). True once
// the plug-in has automated `quitOnAutomate` or the watched parameter has moved.
class EditReporter {
public:
    explicit EditReporter(const PanelOptions& options) : options_(options) {}
    bool report(HostedPlugin& plugin);

private:
    void sendController(HostedPlugin& plugin);
    bool watchedParameterMoved(HostedPlugin& plugin);

    const PanelOptions& options_;
    std::size_t reported_ = 0;
    bool started_ = false;
    std::vector<std::vector<float>> buffers_;
    bool watching_ = false;
    float watched_ = 0.0f;
};

} // namespace zkhost
