#pragma once

// What every fuzz target shares: a reader that takes the fuzz input apart, the values and
// event frames read from it, dialogs that answer at once, settings kept in memory, a block
// of loud input whose output must stay finite, damaged copies of a plug-in's own state,
// and the rule a state load must keep.

#include "core/Services.h"

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
    std::vector<uint8_t> rest() {
        size_t got = 0;
        const uint8_t* start = take(left(), got);
        return std::vector<uint8_t>(start, start + got);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// A value as a host may send it or should not: within 0..1, NaN, infinities and anything
// else a float holds, the ends, or a whole number from -128 to 127 times `wide`.
inline double anyValue(InputReader& in, double wide) {
    switch (in.byte() & 3) {
    case 0: return in.byte() / 255.0;
    case 1: return static_cast<double>(in.f32());
    case 2: return in.byte() & 1 ? 1.0 : 0.0;
    default: return static_cast<int8_t>(in.byte()) * wide;
    }
}

// The frame of an event after one at `last` in a block of `frames`: mostly in order within
// the block, now and then anywhere up to twice past it.
inline uint32_t nextFrame(InputReader& in, uint32_t last, uint32_t frames) {
    const uint8_t timing = in.byte();
    if (timing < 200) return last + (frames ? timing % (frames / 4 + 1) : 0);
    return in.u32() % (2 * frames + 2);
}

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

// A block of loud pseudo-random input (it wakes the engine) and the outputs it goes to: the
// inputs themselves, or buffers that must be overwritten, or added to. After processing,
// every output sample must be finite, whatever state the input put the plug-in in.
class LoudBlock {
public:
    static constexpr uint32_t kMaxFrames = 8192;
    enum class Output { replaced, added, inPlace };

    LoudBlock(uint32_t frames, Output output, uint32_t seed)
        : frames(frames < kMaxFrames ? frames : kMaxFrames),
          inputs{inL_, inR_},
          outputs{output == Output::inPlace ? inL_ : outL_, output == Output::inPlace ? inR_ : outR_} {
        for (uint32_t i = 0; i < this->frames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            inL_[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            inR_[i] = -0.5f * inL_[i];
            if (output != Output::inPlace) outL_[i] = outR_[i] = output == Output::replaced ? 12345.0f : 0.0f;
        }
    }
    void checkFinite() const {
        for (uint32_t i = 0; i < frames; ++i)
            if (!std::isfinite(outputs[0][i]) || !std::isfinite(outputs[1][i])) std::abort();
    }

    const uint32_t frames;
    float* inputs[2];
    float* outputs[2];

private:
    inline static float inL_[kMaxFrames], inR_[kMaxFrames], outL_[kMaxFrames], outR_[kMaxFrames];
};

// A state the plug-in wrote with up to 15 bytes changed and, where `cut`, cut short: inputs
// that get past a state's first checks.
inline void damage(InputReader& in, std::vector<uint8_t>& state, bool cut) {
    for (int patches = in.byte() % 16; patches > 0 && !state.empty(); --patches) {
        const uint32_t offset = in.u32() % state.size();
        state[offset] = in.byte();
    }
    const uint32_t length = in.u32();
    if (cut) state.resize(length % (state.size() + 1));
}

// What a state load must keep: a refused state changes nothing (the state saved after it is
// `before`); an accepted one saves, loads again and saves the same.
template <class State, class Save, class Load>
void checkLoadOutcome(bool accepted, const State& before, Save save, Load load) {
    if (!accepted) {
        if (save() != before) std::abort();
        return;
    }
    const State saved = save();
    if (!load(saved)) std::abort();
    if (save() != saved) std::abort();
}

} // namespace zkfuzz
