#pragma once

// What the effect fuzz targets share: an instance built from the library with dialogs that
// answer at once and settings kept in memory, driven only through its VST 2 record and
// reset before each input; and a reader that takes the fuzz input apart.

#include "core/PluginEffect.h"
#include "editor/PluginEditor.h"
#include "formats/vst2/Vst2Effect.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace zkfuzz {

// Reads the input front to back; past its end every read gives 0.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    size_t left() const { return size_ - at_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint32_t u32() { return static_cast<uint32_t>(u16()) | static_cast<uint32_t>(u16()) << 16; }
    float f32() {
        const uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // The next `count` bytes (fewer at the end of the input).
    const uint8_t* take(size_t count, size_t& got) {
        got = count < left() ? count : left();
        const uint8_t* start = data_ + at_;
        at_ += got;
        return start;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Yes and No in turn, so that both answers of every question are reached.
class QuietMessages final : public zk::MessageService {
public:
    void showMessage(const char*, const char*, void*) noexcept override {}
    void askYesNo(const char*, const char*, void*, Answer answer) noexcept override { answer(yes_ = !yes_); }

private:
    bool yes_ = false;
};

class MemorySettings final : public zk::SettingsStore {
public:
    uint32_t readValue(const std::string& name) noexcept override {
        auto found = values_.find(name);
        return found == values_.end() ? 0 : found->second;
    }
    void writeValues(std::vector<zk::SettingsWrite>& writes) noexcept override {
        for (zk::SettingsWrite& write : writes) {
            values_[write.name] = write.value;
            write.written = true;
        }
    }

private:
    std::map<std::string, uint32_t> values_;
};

class FuzzEffect {
public:
    static constexpr int32_t kMaxFrames = 8192;

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

    // One block of loud pseudo-random input (it wakes the engine); every output sample
    // must be finite, whatever state the input put the effect in.
    void process(int32_t frames, bool replace, uint32_t seed) {
        if (!record_) return;
        if (frames > kMaxFrames) frames = kMaxFrames;
        for (int32_t i = 0; i < frames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            inL_[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            inR_[i] = -0.5f * inL_[i];
            if (replace) outL_[i] = outR_[i] = 12345.0f; // must be overwritten
            else outL_[i] = outR_[i] = 0.0f;
        }
        float* inputs[2] = {inL_, inR_};
        float* outputs[2] = {outL_, outR_};
        if (replace)
            record_->processReplacing(record_, inputs, outputs, frames);
        else
            record_->process(record_, inputs, outputs, frames);
        for (int32_t i = 0; i < frames; ++i)
            if (!std::isfinite(outL_[i]) || !std::isfinite(outR_[i])) std::abort();
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
    inline static float inL_[kMaxFrames], inR_[kMaxFrames], outL_[kMaxFrames], outR_[kMaxFrames];
};

} // namespace zkfuzz
