#pragma once

// What the command line asks to load into an instance before a command runs, and to save
// from it at the end. Each format takes its own kinds of files and refuses the others.

#include <string>
#include <vector>

namespace zkhost {

struct StateOptions {
    // VST 2: bank and preset files, the program's name.
    std::string fxb, fxp, saveFxp, saveFxb, programName;
    // CLAP: the raw bytes the plug-in writes to the host's stream.
    std::string state, saveState;
    int streamBytes = 0; // CLAP: at most this many bytes per stream call; 0: as many as asked
    int program = -1;    // VST 2: effSetProgram; CLAP: a MIDI Program Change
    std::string preset;  // a preset the plug-in offers in its format, by name (HostedPlugin::presets)
    std::vector<std::string> sets;
};

} // namespace zkhost
