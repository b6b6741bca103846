// libFuzzer target: the VST3 component state through the processor's setState and getState.
// Any bytes, or the processor's own state or a preset state with bytes changed and cut
// short, after a foreign prefix now and then (hosts hand a stream at any position), through
// streams that move a few bytes at a time or fail part way. A refused state must change
// nothing; an accepted one must save, load again and save the same bytes.
#include "formats/vst3/Vst3State.h"
#include "fuzz/Vst3Fuzz.h"

namespace {

using namespace vst3;

class Processor {
public:
    static Processor& reused() {
        static Processor* instance = new Processor; // lives as long as the process
        if (!instance->load(instance->first_)) std::abort();
        return *instance;
    }
    std::vector<uint8_t> save() {
        zkfuzz::FuzzStream stream;
        if (vst3_.processor().getState(&stream) != kResultOk) std::abort();
        return stream.bytes;
    }
    std::vector<uint8_t> presetState() { return zk::vst3PresetState(vst3_.effect()); }
    bool load(zkfuzz::FuzzStream& stream) { return vst3_.processor().setState(&stream) == kResultOk; }
    bool load(const std::vector<uint8_t>& bytes) {
        zkfuzz::FuzzStream stream;
        stream.bytes = bytes;
        return load(stream);
    }

private:
    Processor() : first_(save()) {}
    zkfuzz::Vst3FuzzProcessor vst3_;
    std::vector<uint8_t> first_;
};

} // namespace

// Input: a control byte, the stream's step and failing point, the length of a foreign
// prefix, then for control bit 0 patches (offset, byte) and a cut of the processor's own
// state (bit 1: of a preset state), else the state bytes themselves.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zkfuzz::InputReader in(data, size);
    Processor& processor = Processor::reused();
    const uint8_t control = in.byte();
    const uint8_t stepBits = in.byte();
    const uint16_t failAt = in.u16();
    const uint8_t prefix = control & 4 ? in.byte() % 32 : 0;

    std::vector<uint8_t> bytes = control & 1 ? (control & 2 ? processor.presetState() : processor.save()) : in.rest();
    if (control & 1) zkfuzz::damage(in, bytes, (control & 8) != 0);

    const std::vector<uint8_t> before = processor.save();
    zkfuzz::FuzzStream stream;
    stream.bytes.assign(prefix, 0xA5);
    stream.bytes.insert(stream.bytes.end(), bytes.begin(), bytes.end());
    stream.at = prefix;
    stream.step = stepBits & 0x80 ? 0 : 1 << (stepBits % 12);
    if (control & 16) stream.failAt = prefix + failAt;
    zkfuzz::checkLoadOutcome(processor.load(stream), before, [&] { return processor.save(); },
                             [&](const std::vector<uint8_t>& state) { return processor.load(state); });
    return 0;
}
