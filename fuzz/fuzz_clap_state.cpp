// libFuzzer target: the CLAP state stream. Any bytes, through streams that move a few bytes
// at a time or fail part way, or the plug-in's own state with bytes changed and cut short.
// A refused state must change nothing (the state saved after it is the one before); an
// accepted one must save, load again and save the same bytes; either way the next block
// gives finite output.
#include "fuzz/ClapFuzzPlugin.h"

// Input: a control byte, then for control bit 0 patches of the plug-in's own state
// (offset, byte) and the length to cut it to, else the state bytes themselves.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zkfuzz::InputReader in(data, size);
    zkfuzz::ClapFuzzPlugin& clap = zkfuzz::ClapFuzzPlugin::reused();
    const uint8_t control = in.byte();
    const uint8_t stepBits = in.byte();
    const uint16_t failAt = in.u16();

    std::vector<uint8_t> bytes = control & 1 ? clap.save() : in.rest();
    if (control & 1) zkfuzz::damage(in, bytes, (control & 4) != 0);

    const std::vector<uint8_t> before = clap.save();
    zkfuzz::ByteStream stream;
    stream.data = bytes.data();
    stream.size = bytes.size();
    stream.step = stepBits & 0x80 ? 0 : 1u << (stepBits % 12);
    if (control & 8) stream.failAt = failAt;
    zkfuzz::checkLoadOutcome(clap.load(stream), before, [&] { return clap.save(); },
                             [&](const std::vector<uint8_t>& state) { return clap.load(state); });
    clap.process(1 + (control >> 4) * 64, (control & 16) != 0, control);
    return 0;
}
