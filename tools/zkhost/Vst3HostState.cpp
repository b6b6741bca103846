// A VST3 plug-in's state as zkhost moves it: the bytes the processor writes to the host's
// stream, in a file of its own (loaded into the processor, then given to the controller as
// hosts do). --stream-bytes makes the streams move fewer bytes per call.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/ProgramChangeState.h"
#include "tools/zkhost/Vst3Host.h"

namespace zkhost {

void Vst3Host::applyState(const StateOptions& state) {
    refuseVst2StateOptions(state, "VST3");
    checkProgramChangeOptions(*this, state);
    applyProgramChangeState(
        *this, state,
        [&](const std::string& path) {
            if (!loadComponentState(readFile(path, kMaxStateFileSize), state.streamBytes))
                throw FormatError(path + ": the plug-in refused the state");
        },
        [&](const uint8_t* message) { sendMidiNow(message); });
}

void Vst3Host::saveState(const StateOptions& state) {
    if (state.saveState.empty()) return;
    const std::vector<uint8_t> bytes = componentState(state.streamBytes);
    if (bytes.size() > kMaxStateFileSize) throw HostError("the plug-in's state is too large");
    writeFile(state.saveState, bytes);
}

std::vector<uint8_t> Vst3Host::saveStateBytes(int32_t bytesPerCall) { return componentState(bytesPerCall); }

bool Vst3Host::loadStateBytes(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) {
    return loadComponentState(bytes, bytesPerCall);
}

} // namespace zkhost
