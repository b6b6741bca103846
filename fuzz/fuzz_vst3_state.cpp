// libFuzzer target: the VST3 component state through the processor's setState and getState.
// Any bytes, or the processor's own state or a preset state with bytes changed and cut
// short, after a foreign prefix now and then (hosts hand a stream at any position), through
// streams that move a few bytes at a time or fail part way. A refused state must change
// nothing; an accepted one must save, load again and save the same bytes.
#include "core/PluginEffect.h"
#include "formats/vst3/Vst3Processor.h"
#include "formats/vst3/Vst3State.h"
#include "fuzz/FuzzEffect.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace vst3;

class FuzzStream final : public IBStream {
public:
    std::vector<uint8_t> bytes;
    int64 at = 0;
    int32 step = 0;        // most bytes per read; 0: as many as asked
    int64 failAt = INT64_MAX; // reads from here on fail

    tresult ZK_VST3_CALL queryInterface(const TUID, void** obj) override {
        if (obj) *obj = nullptr;
        return kNoInterface;
    }
    uint32 ZK_VST3_CALL addRef() override { return 1; }
    uint32 ZK_VST3_CALL release() override { return 1; }

    tresult ZK_VST3_CALL read(void* buffer, int32 numBytes, int32* numBytesRead) override {
        if (numBytesRead) *numBytesRead = 0;
        if (!buffer || numBytes < 0) return kInvalidArgument;
        if (at >= failAt) return kResultFalse;
        int64 n = std::min<int64>(numBytes, static_cast<int64>(bytes.size()) - at);
        if (step > 0) n = std::min<int64>(n, step);
        if (n < 0) n = 0;
        if (n > 0) std::memcpy(buffer, bytes.data() + at, static_cast<size_t>(n));
        at += n;
        if (numBytesRead) *numBytesRead = static_cast<int32>(n);
        return kResultOk;
    }
    tresult ZK_VST3_CALL write(void* buffer, int32 numBytes, int32* numBytesWritten) override {
        if (numBytesWritten) *numBytesWritten = 0;
        if (!buffer || numBytes < 0) return kInvalidArgument;
        const auto* p = static_cast<const uint8_t*>(buffer);
        bytes.resize(std::max<size_t>(bytes.size(), static_cast<size_t>(at + numBytes)));
        std::memcpy(bytes.data() + at, p, static_cast<size_t>(numBytes));
        at += numBytes;
        if (numBytesWritten) *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult ZK_VST3_CALL seek(int64 pos, int32 mode, int64* result) override {
        const int64 base = mode == kIBSeekSet ? 0 : mode == kIBSeekCur ? at : static_cast<int64>(bytes.size());
        if (mode < 0 || mode > 2 || base + pos < 0) return kInvalidArgument;
        at = base + pos;
        if (result) *result = at;
        return kResultOk;
    }
    tresult ZK_VST3_CALL tell(int64* pos) override {
        if (!pos) return kInvalidArgument;
        *pos = at;
        return kResultOk;
    }
};

class Processor {
public:
    Processor() {
        zk::Vst3Setup setup;
        setup.makeEffect = [this](zk::HostServices& host) -> std::unique_ptr<zk::Effect> {
            auto made = std::make_unique<zk::PluginEffect>(host, zk::EffectServices{&messages_, &settings_});
            effect_ = made.get();
            return made;
        };
        processor_ = new zk::Vst3Processor(setup);
        if (processor_->initialize(nullptr) != kResultOk) std::abort();
        first_ = save();
    }
    static Processor& reused() {
        static Processor* instance = new Processor; // lives as long as the process
        if (!instance->load(instance->first_)) std::abort();
        return *instance;
    }
    std::vector<uint8_t> save() {
        FuzzStream stream;
        if (processor_->getState(&stream) != kResultOk) std::abort();
        return stream.bytes;
    }
    std::vector<uint8_t> presetState() { return zk::vst3PresetState(*effect_); }
    bool load(FuzzStream& stream) { return processor_->setState(&stream) == kResultOk; }
    bool load(const std::vector<uint8_t>& bytes) {
        FuzzStream stream;
        stream.bytes = bytes;
        return load(stream);
    }

private:
    zkfuzz::QuietMessages messages_;
    zkfuzz::MemorySettings settings_;
    zk::Vst3Processor* processor_ = nullptr;
    zk::Effect* effect_ = nullptr;
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

    std::vector<uint8_t> bytes;
    if (control & 1) {
        std::vector<uint8_t> own = processor.save();
        if (control & 2) {
            std::vector<uint8_t> preset = processor.presetState();
            if (!preset.empty()) own = std::move(preset);
        }
        for (int patches = in.byte() % 16; patches > 0 && !own.empty(); --patches) {
            const uint32_t offset = in.u32() % own.size();
            own[offset] = in.byte();
        }
        const uint32_t cut = in.u32();
        if (control & 8) own.resize(std::min<size_t>(own.size(), cut % (own.size() + 1)));
        bytes = std::move(own);
    } else {
        size_t got = 0;
        const uint8_t* rest = in.take(in.left(), got);
        bytes.assign(rest, rest + got);
    }

    const std::vector<uint8_t> before = processor.save();
    FuzzStream stream;
    stream.bytes.assign(prefix, 0xA5);
    stream.bytes.insert(stream.bytes.end(), bytes.begin(), bytes.end());
    stream.at = prefix;
    stream.step = stepBits & 0x80 ? 0 : 1 << (stepBits % 12);
    if (control & 16) stream.failAt = prefix + failAt;
    if (processor.load(stream)) {
        const std::vector<uint8_t> saved = processor.save();
        if (!processor.load(saved)) std::abort();
        if (processor.save() != saved) std::abort();
    } else if (processor.save() != before) {
        std::abort(); // a refused state changed something
    }
    return 0;
}
