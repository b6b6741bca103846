#pragma once

// The effect's bypass: bypassed, the output is the input; going in and out of it cross-fades
// linearly over 5 ms, so that neither way clicks. While it is bypassed the sound engine rests
// (its frames are not computed) and MIDI is still taken; nothing else changes.
// 1. prepare() at activation sizes the fade for the rate.
// 2. request() from any thread asks for the bypass or its end.
// 3. process() runs each block, calling the engine over the frames that need it.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>

namespace zk {

class BypassFade {
public:
    static constexpr double kFadeSeconds = 0.005;

    BypassFade() { prepare(44100.0); } // ready before any activation

    // [main] While inactive: the fade's length at `sampleRate`; a pending request takes
    // effect at once, without a fade.
    void prepare(double sampleRate);
    // [any]
    void request(bool bypassed) noexcept { requested_.store(bypassed, std::memory_order_relaxed); }
    bool requested() const noexcept { return requested_.load(std::memory_order_relaxed); }
    int32_t fadeFrames() const noexcept { return length_; }
    // [audio] Neither bypassed nor fading: the output is the engine's own.
    bool plain() const noexcept { return position_ == 0 && !requested(); }

    // [audio] One block of two channels. `runEngine(frames)` computes the engine's output over
    // the block's first `frames` frames into `outputs` (which may be the inputs).
    template <class RunEngine>
    void process(const float* const* inputs, float* const* outputs, int32_t frames, RunEngine&& runEngine) noexcept {
        const bool bypassed = requested();
        if (!bypassed && position_ == 0) return runEngine(frames);
        if (bypassed && position_ == length_) return passInput(inputs, outputs, 0, frames);
        // The fade's frames in this block, their input kept: the engine writes over it in place.
        const int32_t fade = std::min(frames, bypassed ? length_ - position_ : position_);
        for (int c = 0; c < 2; ++c) std::copy(inputs[c], inputs[c] + fade, saved_[c].get());
        runEngine(bypassed ? fade : frames);
        for (int32_t i = 0; i < fade; ++i) {
            position_ += bypassed ? 1 : -1;
            const float dry = static_cast<float>(position_) / static_cast<float>(length_);
            for (int c = 0; c < 2; ++c)
                outputs[c][i] = position_ == length_ ? saved_[c][i] : outputs[c][i] + (saved_[c][i] - outputs[c][i]) * dry;
        }
        if (bypassed) passInput(inputs, outputs, fade, frames);
    }

private:
    static void passInput(const float* const* inputs, float* const* outputs, int32_t from, int32_t to) noexcept {
        for (int c = 0; c < 2; ++c)
            if (outputs[c] != inputs[c]) std::copy(inputs[c] + from, inputs[c] + to, outputs[c] + from);
    }

    std::atomic<bool> requested_{false};
    // [audio] How far the fade is from the engine's sound (0) to the input (length_).
    int32_t position_ = 0;
    int32_t length_ = 1;
    std::unique_ptr<float[]> saved_[2];
};

} // namespace zk
