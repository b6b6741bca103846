#include "tools/zkhost/ProgramChangeState.h"

#include "tools/zkhost/FxFile.h"

#include <algorithm>
#include <cstring>

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
    if (!state.preset.empty()) plugin.choosePreset(state.preset);
    for (const std::string& s : state.sets) {
        const ParameterSetting setting = parseSetting(s);
        plugin.setParameter(resolveParameter(plugin, setting.parameter), setting.value);
    }
}

void sendMidiInOneFrame(HostedPlugin& plugin, bool processing, const uint8_t* message) {
    const bool started = !processing;
    if (started) plugin.start(44100, 64);
    const int32_t inputs = plugin.numInputs(), outputs = plugin.numOutputs();
    std::vector<float> silence(static_cast<size_t>(std::max({inputs, outputs, 1})) * 2, 0.0f);
    std::vector<float*> in, out;
    for (int32_t c = 0; c < inputs; ++c) in.push_back(&silence[static_cast<size_t>(c)]);
    for (int32_t c = 0; c < outputs; ++c) out.push_back(&silence[silence.size() / 2 + static_cast<size_t>(c)]);
    HostEvent event;
    std::memcpy(event.midi, message, 3);
    plugin.process(in.data(), out.data(), 1, {event}, false);
    if (started) plugin.stop();
}

} // namespace zkhost
