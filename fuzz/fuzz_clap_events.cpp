// libFuzzer target: CLAP event input. Lists of parameter values (known ids and not, NaN and
// huge values), MIDI, SysEx, MIDI 2, note and unknown events, at frames in order or not and
// past the block, with sizes that lie, through process and through params' flush, to an
// output list that fills up now and then. Every block's output must be finite.
#include "fuzz/ClapFuzzPlugin.h"

#include <algorithm>

namespace {

using namespace clap;

// Every event in a slot large enough for any kind, so that a size that lies cannot make a
// read run past its memory.
union EventSlot {
    clap_event_header header;
    clap_event_param_value value;
    clap_event_midi midi;
    clap_event_midi_sysex sysex;
    clap_event_midi2 midi2;
    clap_event_note note;
    uint8_t bytes[64];
};

struct EventList {
    std::vector<EventSlot> slots;
    clap_input_events record{this, &EventList::size, &EventList::get};

    static uint32_t size(const clap_input_events* list) {
        return static_cast<uint32_t>(static_cast<EventList*>(list->ctx)->slots.size());
    }
    static const clap_event_header* get(const clap_input_events* list, uint32_t index) {
        auto& slots = static_cast<EventList*>(list->ctx)->slots;
        return index < slots.size() ? &slots[index].header : nullptr;
    }
};

// Takes events until it is refused `refuseEvery`-th time (0: never).
struct Output {
    uint32_t pushed = 0, refuseEvery = 0;
    clap_output_events record{this, &Output::push};
    static bool push(const clap_output_events* list, const clap_event_header* event) {
        auto* self = static_cast<Output*>(list->ctx);
        if (!event || event->size < sizeof(clap_event_header)) std::abort(); // the plug-in sent nonsense
        ++self->pushed;
        return self->refuseEvery == 0 || self->pushed % self->refuseEvery != 0;
    }
};

void readEvent(zkfuzz::InputReader& in, EventSlot& slot, uint32_t& time, uint32_t frames) {
    slot = EventSlot{};
    const uint8_t kind = in.byte();
    time = zkfuzz::nextFrame(in, time, frames);
    clap_event_header& h = slot.header;
    h.time = time;
    h.space_id = kind & 0x80 ? static_cast<uint16_t>(in.u16()) : CLAP_CORE_EVENT_SPACE_ID;
    h.flags = in.byte();
    switch (kind % 6) {
    case 0:
    case 1:
        h.type = CLAP_EVENT_PARAM_VALUE;
        h.size = sizeof(clap_event_param_value);
        slot.value.param_id = in.byte() < 230 ? in.byte() % 64 : in.u32();
        slot.value.note_id = -1;
        slot.value.port_index = slot.value.channel = slot.value.key = -1;
        slot.value.value = zkfuzz::anyValue(in, 1.0e6);
        break;
    case 2:
        h.type = CLAP_EVENT_MIDI;
        h.size = sizeof(clap_event_midi);
        slot.midi.port_index = in.byte() & 1;
        for (uint8_t& b : slot.midi.data) b = in.byte();
        slot.midi.data[0] |= 0x80;
        break;
    case 3:
        h.type = CLAP_EVENT_MIDI_SYSEX;
        h.size = sizeof(clap_event_midi_sysex);
        slot.sysex.buffer = nullptr;
        slot.sysex.size = 0;
        break;
    case 4:
        h.type = CLAP_EVENT_MIDI2;
        h.size = sizeof(clap_event_midi2);
        for (uint32_t& w : slot.midi2.data) w = in.u32();
        break;
    default:
        h.type = static_cast<uint16_t>(in.byte() % 16); // notes, expressions, transport, beyond
        h.size = sizeof(clap_event_header) + in.byte() % 48;
        break;
    }
    if ((kind & 0x60) == 0x60) h.size = in.byte() % 64; // a size that lies
}

} // namespace

// Input: rounds of a control byte, the block size, an event count and the events.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zkfuzz::InputReader in(data, size);
    zkfuzz::ClapFuzzPlugin& clap = zkfuzz::ClapFuzzPlugin::reused();
    EventList list;
    for (int round = 0; round < 16 && !in.done(); ++round) {
        const uint8_t control = in.byte();
        const uint32_t frames = in.u16() % (zkfuzz::ClapFuzzPlugin::kMaxFrames + 1);
        list.slots.resize(in.byte());
        uint32_t time = 0;
        for (EventSlot& slot : list.slots) readEvent(in, slot, time, frames);
        Output out;
        out.refuseEvery = control & 3;
        if (control & 4) clap.params()->flush(clap.plugin(), &list.record, &out.record);
        else clap.process(frames, (control & 8) != 0, round, &list.record, &out.record);
        if (control & 16) clap.process(frames / 2 + 1, true, round + 100); // the block after
    }
    return 0;
}
