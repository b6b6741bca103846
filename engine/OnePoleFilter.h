#pragma once

#include "engine/DspBlock.h"

#include <atomic>
#include <cstdint>

namespace zk {

// First-order recursive filter: smooths the band envelopes, colours the timbre noise and
// lets the delay times glide. Each field is an array with one lane per filter so that a
// bank of filters can later run as lanes of one SIMD register; lanes never interact.
// Modes: 0 low-pass, 1 high-pass, 2 narrow band (high-pass 0.01 below the low-pass
// coefficient, then the low-pass); any other mode filters as 0.
template <int Lanes>
class OnePoleLanes : public DspBlock {
public:
    static constexpr int lanes = Lanes;

    explicit OnePoleLanes(SampleRateContext& context) noexcept : DspBlock(context) {
        for (int i = 0; i < Lanes; ++i) {
            state_[i] = 0.0f;
            k_[i].store(1.0f, std::memory_order_relaxed);
            reference_[i] = twoPi * 6500.0f / sharedSampleRate();
            mode_[i] = 0;
            highState_[i] = 0.0f;
        }
    }

    void setMode(int32_t mode, int lane = 0) noexcept { mode_[lane] = mode; }

    void setCutoff(float frequency, int lane = 0) noexcept {
        float k = twoPiOverRate() * frequency;
        if (k > 1.0f) k = 1.0f;
        if (k < 0.02f) k = 0.02f;
        k_[lane].store(k, std::memory_order_relaxed);
    }

    // Moves the coefficient on a cubic curve from 0.03 to 1.03 times that of 6500 Hz.
    void setTimbre(float amount, int lane = 0) noexcept { setTimbreAt(amount, twoPiOverRate(), lane); }
    // The same with the engine's twoPiOverRate() already loaded (per-frame use).
    void setTimbreAt(float amount, float twoPiOverRate, int lane) noexcept {
        reference_[lane] = twoPiOverRate * 6500.0f;
        k_[lane].store(timbreCoefficient(reference_[lane], amount), std::memory_order_relaxed);
    }

    [[gnu::always_inline]] float process(float x, int lane = 0) noexcept {
        const float k = k_[lane].load(std::memory_order_relaxed);
        float u = x;
        if (mode_[lane] == 2) {
            highState_[lane] = flush((k - 0.01f) * (x - highState_[lane]) + highState_[lane]);
            u = x - highState_[lane];
        }
        const float d = u - state_[lane];
        const float next = d * k + state_[lane];
        state_[lane] = flush(next);
        return mode_[lane] == 1 ? d : next;
    }

    float coefficient(int lane = 0) const noexcept { return k_[lane].load(std::memory_order_relaxed); }
    float state(int lane = 0) const noexcept { return state_[lane]; }

private:
    static float timbreCoefficient(float reference, float amount) noexcept {
        float k = reference * (amount * amount * amount + 0.03f);
        return maxFirst(0.01f, minFirst(1.0f, k)); // minss, maxss: no branch
    }

    float state_[Lanes];
    std::atomic<float> k_[Lanes]; // set from the parameter thread
    float reference_[Lanes];
    int32_t mode_[Lanes];
    float highState_[Lanes];
};

using OnePoleFilter = OnePoleLanes<1>;

} // namespace zk
