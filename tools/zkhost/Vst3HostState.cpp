// A VST3 plug-in's state as zkhost moves it: the bytes the processor writes to the host's
// stream, in a file of its own (loaded into the processor, then given to the controller as
// hosts do). --stream-bytes makes the streams move fewer bytes per call.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/Vst3Host.h"

namespace zkhost {

namespace {

constexpr size_t kMaxStateFileSize = 256u * 1024u * 1024u;

} // namespace

// The state file, the program, then single parameters: each later step refines the earlier.
void Vst3Host::applyState(const StateOptions& state) {
    refuseVst2StateOptions(state, "VST3");
    std::vector<ParameterSetting> settings;
    for (const std::string& s : state.sets) settings.push_back(parseSetting(s));
    if (state.program != -1 && (state.program < 0 || state.program > 127))
        throw UsageError("--program " + std::to_string(state.program) +
                         " is out of range: a MIDI Program Change selects 0 to 127");
    if (state.program != -1 && !takesMidi(0xC0))
        throw UsageError("--program: the plug-in has no program-change parameter to take a Program Change");
    if (!state.state.empty()) {
        const std::vector<uint8_t> bytes = readFile(state.state, kMaxStateFileSize);
        if (!loadComponentState(bytes, state.streamBytes)) throw FormatError(state.state + ": the plug-in refused the state");
    }
    if (state.program != -1) {
        const uint8_t programChange[3] = {0xC0, static_cast<uint8_t>(state.program), 0};
        sendMidiNow(programChange);
    }
    for (const ParameterSetting& s : settings) setParameter(resolveParameter(*this, s.parameter), s.value);
}

void Vst3Host::saveState(const StateOptions& state) {
    if (state.saveState.empty()) return;
    const std::vector<uint8_t> bytes = componentState(state.streamBytes);
    if (bytes.size() > kMaxStateFileSize) throw HostError("the plug-in's state is too large");
    writeFile(state.saveState, bytes);
}

} // namespace zkhost
