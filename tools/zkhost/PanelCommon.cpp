#include "tools/zkhost/PanelWindow.h"

#include <algorithm>
#include <cstdio>

namespace zkhost {

bool EditReporter::report(HostedPlugin& plugin) {
    if (options_.sendController >= 0) sendController(plugin);
    bool quit = false;
    for (; reported_ < plugin.edits.size(); ++reported_) {
        const EditRecord& edit = plugin.edits[reported_];
        if (edit.kind == EditRecord::Kind::automate && edit.index == options_.quitOnAutomate) quit = true;
        if (options_.logAutomation) std::printf("%s\n", editText(edit).c_str());
    }
    if (options_.quitOnChange >= 0 && watchedParameterMoved(plugin)) quit = true;
    std::fflush(stdout);
    return quit;
}

void EditReporter::sendController(HostedPlugin& plugin) {
    constexpr int32_t kFrames = 64;
    if (!started_) {
        plugin.start(44100, kFrames);
        const int32_t channels = std::max({plugin.numInputs(), plugin.numOutputs(), 2});
        buffers_.assign(2 * static_cast<std::size_t>(channels), std::vector<float>(kFrames, 0.0f));
        started_ = true;
    }
    HostEvent event;
    event.midi[0] = 0xB0;
    event.midi[1] = static_cast<uint8_t>(options_.sendController);
    event.midi[2] = static_cast<uint8_t>(options_.sendValue);
    // Silence in, and nothing listened to of what comes out.
    std::vector<float*> channels;
    for (std::vector<float>& buffer : buffers_) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        channels.push_back(buffer.data());
    }
    plugin.process(channels.data(), channels.data() + buffers_.size() / 2, kFrames, {event}, false);
}

bool EditReporter::watchedParameterMoved(HostedPlugin& plugin) {
    const float value = plugin.getParameter(options_.quitOnChange);
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
