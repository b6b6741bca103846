// libFuzzer target: the VST3 processor's input in process: parameter changes (the effect's
// parameters, the program, the bypass, the MIDI controller parameters and unknown ids; points
// in order or not, before and past the block, values outside 0..1 and NaN) and event lists
// (notes, SysEx with and without bytes, unknown types), in blocks of 0 to 8192 frames, in
// place or not, to output changes that run out of room. Every block's output must be finite.
#include "formats/vst3/Vst3Parameters.h"
#include "fuzz/Vst3Fuzz.h"

namespace {

using namespace vst3;

struct Queue final : zkfuzz::Unshared<IParamValueQueue> {
    ParamID id = 0;
    std::vector<std::pair<int32, ParamValue>> points;
    size_t room = 64;
    ParamID ZK_VST3_CALL getParameterId() override { return id; }
    int32 ZK_VST3_CALL getPointCount() override { return static_cast<int32>(points.size()); }
    tresult ZK_VST3_CALL getPoint(int32 index, int32& offset, ParamValue& value) override {
        if (index < 0 || index >= getPointCount()) return kInvalidArgument;
        offset = points[static_cast<size_t>(index)].first;
        value = points[static_cast<size_t>(index)].second;
        return kResultOk;
    }
    tresult ZK_VST3_CALL addPoint(int32 offset, ParamValue value, int32& index) override {
        if (points.size() >= room) return kResultFalse;
        if (!(value >= 0.0 && value <= 1.0)) std::abort(); // the plug-in reported nonsense
        points.emplace_back(offset, value);
        index = getPointCount() - 1;
        return kResultOk;
    }
};

struct Changes final : zkfuzz::Unshared<IParameterChanges> {
    std::vector<Queue> queues;
    size_t room = 0; // queues the plug-in may add
    int32 ZK_VST3_CALL getParameterCount() override { return static_cast<int32>(queues.size()); }
    IParamValueQueue* ZK_VST3_CALL getParameterData(int32 index) override {
        return index >= 0 && index < getParameterCount() ? &queues[static_cast<size_t>(index)] : nullptr;
    }
    IParamValueQueue* ZK_VST3_CALL addParameterData(const ParamID& id, int32& index) override {
        for (size_t i = 0; i < queues.size(); ++i)
            if (queues[i].id == id) return index = static_cast<int32>(i), &queues[i];
        if (queues.size() >= room) return nullptr;
        queues.emplace_back().id = id;
        index = getParameterCount() - 1;
        return &queues.back();
    }
};

struct Events final : zkfuzz::Unshared<IEventList> {
    std::vector<Event> events;
    int32 ZK_VST3_CALL getEventCount() override { return static_cast<int32>(events.size()); }
    tresult ZK_VST3_CALL getEvent(int32 index, Event& e) override {
        if (index < 0 || index >= getEventCount()) return kInvalidArgument;
        e = events[static_cast<size_t>(index)];
        return kResultOk;
    }
    tresult ZK_VST3_CALL addEvent(Event&) override { return kResultFalse; }
};

ParamID parameterId(zkfuzz::InputReader& in) {
    const uint8_t pick = in.byte();
    if (pick < 150) return pick % 64;
    if (pick < 170) return zk::kVst3ProgramParameter;
    if (pick < 190) return zk::kVst3BypassParameter;
    if (pick < 240) return zk::kVst3FirstControllerParameter + in.u16() % 2200;
    return in.u32();
}

int32 offset(zkfuzz::InputReader& in, int32 frames, int32& last) {
    const uint8_t how = in.byte();
    if (how < 200) return last += frames > 0 ? how % (frames / 4 + 1) : 0; // in order
    return static_cast<int32>(in.u32() % static_cast<uint32_t>(3 * frames + 3)) - frames; // anywhere
}

class Processor {
public:
    static constexpr int32 kMaxFrames = static_cast<int32>(zkfuzz::LoudBlock::kMaxFrames);

    static Processor& reused() {
        static Processor* instance = new Processor; // lives as long as the process
        zk::Effect& effect = instance->vst3_.effect();
        effect.restoreChunk(zk::ChunkKind::bank, instance->firstBank_.data(),
                            static_cast<int32_t>(instance->firstBank_.size()), 0);
        effect.setBypass(false);
        return *instance;
    }

    void process(int32 frames, bool inPlace, uint32_t seed, Changes* in, Events* events, Changes* out) {
        using Output = zkfuzz::LoudBlock::Output;
        zkfuzz::LoudBlock block(static_cast<uint32_t>(frames), inPlace ? Output::inPlace : Output::replaced, seed);
        AudioBusBuffers input{2, 0, {block.inputs}};
        AudioBusBuffers output{2, 0, {block.outputs}};
        ProcessData data{kRealtime, kSample32, static_cast<int32>(block.frames), 1, 1, &input, &output, in, out,
                         events, nullptr, nullptr};
        if (frames == 0) data.numInputs = data.numOutputs = 0, data.inputs = data.outputs = nullptr;
        vst3_.processor().process(data);
        block.checkFinite();
    }

private:
    Processor() {
        zk::Vst3Processor& processor = vst3_.processor();
        ProcessSetup processSetup{kRealtime, kSample32, kMaxFrames, 44100.0};
        if (processor.setupProcessing(processSetup) != kResultOk || processor.setActive(true) != kResultOk ||
            processor.setProcessing(true) != kResultOk)
            std::abort();
        const void* bank = nullptr;
        const int32_t size = vst3_.effect().saveChunk(zk::ChunkKind::bank, &bank);
        firstBank_.assign(static_cast<const uint8_t*>(bank), static_cast<const uint8_t*>(bank) + size);
    }

    zkfuzz::Vst3FuzzProcessor vst3_;
    std::vector<uint8_t> firstBank_;
};

} // namespace

// Input: rounds of a control byte, the block size, the parameter queues with their points,
// then the events.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zkfuzz::InputReader in(data, size);
    Processor& processor = Processor::reused();
    std::vector<uint8_t> sysex(64, 0xF0);
    for (int round = 0; round < 16 && !in.done(); ++round) {
        const uint8_t control = in.byte();
        const int32 frames = control & 1 ? 0 : in.u16() % (Processor::kMaxFrames + 1);
        Changes changes;
        changes.queues.resize(in.byte() % 24);
        for (Queue& queue : changes.queues) {
            queue.id = parameterId(in);
            int32 last = 0;
            queue.points.resize(in.byte() % 8);
            for (auto& point : queue.points) point = {offset(in, frames, last), zkfuzz::anyValue(in, 1.0 / 64)};
        }
        Events events;
        events.events.resize(in.byte() % 16);
        int32 last = 0;
        for (Event& e : events.events) {
            e = Event{};
            e.busIndex = in.byte() < 240 ? 0 : static_cast<int32>(in.u32());
            e.sampleOffset = offset(in, frames, last);
            const uint8_t kind = in.byte();
            e.type = kind < 240 ? kind % 8 : in.u16();
            e.noteOn.channel = static_cast<int16>(in.u16());
            e.noteOn.pitch = static_cast<int16>(in.u16());
            e.noteOn.velocity = in.f32();
            if (e.type == Event::kDataEvent) {
                e.data.size = std::min<uint32>(in.byte() % 80, static_cast<uint32>(sysex.size()));
                e.data.type = in.byte() % 2;
                e.data.bytes = kind & 1 ? sysex.data() : nullptr;
                if (!e.data.bytes) e.data.size = 0;
            }
        }
        Changes out;
        out.room = control & 2 ? 0 : 1 + (control >> 4);
        processor.process(frames, (control & 4) != 0, round, control & 8 ? nullptr : &changes, &events,
                          control & 2 && control & 8 ? nullptr : &out);
    }
    return 0;
}
