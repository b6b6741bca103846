#include "tests/core/EffectFixture.h"

#include <cstring>

namespace zktest {

thread_local std::vector<RecordedHostCall>* EffectTest::hostCalls = nullptr;

vst2::VstIntPtr EffectTest::hostCallback(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                         vst2::VstIntPtr, void*, float opt) {
    if (opcode == vst2::audioMasterVersion) return 2400;
    if (hostCalls) hostCalls->push_back({opcode, index, opt});
    return 0;
}

EffectTest::EffectTest() {
    hostCalls = &calls;
    effect = std::make_unique<HostedEffect>(&EffectTest::hostCallback, zk::EffectServices{&messages, nullptr},
                                            recordingEditor(editor));
    effect->resume();
    calls.clear();
}

EffectTest::~EffectTest() {
    effect.reset();
    hostCalls = nullptr;
}

int EffectTest::countHostCalls(int32_t opcode) const {
    int count = 0;
    for (const RecordedHostCall& call : calls) count += call.opcode == opcode;
    return count;
}

void EffectTest::sendMidi(const std::vector<std::pair<int32_t, std::vector<uint8_t>>>& messages) {
    midiEvents_.assign(messages.size(), vst2::VstMidiEvent{});
    eventSlots_.clear();
    for (size_t i = 0; i < messages.size(); ++i) {
        vst2::VstMidiEvent& event = midiEvents_[i];
        event.type = vst2::kVstMidiType;
        event.byteSize = sizeof event;
        event.deltaFrames = messages[i].first;
        std::memcpy(event.midiData, messages[i].second.data(), std::min<size_t>(messages[i].second.size(), 4));
        eventSlots_.push_back(reinterpret_cast<vst2::VstEvent*>(&event));
    }
    eventList_.assign(sizeof(vst2::VstEvents) + eventSlots_.size() * sizeof(void*), 0);
    auto* list = reinterpret_cast<vst2::VstEvents*>(eventList_.data());
    list->numEvents = static_cast<int32_t>(eventSlots_.size());
    if (!eventSlots_.empty()) std::memcpy(list->events, eventSlots_.data(), eventSlots_.size() * sizeof(void*));
    effect->dispatch(vst2::effProcessEvents, 0, 0, list, 0.0f);
}

void EffectTest::processFrames(int32_t frames, float input) {
    std::vector<float> inL(frames, input), inR(frames, input), outL(frames), outR(frames);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    effect->processReplacing(inputs, outputs, frames);
}

} // namespace zktest
