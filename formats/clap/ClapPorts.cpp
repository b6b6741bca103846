// One stereo main input and one stereo main output, which may share their buffers; one note
// input taking MIDI (Control Change and Program Change); no latency; the tail the effect
// works out.

#include "formats/clap/ClapExtensions.h"
#include "formats/clap/ClapPlugin.h"

#include <cstdio>

namespace zk {

using namespace clap;

namespace {

constexpr clap_id kMainPortId = 0;

bool audioPort(const clap_plugin*, uint32_t index, bool isInput, clap_audio_port_info* info) {
    if (index != 0 || !info) return false;
    *info = {};
    info->id = kMainPortId;
    std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Main in" : "Main out");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = kMainPortId; // the port of the other direction
    return true;
}

bool notePort(const clap_plugin*, uint32_t index, bool isInput, clap_note_port_info* info) {
    if (index != 0 || !isInput || !info) return false;
    *info = {};
    info->id = kMainPortId;
    info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::snprintf(info->name, sizeof info->name, "%s", "MIDI in");
    return true;
}

} // namespace

const clap_plugin_audio_ports clapAudioPorts = {[](const clap_plugin*, bool) -> uint32_t { return 1; }, audioPort};

const clap_plugin_note_ports clapNotePorts = {
    [](const clap_plugin*, bool isInput) -> uint32_t { return isInput ? 1 : 0; }, notePort};

const clap_plugin_latency clapLatency = {[](const clap_plugin*) -> uint32_t { return 0; }};

const clap_plugin_tail clapTail = {
    [](const clap_plugin* plugin) -> uint32_t { return ClapPlugin::of(plugin) ? ClapPlugin::of(plugin)->tail() : 0; }};

} // namespace zk
