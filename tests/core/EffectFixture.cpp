#include "tests/core/EffectFixture.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace zktest {

MidiList::MidiList(const Midi& messages) {
    for (const auto& [frame, bytes] : messages) {
        zk::BlockEvent event;
        event.frame = frame;
        event.kind = zk::BlockEvent::Kind::midi;
        std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), 3), event.midi);
        events_.push_back(event);
    }
    list_ = zk::EventArray(events_.data(), static_cast<int32_t>(events_.size()));
}

std::vector<uint8_t> saved(zk::PluginEffect& effect, zk::ChunkKind kind) {
    const void* data = nullptr;
    const int32_t size = effect.saveChunk(kind, &data);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return {bytes, bytes + size};
}

void putFloat(std::vector<uint8_t>& bytes, size_t offset, float value) {
    const auto bits = std::bit_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

std::string programName(const zk::PluginEffect& effect, int32_t index) {
    char text[32] = {};
    if (!effect.programName(index, text)) return "<none>";
    return text;
}

void renameProgram(zk::PluginEffect& effect, const char* name) {
    std::vector<uint8_t> preset = saved(effect, zk::ChunkKind::preset);
    std::fill_n(preset.begin(), 24, 0);
    std::copy_n(name, std::min<size_t>(std::strlen(name), 24), preset.begin());
    ASSERT_TRUE(effect.restoreChunk(zk::ChunkKind::preset, preset.data(), static_cast<int32_t>(preset.size())));
}

EffectTest::EffectTest() {
    effect = std::make_unique<zk::PluginEffect>(host, zk::EffectServices{&messages, nullptr}, recordingEditor(editor));
    effect->initialise();
    effect->activate();
    host.calls.clear();
}

EffectTest::~EffectTest() { effect.reset(); }

void EffectTest::sendMidi(const Midi& messages) {
    pending_ = std::make_unique<MidiList>(messages);
    effect->takeEvents(pending_->list());
}

void EffectTest::processFrames(int32_t frames, float input) {
    std::vector<float> inL(frames, input), inR(frames, input), outL(frames), outR(frames);
    const float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    effect->process(inputs, outputs, frames, pending_ ? pending_->list() : nullptr);
    pending_.reset(); // one block's
}

void EffectTest::panelSets(int32_t tag, float value) {
    if (zk::TaggedCommand command; zk::commandOfTag(tag, value, command))
        effect->panelCommand(command.command, command.parameter);
    else
        effect->editParameter(tag, value);
}

} // namespace zktest
