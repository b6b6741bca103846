#include "tests/conformance/Conformance.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace zkconformance {

std::vector<Format> builtFormats() {
    return {{"Vst2", ZK_VST2_MODULE}, {"Clap", ZK_CLAP_MODULE}, {"Vst3", ZK_VST3_BUNDLE}, {"Lv2", ZK_LV2_BUNDLE}};
}

std::string vst2ModulePath() { return ZK_VST2_MODULE; }

HostEvent midiAt(int32_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
    HostEvent e;
    e.kind = HostEvent::Kind::midi;
    e.frame = frame;
    e.midi[0] = status, e.midi[1] = data1, e.midi[2] = data2;
    e.midiLength = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    return e;
}

HostEvent parameterAt(int32_t frame, int32_t index, float value) {
    HostEvent e;
    e.kind = HostEvent::Kind::parameter;
    e.frame = frame;
    e.index = index;
    e.value = value;
    return e;
}

namespace {

// One call of `frames` at `at`, with the events of [at, at + frames) made relative to it.
void processAt(HostedPlugin& plugin, Stereo& in, Stereo& out, int32_t at, int32_t frames,
               const std::vector<HostEvent>& events, size_t& next, bool inPlace) {
    std::vector<HostEvent> block;
    for (; next < events.size() && events[next].frame < at + frames; ++next) {
        block.push_back(events[next]);
        block.back().frame -= at;
    }
    float* inputs[2] = {&in.left[size_t(at)], &in.right[size_t(at)]};
    float* outputs[2] = {&out.left[size_t(at)], &out.right[size_t(at)]};
    if (inPlace) {
        std::copy_n(inputs[0], frames, outputs[0]);
        std::copy_n(inputs[1], frames, outputs[1]);
        plugin.process(outputs, outputs, frames, block, false);
    } else {
        plugin.process(inputs, outputs, frames, block, false);
    }
}

} // namespace

Stereo render(HostedPlugin& plugin, const Stereo& input, const std::vector<HostEvent>& events,
              const RenderOptions& options) {
    Stereo in = input, out(input.frames());
    const auto total = static_cast<int32_t>(input.frames());
    size_t next = 0, size = 0;
    for (int32_t at = 0; at < total;) {
        const int32_t end = std::min(total, at + options.blockSizes[size++ % options.blockSizes.size()]);
        for (int32_t from = at; from < end;) {
            int32_t to = end;
            if (options.parametersBetweenBlocks) {
                for (; next < events.size() && events[next].frame == from &&
                       events[next].kind == HostEvent::Kind::parameter;
                     ++next)
                    plugin.setParameter(events[next].index, events[next].value);
                for (size_t e = next; e < events.size() && events[e].frame < end; ++e)
                    if (events[e].kind == HostEvent::Kind::parameter && events[e].frame > from) {
                        to = events[e].frame;
                        break;
                    }
            }
            processAt(plugin, in, out, from, to - from, events, next, options.inPlace);
            from = to;
        }
        at = end;
    }
    return out;
}

Stereo renderStarted(HostedPlugin& plugin, double rate, int32_t maxBlock, const Stereo& input,
                     const std::vector<HostEvent>& events, const RenderOptions& options) {
    plugin.start(rate, maxBlock);
    Stereo out = render(plugin, input, events, options);
    plugin.stop();
    return out;
}

StoredSettings::StoredSettings(const std::string& text) {
    folder_ = (std::filesystem::temp_directory_path() / ("zk-conformance-" + std::to_string(getpid()))).string();
    const std::filesystem::path file = std::filesystem::path(folder_) / "zephyrkettledrome.org/Zephyrkettledrome/settings";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
    if (const char* config = std::getenv("XDG_CONFIG_HOME")) hadBefore_ = true, before_ = config;
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
}

StoredSettings::~StoredSettings() {
    if (hadBefore_)
        setenv("XDG_CONFIG_HOME", before_.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

} // namespace zkconformance
