#include "tools/zkhost/ProgramChangeState.h"

#include "tools/zkhost/FxFile.h"

namespace zkhost {

void checkProgramChangeOptions(HostedPlugin& plugin, const StateOptions& state) {
    for (const std::string& s : state.sets) parseSetting(s);
    if (state.program == -1) return;
    if (state.program < 0 || state.program > 127)
        throw UsageError("--program " + std::to_string(state.program) +
                         " is out of range: a MIDI Program Change selects 0 to 127");
    if (!plugin.takesMidi(0xC0)) throw UsageError("--program: the plug-in takes no MIDI Program Change");
}

void applyProgramChangeState(HostedPlugin& plugin, const StateOptions& state,
                             const std::function<void(const std::string& path)>& restore,
                             const std::function<void(const uint8_t* message)>& sendProgramChange) {
    if (!state.state.empty()) restore(state.state);
    if (state.program != -1) {
        const uint8_t programChange[3] = {0xC0, static_cast<uint8_t>(state.program), 0};
        sendProgramChange(programChange);
    }
    for (const std::string& s : state.sets) {
        const ParameterSetting setting = parseSetting(s);
        plugin.setParameter(resolveParameter(plugin, setting.parameter), setting.value);
    }
}

} // namespace zkhost
