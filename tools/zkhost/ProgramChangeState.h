#pragma once

// What zkhost's state options do for the formats that have no programs of their own (CLAP,
// VST3, LV2): the plug-in's state from a file, then --program as a MIDI Program Change, then
// the single --set values; each later step refines the earlier.

#include "tools/zkhost/HostedPlugin.h"
#include "tools/zkhost/Options.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zkhost {

// The largest state file zkhost reads or writes.
constexpr size_t kMaxStateFileSize = 256u * 1024u * 1024u;

// Checks --program and every --set before anything is applied, so that a mistyped option
// changes nothing.
void checkProgramChangeOptions(HostedPlugin& plugin, const StateOptions& state);

// Restores the state file through `restore` (which throws where the plug-in refuses it),
// then sends --program through `sendProgramChange` (the three bytes of the message), then
// loads --preset, then sets the --set values.
void applyProgramChangeState(HostedPlugin& plugin, const StateOptions& state,
                             const std::function<void(const std::string& path)>& restore,
                             const std::function<void(const uint8_t* message)>& sendProgramChange);

// Runs the plug-in for one frame of silence with that three-byte MIDI message, started for
// the frame (and stopped after it) unless it is `processing` already.
void sendMidiInOneFrame(HostedPlugin& plugin, bool processing, const uint8_t* message);

} // namespace zkhost
