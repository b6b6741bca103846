// libFuzzer target: VstEvents lists of any types, sizes and delta frames, unsorted, and
// huge counts with a matching array of pointers, through effProcessEvents and the blocks
// that consume them. Learning is armed now and then so that Control Change moves values.
#include "fuzz/FuzzEffect.h"

#include <vector>

namespace {

constexpr size_t kMaxDistinctEvents = 256;
constexpr int32_t kMaxListCount = 1 << 17;

struct EventList {
    std::vector<vst2::VstEvent> events; // each as large as a VstMidiEvent
    std::vector<char> storage;          // VstEvents with its pointer array

    vst2::VstEvents* build(int32_t count) {
        storage.assign(sizeof(vst2::VstEvents) + static_cast<size_t>(count) * sizeof(vst2::VstEvent*), 0);
        auto* list = reinterpret_cast<vst2::VstEvents*>(storage.data());
        list->numEvents = count;
        vst2::VstEvent** slots = list->events; // the array runs on past its declared two
        for (int32_t i = 0; i < count; ++i) slots[i] = &events[static_cast<size_t>(i) % events.size()];
        return list;
    }
};

int32_t deltaFrames(zkfuzz::InputReader& in, int32_t blockFrames) {
    switch (in.byte() & 3) {
    case 0: return 0;
    case 1: return blockFrames > 0 ? in.u16() % blockFrames : 0;
    case 2: return static_cast<int32_t>(in.u32()); // negative, huge, anything
    default: return in.byte();
    }
}

} // namespace

// Input: a sequence of rounds. Each round: a control byte, the block size, the events
// (type, byte size, delta frames, MIDI bytes) and how many times the list repeats them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static_assert(sizeof(vst2::VstEvent) == sizeof(vst2::VstMidiEvent));
    zkfuzz::InputReader in(data, size);
    zkfuzz::FuzzEffect& effect = zkfuzz::FuzzEffect::reused(0);
    effect.resume(44100.0f, 4096);
    EventList list;
    for (int round = 0; round < 16 && !in.done(); ++round) {
        const uint8_t control = in.byte();
        const int32_t frames = in.u16() % (zkfuzz::FuzzEffect::kMaxFrames + 1);
        if (control & 1) effect.record()->setParameter(effect.record(), zk::CommandLearn, in.byte() % 56 - 1.0f);
        const size_t distinct = 1 + in.byte() % kMaxDistinctEvents;
        list.events.assign(distinct, vst2::VstEvent{});
        for (vst2::VstEvent& event : list.events) {
            const uint8_t kind = in.byte();
            event.type = kind < 160 ? vst2::kVstMidiType : kind < 200 ? 6 /* sysex */ : static_cast<int32_t>(in.u32());
            event.byteSize = kind & 1 ? static_cast<int32_t>(sizeof(vst2::VstMidiEvent)) : static_cast<int32_t>(in.u32());
            event.deltaFrames = deltaFrames(in, frames);
            event.flags = static_cast<int32_t>(in.byte());
            auto& midi = reinterpret_cast<vst2::VstMidiEvent&>(event);
            midi.midiData[0] = static_cast<char>(0x80 | in.byte());
            midi.midiData[1] = static_cast<char>(in.byte());
            midi.midiData[2] = static_cast<char>(in.byte());
        }
        // Mostly each event once; now and then the same events many times over.
        int32_t count = static_cast<int32_t>(distinct);
        if (control & 2) count = 1 + static_cast<int32_t>(in.u32() % kMaxListCount);
        if (control & 4) count = 0;
        effect.dispatch(vst2::effProcessEvents, 0, 0, list.build(count));
        effect.process(frames, (control & 8) == 0, round);
        if (control & 16) effect.process(frames / 2, true, round + 100); // a block with no new list
    }
    return 0;
}
