// A CLAP plug-in's state as zkhost moves it: the raw bytes the plug-in writes to the host's
// stream, in a file of its own. --stream-bytes makes the streams move fewer bytes per call.

#include "tools/zkhost/ClapHost.h"
#include "tools/zkhost/ClapStreams.h"
#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/ProgramChangeState.h"

namespace zkhost {

void ClapHost::applyState(const StateOptions& state) {
    refuseVst2StateOptions(state, "CLAP");
    checkProgramChangeOptions(*this, state);
    applyProgramChangeState(
        *this, state,
        [&](const std::string& path) {
            const std::vector<uint8_t> bytes = readFile(path, kMaxStateFileSize);
            if (!state_) throw HostError("the plug-in keeps no state");
            if (!loadStateBytes(bytes, state.streamBytes)) throw FormatError(path + ": the plug-in refused the state");
        },
        [&](const uint8_t* message) { sendMidiNow(message); });
}

void ClapHost::saveState(const StateOptions& state) {
    if (!state.saveState.empty()) writeFile(state.saveState, saveStateBytes(state.streamBytes));
}

std::vector<uint8_t> ClapHost::saveStateBytes(int32_t bytesPerCall) {
    if (!state_) throw HostError("the plug-in keeps no state");
    ClapWriteStream stream(static_cast<uint64_t>(bytesPerCall), kMaxStateFileSize);
    if (!state_->save(plugin_, stream.stream())) throw HostError("the plug-in could not save its state");
    return stream.bytes;
}

bool ClapHost::loadStateBytes(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) {
    if (!state_) return false;
    ClapReadStream stream(bytes, static_cast<uint64_t>(bytesPerCall));
    return state_->load(plugin_, stream.stream());
}

} // namespace zkhost
