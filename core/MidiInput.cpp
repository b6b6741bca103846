// MIDI input as a controller surface: learned Control Change bindings and Program Change,
// acted on at the frame each event names; and the learn and forget commands.

#include "core/PluginEffect.h"

#include <cmath>

namespace zk {

namespace {
constexpr float kDataByteScale = 0.007874016f; // 1/127: data byte 127 gives 1.0
constexpr int32_t kNoList = -1;
// Controller numbers 120..127 carry the Channel Mode messages (All Sound Off, Reset All
// Controllers, All Notes Off ...), which hosts send on every channel when the transport
// stops: they are not controllers, and neither teach nor move a parameter.
constexpr int32_t kFirstChannelModeMessage = 120;
} // namespace

int32_t PluginEffect::processEvents(vst2::VstEvents* events) noexcept {
    if (notReady_.load(std::memory_order_relaxed)) return 1;
    if (!events || events->numEvents <= 0) {
        dropPendingEvents();
        return 1;
    }
    pendingList_.store(events, std::memory_order_relaxed);
    pendingIndex_.store(0, std::memory_order_relaxed);
    setEventsPending(true);
    return 1;
}

void PluginEffect::dropPendingEvents() noexcept {
    setEventsPending(false);
    pendingIndex_.store(kNoList, std::memory_order_relaxed);
    pendingList_.store(nullptr, std::memory_order_relaxed);
}

void PluginEffect::handlePendingEvents(int32_t frame) noexcept {
    int32_t index = pendingIndex_.load(std::memory_order_relaxed);
    if (index == kNoList) return;
    vst2::VstEvents* list = pendingList_.load(std::memory_order_relaxed);
    if (!list) return;
    vst2::VstEvent* const* slots = list->events;
    // Every event is consumed once, in list order. One whose frame has already passed (an
    // unsorted list) is acted on at once rather than holding up those behind it.
    while (index < list->numEvents) {
        const vst2::VstEvent* event = slots[index];
        if (event && event->deltaFrames > frame) break;
        pendingIndex_.store(++index, std::memory_order_relaxed);
        if (event && event->type == vst2::kVstMidiType)
            handleMidiEvent(*reinterpret_cast<const vst2::VstMidiEvent*>(event));
    }
}

int32_t PluginEffect::nextEventFrame(int32_t frame) const noexcept {
    const int32_t index = pendingIndex_.load(std::memory_order_relaxed);
    if (index == kNoList) return noPendingEvents;
    const vst2::VstEvents* list = pendingList_.load(std::memory_order_relaxed);
    if (!list || index >= list->numEvents) return noPendingEvents;
    const vst2::VstEvent* const* slots = list->events; // the host's array runs past the declared two
    const vst2::VstEvent* event = slots[index];
    // A null entry is skipped at the next call, as handlePendingEvents() consumes it at once.
    if (!event || event->deltaFrames < frame) return frame;
    return event->deltaFrames;
}

void PluginEffect::handleMidiEvent(const vst2::VstMidiEvent& event) noexcept {
    const auto status = static_cast<uint8_t>(event.midiData[0]);
    const int32_t data1 = static_cast<uint8_t>(event.midiData[1]) & 0x7F;
    const int32_t data2 = static_cast<uint8_t>(event.midiData[2]) & 0x7F;
    switch (status & 0xF0) {
    case 0xC0: setProgram(data1); break;
    case 0xB0: {
        if (data1 >= kFirstChannelModeMessage) break;
        // The message that teaches a binding also moves the parameter it binds.
        int32_t target = learnTarget_.exchange(-1, std::memory_order_relaxed);
        if (target >= 0 && target < kNumParameters) {
            descriptors_[target].learnedController.store(data1, std::memory_order_relaxed);
            refreshEditorControllers();
        }
        if (data1 == 0) break; // controller 0 cannot be bound
        const float value = static_cast<float>(data2) * kDataByteScale;
        for (int32_t i = 0; i < kNumParameters; ++i)
            if (descriptors_[i].learnedController.load(std::memory_order_relaxed) == data1) setParameter(i, value);
        break;
    }
    default: break; // notes, pitch bend, pressure and system messages play no part
    }
}

int32_t PluginEffect::learnedController(int32_t index) const noexcept {
    if (index < 0 || index >= kNumParameters) return 0;
    return descriptors_[index].learnedController.load(std::memory_order_relaxed);
}

void PluginEffect::refreshEditorControllers() noexcept {
    if (EditorBase* ed = editor()) ed->refreshLearnedControllers();
}

void PluginEffect::handleCommand(int32_t index, float value) noexcept {
    if (index == CommandLearn) {
        handleLearnCommand(value);
    } else if (index == CommandDefaults) {
        if (value == 1.0f) saveDefaults();
        if (value == 2.0f) forgetAllControllers();
    }
}

void PluginEffect::handleLearnCommand(float value) noexcept {
    // A value that names no parameter changes nothing (NaN fails every comparison).
    if (value > -2.0f && value < static_cast<float>(kNumParameters)) {
        const auto target = static_cast<int32_t>(value); // fraction cut off; -1 disarms
        learnTarget_.store(target, std::memory_order_relaxed);
    } else if (value >= 1000.0f && value < 1000.0f + kNumParameters) {
        const auto index = static_cast<int32_t>(value - 1000.0f);
        descriptors_[index].learnedController.store(0, std::memory_order_relaxed);
        refreshEditorControllers();
    }
}

void PluginEffect::forgetAllControllers() noexcept {
    ask("Forget Learned MidiCC?", "Warning!", [this](bool yes) {
        if (!yes) return;
        for (ParameterDescriptor& descriptor : descriptors_)
            descriptor.learnedController.store(0, std::memory_order_relaxed);
        refreshEditorControllers();
    });
}

} // namespace zk
