#pragma once

// The effect fuzz targets' instance: built from the library with dialogs that answer at once
// and settings kept in memory, driven only through its VST 2 record and reset before each
// input.

#include "core/PluginEffect.h"
#include "editor/PluginEditor.h"
#include "formats/vst2/Vst2Effect.h"
#include "fuzz/FuzzSupport.h"

#include <vector>

namespace zkfuzz {

class FuzzEffect {
public:
    static constexpr int32_t kMaxFrames = static_cast<int32_t>(LoudBlock::kMaxFrames);

    FuzzEffect()
        : effect_(new zk::Vst2Effect(&FuzzEffect::hostCallback, [this](zk::HostServices& host) {
              return std::make_unique<zk::PluginEffect>(host, zk::EffectServices{&messages_, &settings_},
                                                        [](zk::EditorContext& context) {
                                                            return std::make_unique<zk::PluginEditor>(context);
                                                        });
          })) {
        record_ = effect_->record();
        void* data = nullptr;
        const auto size = dispatch(vst2::effGetChunk, 0, 0, &data);
        firstBank_.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }

    // Instance `slot` (0 or 1) for the whole run, put back into its first state: building an
    // instance, its panel bitmaps above all, costs many times what one input does. A new
    // process, as when an input found is run again, starts from a new instance.
    static FuzzEffect& reused(int slot) {
        static FuzzEffect* instances[2] = {};
        FuzzEffect*& instance = instances[slot & 1];
        if (!instance) instance = new FuzzEffect; // lives as long as the process
        instance->reset();
        return *instance;
    }

    // Everything a host can reach: closes the panel, restores the bank the instance was
    // built with (values, names, flags, bindings), disarms learning, drops pending events,
    // selects program 0 and resumes at 44100 Hz, which refills the delay lines.
    void reset() {
        if (!record_) return;
        dispatch(vst2::effEditClose);
        dispatch(vst2::effMainsChanged, 0, 0);
        dispatch(vst2::effSetChunk, 0, static_cast<vst2::VstIntPtr>(firstBank_.size()), firstBank_.data());
        record_->setParameter(record_, zk::CommandLearn, -1.0f);
        vst2::VstEvents none{};
        dispatch(vst2::effProcessEvents, 0, 0, &none);
        dispatch(vst2::effSetProgram, 0, 0);
        messages_ = QuietMessages{};
        resume(44100.0f, 1024);
    }
    ~FuzzEffect() { close(); }
    FuzzEffect(const FuzzEffect&) = delete;
    FuzzEffect& operator=(const FuzzEffect&) = delete;

    vst2::AEffect* record() const { return record_; }

    vst2::VstIntPtr dispatch(int32_t opcode, int32_t index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr,
                             float opt = 0.0f) {
        if (!record_) return 0;
        const vst2::VstIntPtr result = record_->dispatcher(record_, opcode, index, value, ptr, opt);
        if (opcode == vst2::effClose) record_ = nullptr; // the entry has destroyed the object
        return result;
    }
    void close() { dispatch(vst2::effClose); }

    void resume(float rate, int32_t blockSize) {
        dispatch(vst2::effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(vst2::effSetBlockSize, 0, blockSize);
        dispatch(vst2::effMainsChanged, 0, 1);
    }

    // One block of loud input; every output sample must be finite.
    void process(int32_t frames, bool replace, uint32_t seed) {
        if (!record_ || frames < 0) return;
        LoudBlock block(static_cast<uint32_t>(frames), replace ? LoudBlock::Output::replaced : LoudBlock::Output::added,
                        seed);
        float* const* inputs = block.inputs;
        float* const* outputs = block.outputs;
        const auto n = static_cast<int32_t>(block.frames);
        if (replace)
            record_->processReplacing(record_, const_cast<float**>(inputs), const_cast<float**>(outputs), n);
        else
            record_->process(record_, const_cast<float**>(inputs), const_cast<float**>(outputs), n);
        block.checkFinite();
    }

private:
    static vst2::VstIntPtr hostCallback(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr,
                                        void*, float) {
        return opcode == vst2::audioMasterVersion ? 2400 : 0;
    }

    QuietMessages messages_;
    MemorySettings settings_;
    std::vector<uint8_t> firstBank_;
    zk::Vst2Effect* effect_; // destroyed through effClose, as a host does
    vst2::AEffect* record_ = nullptr;
};

} // namespace zkfuzz
