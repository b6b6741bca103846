#pragma once

#include "engine/DspBlock.h"

#include <atomic>
#include <cstdint>

namespace zk {

// Two cascaded state-variable stages with an output smoothing whose coefficient ramps
// towards the frequency coefficient, and a ramped output gain. Types: 0 low-pass output,
// 1 and 2 high-pass output. Poles 2: stage 1 only, raw. One lane per filter (see
// OnePoleLanes); lanes never interact.
template <int Lanes>
class BandFilterLanes : public DspBlock {
public:
    static constexpr int lanes = Lanes;

    explicit BandFilterLanes(SampleRateContext& context) noexcept : DspBlock(context) {
        for (int i = 0; i < Lanes; ++i) {
            bandState1_[i] = lowState1_[i] = bandState2_[i] = lowState2_[i] = 0.0f;
            gain_[i] = 0.0f;
            smootherState_[i] = 0.0f;
            smoothedCoefficient_[i] = 0.0f;
            frequencyCoefficient_[i].store(twoPi * 6500.0f / sharedSampleRate(), std::memory_order_relaxed);
            damping_[i] = 1.0f;
            gainTarget_[i] = 1.0f;
            poles_[i] = 4;
            type_[i] = 0;
            stage1Output_[i] = stage2Output_[i] = 0.0f;
        }
    }

    // With damping q the stages are stable only while f < sqrt(q^2 + 4) - q (1.236 for the
    // engine's q = 1, 1.04 at the largest q), which the top of the Band range passes at
    // rates below ~33 kHz; near that bound they ring loudly at Nyquist. At 1 (q = 1: both
    // poles at 0) the filter stays tame for every damping; rates from ~40.8 kHz up never
    // reach it.
    static constexpr float maximumCoefficient = 1.0f;

    void setFrequency(float frequency, int lane = 0) noexcept {
        float f = twoPiOverRate() * frequency;
        if (f > maximumCoefficient) f = maximumCoefficient;
        frequencyCoefficient_[lane].store(f, std::memory_order_relaxed);
    }

    void setResonance(float r, int lane = 0) noexcept {
        if (r < 0.3f) r = 0.3f;
        if (r > 0.93f) r = 0.93f;
        gainTarget_[lane] = 0.94f - 0.9f * r;
        damping_[lane] = 2.0f * (1.0f - r);
    }

    void setType(int32_t type, int lane = 0) noexcept { type_[lane] = type; }
    void setPoles(int32_t poles, int lane = 0) noexcept { poles_[lane] = poles; }

    [[gnu::always_inline]] float process(float x, int lane = 0) noexcept {
        const float f = frequencyCoefficient_[lane].load(std::memory_order_relaxed);
        const float q = damping_[lane];
        const int32_t type = type_[lane];

        const float high1 = x - (bandState1_[lane] * q + lowState1_[lane]);
        const float band1 = flush(high1 * f + bandState1_[lane]);
        const float low1 = flush(band1 * f + lowState1_[lane]);
        bandState1_[lane] = band1;
        lowState1_[lane] = low1;
        if (type == 0) stage1Output_[lane] = low1;
        else if (type == 1 || type == 2) stage1Output_[lane] = high1;
        if (poles_[lane] == 2) return stage1Output_[lane];

        const float in2 = stage1Output_[lane];
        const float high2 = in2 - (bandState2_[lane] * q + lowState2_[lane]);
        const float band2 = flush(high2 * f + bandState2_[lane]);
        const float low2 = flush(band2 * f + lowState2_[lane]);
        bandState2_[lane] = band2;
        lowState2_[lane] = low2;
        if (type == 0) stage2Output_[lane] = low2;
        else if (type == 1 || type == 2) stage2Output_[lane] = high2;

        // Branches, not selects: f and c (target and g) keep their order for long runs.
        float c = smoothedCoefficient_[lane];
        if (f != c) {
            if (c > 1.0f) c = 1.0f;
            if (c < 0.02f) c = 0.02f;
            if (f > c) c += 0.01f;
            if (f < c) c -= 0.01f;
            smoothedCoefficient_[lane] = c;
        }
        const float out = flush((stage2Output_[lane] - smootherState_[lane]) * c + smootherState_[lane]);
        smootherState_[lane] = out;

        float g = gain_[lane];
        const float target = gainTarget_[lane];
        if (target != g) {
            if (g > 0.67f) g = 0.67f;
            if (g < 0.103f) g = 0.103f;
            if (target > g) g += 0.001f;
            if (target < g) g -= 0.001f;
            gain_[lane] = g;
        }
        return g * out;
    }

    float frequencyCoefficient(int lane = 0) const noexcept {
        return frequencyCoefficient_[lane].load(std::memory_order_relaxed);
    }
    float smoothedCoefficient(int lane = 0) const noexcept { return smoothedCoefficient_[lane]; }
    float gain(int lane = 0) const noexcept { return gain_[lane]; }
    float gainTarget(int lane = 0) const noexcept { return gainTarget_[lane]; }
    float damping(int lane = 0) const noexcept { return damping_[lane]; }

private:
    float bandState1_[Lanes];
    float lowState1_[Lanes];
    float bandState2_[Lanes];
    float lowState2_[Lanes];
    float gain_[Lanes];
    float smootherState_[Lanes];
    float smoothedCoefficient_[Lanes];
    std::atomic<float> frequencyCoefficient_[Lanes]; // set from the parameter thread
    float damping_[Lanes];
    float gainTarget_[Lanes];
    int32_t poles_[Lanes];
    int32_t type_[Lanes];
    float stage1Output_[Lanes];
    float stage2Output_[Lanes];
};

using BandFilter = BandFilterLanes<1>;

} // namespace zk
