#pragma once

// What the VST3 fuzz targets share: a stream over bytes that moves few bytes at a time or
// fails part way, and the processor built from the libraries around an effect with quiet
// dialogs and settings in memory, initialised with no host context.

#include "core/PluginEffect.h"
#include "formats/vst3/Vst3Processor.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zkfuzz {

using namespace vst3;

// An object of the host's that lives as long as the call it is handed to.
template <class Interface>
struct Unshared : Interface {
    tresult ZK_VST3_CALL queryInterface(const TUID, void** obj) override {
        if (obj) *obj = nullptr;
        return kNoInterface;
    }
    uint32 ZK_VST3_CALL addRef() override { return 1; }
    uint32 ZK_VST3_CALL release() override { return 1; }
};

class FuzzStream final : public Unshared<IBStream> {
public:
    std::vector<uint8_t> bytes;
    int64 at = 0;
    int32 step = 0;        // most bytes per read; 0: as many as asked
    int64 failAt = INT64_MAX; // reads from here on fail

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

class Vst3FuzzProcessor {
public:
    Vst3FuzzProcessor() {
        zk::Vst3Setup setup;
        setup.makeEffect = [this](zk::HostServices& host) -> std::unique_ptr<zk::Effect> {
            auto made = std::make_unique<zk::PluginEffect>(host, zk::EffectServices{&messages_, &settings_});
            effect_ = made.get();
            return made;
        };
        processor_ = new zk::Vst3Processor(setup); // lives as long as the process
        if (processor_->initialize(nullptr) != kResultOk) std::abort();
    }

    zk::Vst3Processor& processor() { return *processor_; }
    zk::Effect& effect() { return *effect_; }

private:
    QuietMessages messages_;
    MemorySettings settings_;
    zk::Vst3Processor* processor_ = nullptr;
    zk::Effect* effect_ = nullptr;
};

} // namespace zkfuzz
