#pragma once

// The extension tables the plug-in offers; each entry finds its ClapPlugin through the
// plug-in record and calls the member of the same name.

#include "formats/clap/ClapAbi.h"

namespace zk {

extern const clap::clap_plugin_audio_ports clapAudioPorts; // ClapPorts.cpp
extern const clap::clap_plugin_note_ports clapNotePorts;
extern const clap::clap_plugin_latency clapLatency;
extern const clap::clap_plugin_tail clapTail;
extern const clap::clap_plugin_params clapParams; // ClapParams.cpp
extern const clap::clap_plugin_state clapState;   // ClapState.cpp
extern const clap::clap_plugin_gui clapGui;       // ClapGui.cpp
extern const clap::clap_plugin_timer_support clapTimers;
extern const clap::clap_plugin_posix_fd_support clapDescriptors;
extern const clap::clap_plugin_preset_load clapPresetLoad;              // ClapPresets.cpp
extern const clap::clap_preset_discovery_factory clapPresetDiscovery;  // the entry's factory

} // namespace zk
