#pragma once

#include "engine/DspBlock.h"

#include <atomic>
#include <cmath>

namespace zk {

// The engine's only sine: the phase p (in cycles, -0.5..0.5) times a cubic in |p|.
// Within about 0.011 of sin(2 pi p); exactly 0 at 0 and +-0.5.
template <class T>
[[gnu::always_inline]] inline T polySine(T p) noexcept {
    const T a = abs(p);
    return p * (a - 0.5f) * (a - 0.732963f) * (a + 0.232963f) * 68.5949f;
}

// Phase accumulator with its own sample rate: the engine's modulation source.
class SineOscillator {
public:
    SineOscillator() = default;
    virtual ~SineOscillator() = default;

    void setSampleRate(float rate) noexcept {
        sampleRate_.store(rate, std::memory_order_relaxed);
        samplePeriod_.store(1.0f / rate, std::memory_order_relaxed);
    }
    void setFrequency(float frequency) noexcept { frequency_.store(frequency, std::memory_order_relaxed); }

    float process() noexcept { return processBy(step()); }
    // The phase's step per frame, and process() with it loaded (for a stretch of frames).
    float step() const noexcept {
        return samplePeriod_.load(std::memory_order_relaxed) * frequency_.load(std::memory_order_relaxed);
    }
    // With Sse41 (the caller checks the processor) the wrap truncates by roundss, a shorter
    // chain from frame to frame. Its -0 for phase + 0.5 in (-1, 0) changes nothing: the
    // phase is then below -0.5, and subtracting -0 or +0 from it gives it unchanged.
    template <bool Sse41 = false>
    [[gnu::always_inline]] float processBy(float step) noexcept {
        phase_ = phase_ + step;
        const float v = phase_ + 0.5f;
        float whole;
#if ZK_ENGINE_SSE
        if constexpr (Sse41)
            whole = std::fabs(v) < 2147483648.0f ? truncateSse41(v) : static_cast<float>(truncateToInt(v));
        else
#endif
            whole = static_cast<float>(truncateToInt(v));
        phase_ = phase_ - whole;
        return polySine(phase_);
    }

    float phase() const noexcept { return phase_; }

private:
    float phase_ = 0.0f;
    // Set from the parameter and dispatcher threads.
    std::atomic<float> frequency_{0.0f};
    std::atomic<float> sampleRate_{44100.0f};
    std::atomic<float> samplePeriod_{1.0f / 44100.0f};
};

} // namespace zk
