// A CLAP plug-in's state as zkhost moves it: the raw bytes the plug-in writes to the host's
// stream, in a file of its own. --stream-bytes makes the streams move fewer bytes per call.

#include "tools/zkhost/ClapHost.h"
#include "tools/zkhost/ClapStreams.h"
#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Options.h"

namespace zkhost {

namespace {

constexpr size_t kMaxStateFileSize = 256u * 1024u * 1024u;

} // namespace

// The state file, the program, then single parameters: each later step refines the earlier.
void ClapHost::applyState(const StateOptions& state) {
    refuseVst2StateOptions(state, "CLAP");
    std::vector<ParameterSetting> settings;
    for (const std::string& s : state.sets) settings.push_back(parseSetting(s));
    if (state.program != -1 && (state.program < 0 || state.program > 127))
        throw UsageError("--program " + std::to_string(state.program) +
                         " is out of range: a MIDI Program Change selects 0 to 127");
    if (state.program != -1 && !takesMidi(0xC0))
        throw UsageError("--program: the plug-in has no MIDI input to take a Program Change");
    if (!state.state.empty()) {
        const std::vector<uint8_t> bytes = readFile(state.state, kMaxStateFileSize);
        if (!state_) throw HostError("the plug-in keeps no state");
        ClapReadStream stream(bytes, static_cast<uint64_t>(state.streamBytes));
        if (!state_->load(plugin_, stream.stream())) throw FormatError(state.state + ": the plug-in refused the state");
    }
    if (state.program != -1) {
        const uint8_t programChange[3] = {0xC0, static_cast<uint8_t>(state.program), 0};
        sendMidiNow(programChange);
    }
    for (const ParameterSetting& s : settings) setParameter(resolveParameter(*this, s.parameter), s.value);
}

void ClapHost::saveState(const StateOptions& state) {
    if (state.saveState.empty()) return;
    if (!state_) throw HostError("the plug-in keeps no state");
    ClapWriteStream stream(static_cast<uint64_t>(state.streamBytes), kMaxStateFileSize);
    if (!state_->save(plugin_, stream.stream())) throw HostError("the plug-in could not save its state");
    writeFile(state.saveState, stream.bytes);
}

} // namespace zkhost
