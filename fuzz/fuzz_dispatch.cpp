// libFuzzer target: random dispatcher calls interleaved with setParameter, getParameter
// and blocks of audio. Pointers are what a host following the interface would pass: null
// or a buffer large enough for any opcode, terminated where a text is read, with sizes that
// fit it; effProcessEvents gets a well-formed list and effEditOpen a null parent.
#include "fuzz/FuzzEffect.h"

#include <vector>

namespace {

constexpr size_t kBufferSize = 64 * 1024;

alignas(16) uint8_t buffer[kBufferSize];

vst2::VstEvents* midiList(zkfuzz::InputReader& in) {
    static vst2::VstMidiEvent events[8];
    static char storage[sizeof(vst2::VstEvents) + 8 * sizeof(vst2::VstEvent*)];
    auto* list = reinterpret_cast<vst2::VstEvents*>(storage);
    list->numEvents = in.byte() % 9;
    vst2::VstEvent** slots = list->events; // the array runs on past its declared two
    for (int32_t i = 0; i < list->numEvents; ++i) {
        events[i] = vst2::VstMidiEvent{};
        events[i].type = vst2::kVstMidiType;
        events[i].byteSize = sizeof(vst2::VstMidiEvent);
        events[i].deltaFrames = in.byte();
        for (int b = 0; b < 3; ++b) events[i].midiData[b] = static_cast<char>(in.byte());
        slots[i] = reinterpret_cast<vst2::VstEvent*>(&events[i]);
    }
    return list;
}

void callDispatcher(zkfuzz::FuzzEffect& effect, zkfuzz::InputReader& in) {
    const uint8_t pick = in.byte();
    const int32_t opcode = pick < 240 ? pick % 80 : static_cast<int32_t>(in.u32());
    const int32_t index = in.byte() & 1 ? static_cast<int32_t>(in.u32()) : in.byte() % 140 - 4;
    const uint8_t valueKind = in.byte();
    vst2::VstIntPtr value = valueKind & 1 ? static_cast<int32_t>(in.u32()) : in.byte() % 140 - 4;
    float opt = valueKind & 2 ? in.f32() : static_cast<float>(in.byte());
    const bool withBuffer = (valueKind & 4) == 0;
    void* ptr = nullptr;
    if (withBuffer) {
        // Text arguments come from the input and are terminated within the buffer.
        size_t got = 0;
        const uint8_t* text = in.take(in.byte(), got);
        std::memset(buffer, 0, 512);
        std::memcpy(buffer, text, got);
        buffer[kBufferSize - 1] = 0;
        ptr = buffer;
    }
    switch (opcode) {
    case vst2::effClose: return; // the end of the instance: only at the end of the input
    case vst2::effEditOpen: ptr = nullptr; break;
    case vst2::effProcessEvents: ptr = withBuffer ? midiList(in) : nullptr; break;
    case vst2::effSetChunk:
        // The size passed is the size of what ptr points at.
        if (!ptr) value = 0;
        else if (value > static_cast<vst2::VstIntPtr>(kBufferSize)) value = valueKind & 8 ? 32664 : 240;
        break;
    case vst2::effGetSpeakerArrangement:
    case vst2::effSetSpeakerArrangement:
        // Both value and ptr point at the host's arrangement pointers.
        value = withBuffer ? reinterpret_cast<vst2::VstIntPtr>(buffer + 1024) : 0;
        break;
    default: break;
    }
    effect.dispatch(opcode, index, value, ptr, opt);
}

} // namespace

// Input: a sequence of operations, each a selector byte followed by its arguments.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zkfuzz::InputReader in(data, size);
    zkfuzz::FuzzEffect& effect = zkfuzz::FuzzEffect::reused(0);
    effect.resume(44100.0f, 1024);
    for (int step = 0; step < 256 && !in.done(); ++step) {
        const uint8_t op = in.byte() % 8;
        if (op < 4) {
            callDispatcher(effect, in);
        } else if (op < 6) {
            const int32_t index = in.byte() % 72 - 2;
            effect.record()->setParameter(effect.record(), index, in.f32());
        } else if (op == 6) {
            (void)effect.record()->getParameter(effect.record(), static_cast<int32_t>(in.u32()));
        } else {
            const uint8_t shape = in.byte();
            effect.process(shape & 0x80 ? in.u16() : shape, shape & 1, step);
        }
    }
    effect.process(512, true, 999);
    return 0;
}
