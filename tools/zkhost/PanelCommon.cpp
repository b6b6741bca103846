#include "tools/zkhost/PanelWindow.h"

#include <algorithm>
#include <cstdio>

namespace zkhost {

PanelSize panelSize(PluginHost& host) {
    if (!(host.effect()->flags & vst2::effFlagsHasEditor)) throw HostError("the plug-in has no panel");
    vst2::ERect* rect = nullptr;
    host.dispatch(vst2::effEditGetRect, 0, 0, &rect);
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top)
        throw HostError("the plug-in reports no panel size");
    return {rect->right - rect->left, rect->bottom - rect->top};
}

bool EditReporter::report(PluginHost& host) {
    if (options_.sendController >= 0) sendController(host);
    bool quit = false;
    for (; reported_ < host.edits.size(); ++reported_) {
        const EditRecord& edit = host.edits[reported_];
        if (edit.kind == EditRecord::Kind::automate && edit.index == options_.quitOnAutomate) quit = true;
        if (!options_.logAutomation) continue;
        switch (edit.kind) {
        case EditRecord::Kind::automate: std::printf("automate %d %.9g\n", edit.index, double(edit.value)); break;
        case EditRecord::Kind::beginEdit: std::printf("beginEdit %d\n", edit.index); break;
        case EditRecord::Kind::endEdit: std::printf("endEdit %d\n", edit.index); break;
        }
    }
    if (options_.quitOnChange >= 0 && watchedParameterMoved(host)) quit = true;
    std::fflush(stdout);
    return quit;
}

void EditReporter::sendController(PluginHost& host) {
    constexpr int32_t kFrames = 64;
    if (!started_) {
        host.start(44100, kFrames);
        const int32_t channels = std::max({host.effect()->numInputs, host.effect()->numOutputs, 2});
        buffers_.assign(2 * static_cast<std::size_t>(channels), std::vector<float>(kFrames, 0.0f));
        started_ = true;
    }
    vst2::VstMidiEvent event{};
    event.type = vst2::kVstMidiType;
    event.byteSize = sizeof event;
    event.midiData[0] = static_cast<char>(0xB0);
    event.midiData[1] = static_cast<char>(options_.sendController);
    event.midiData[2] = static_cast<char>(options_.sendValue);
    host.sendMidi({event});
    // Silence in, and nothing listened to of what comes out.
    std::vector<float*> channels;
    for (std::vector<float>& buffer : buffers_) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        channels.push_back(buffer.data());
    }
    host.process(channels.data(), channels.data() + buffers_.size() / 2, kFrames, !host.canReplacing());
}

bool EditReporter::watchedParameterMoved(PluginHost& host) {
    const float value = host.getParameter(options_.quitOnChange);
    if (!watching_) {
        watching_ = true;
        watched_ = value;
        return false;
    }
    if (value == watched_) return false;
    watched_ = value;
    std::printf("parameter %d %.9g\n", options_.quitOnChange, double(value));
    return true;
}

} // namespace zkhost
