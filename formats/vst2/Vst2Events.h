#pragma once

#include "core/BlockEvents.h"
#include "formats/vst2/Vst2Abi.h"

#include <atomic>

namespace zk {

// A host's VstEvents list as the effect reads block events, without a copy: MIDI events
// with their three bytes, every other kind (and an empty slot) as an event it skips.
class Vst2Events final : public BlockEvents {
public:
    // [audio] The list of the coming block; it stays the host's.
    void reset(const vst2::VstEvents* list) noexcept { list_.store(list, std::memory_order_relaxed); }

    int32_t size() const noexcept override {
        const vst2::VstEvents* list = list_.load(std::memory_order_relaxed);
        return list && list->numEvents > 0 ? list->numEvents : 0;
    }
    BlockEvent at(int32_t index) const noexcept override {
        BlockEvent event;
        // A host that hands over another list meanwhile gets no read past the one now here.
        const vst2::VstEvents* list = list_.load(std::memory_order_relaxed);
        if (!list || index < 0 || index >= list->numEvents) return event; // skipped at once
        const vst2::VstEvent* const* slots = list->events; // the host's array runs past the declared two
        const vst2::VstEvent* slot = slots[index];
        if (!slot) return event;
        event.frame = slot->deltaFrames;
        if (slot->type == vst2::kVstMidiType) {
            const auto* midi = reinterpret_cast<const vst2::VstMidiEvent*>(slot);
            event.kind = BlockEvent::Kind::midi;
            for (int i = 0; i < 3; ++i) event.midi[i] = static_cast<uint8_t>(midi->midiData[i]);
        }
        return event;
    }

private:
    std::atomic<const vst2::VstEvents*> list_{nullptr};
};

} // namespace zk
