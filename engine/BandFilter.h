#pragma once

#include "engine/DspBlock.h"

#include <atomic>
#include <cstdint>

namespace zk {

// One step of a ramp towards `target`: first clamped to [low, high], then moved by `step`
// up or down; left alone where it is there already.
template <class T>
[[gnu::always_inline]] inline T ramp(T value, T target, float low, float high, float step) noexcept {
    T v = maxFirst(T(low), minFirst(T(high), value));
    v = v + keep(target > v, T(step)); // v is at least `low` or NaN: v + 0 is v
    v = v - keep(target < v, T(step));
    return select(target != value, v, value);
}

// Two cascaded state-variable stages, an output smoothing whose coefficient ramps towards
// the frequency coefficient, and a ramped output gain. Types: 0 low-pass output, 1 and 2
// high-pass output. Poles 2: stage 1 only, raw. One filter per lane, as OnePoleFilter.
class BandFilter : public DspBlock {
public:
    explicit BandFilter(SampleRateContext& context) noexcept : DspBlock(context) {
        for (int i = 0; i < 4; ++i) {
            frequencyCoefficient_[i].store(twoPi * 6500.0f / sharedSampleRate(), std::memory_order_relaxed);
            damping_[i] = gainTarget_[i] = 1.0f;
            poles_[i] = 4;
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

    // The frequency coefficients and dampings, and the ramps: the smoothing's coefficient c
    // and the gain g, which process() moves.
    template <class T>
    struct Values {
        T f, q, c, g;
    };
    template <class T>
    [[gnu::always_inline]] Values<T> values(int lane) const noexcept {
        return {loadRelaxed<T>(frequencyCoefficient_, lane), load<T>(damping_, lane), load<T>(smoothed_, lane),
                load<T>(gain_, lane)};
    }
    template <class T>
    [[gnu::always_inline]] void keepRamps(const Values<T>& v, int lane) noexcept {
        store(smoothed_, lane, v.c);
        store(gain_, lane, v.g);
    }
    // Where `run` holds, whether a step would move either ramp: until none would, process()
    // must take `ramps`; after that they rest for as long as f is the same.
    template <class T, class M>
    [[gnu::always_inline]] bool rampsMove(const Values<T>& v, M run, int lane) const noexcept {
        const T target = load<T>(gainTarget_, lane);
        return any(run & ((ramp(v.c, v.f, 0.02f, 1.0f, 0.01f) != v.c) | (ramp(v.g, target, 0.103f, 0.67f, 0.001f) != v.g)));
    }

    float process(float x, int lane = 0) noexcept {
        Values<float> v = values<float>(lane);
        const int32_t type = type_[lane];
        const float y = process(x, v, true, type == 0, type == 1 || type == 2, poles_[lane] == 2, true, lane);
        keepRamps(v, lane);
        return y;
    }
    // process() with `v`, moving its ramps where `ramps`: low-pass output where `low`,
    // high-pass where `high`, stage 1 alone where `stage1`; only the lanes set in `run`
    // change state.
    template <class T, class M>
    [[gnu::always_inline]] T process(T x, Values<T>& v, bool ramps, M low, M high, M stage1, M run, int lane) noexcept {
        // high = in - (b q + l); b = high f + b, flushed; l = b f + l, flushed; the output:
        // l (low-pass), high (high-pass), else the last one
        const auto stage = [&](T in, float* bandState, float* lowState, float* output, auto runs) {
            const T b0 = load<T>(bandState, lane), l0 = load<T>(lowState, lane), old = load<T>(output, lane);
            const T h = in - (b0 * v.q + l0);
            const T b = flush(h * v.f + b0);
            const T l = flush(b * v.f + l0);
            const T out = select(low, l, select(high, h, old));
            store(bandState, lane, select(runs, b, b0));
            store(lowState, lane, select(runs, l, l0));
            store(output, lane, select(runs, out, old));
            return out;
        };
        const T out1 = stage(x, band1_, low1_, out1_, run);
        const auto run2 = run & !stage1;
        const T out2 = stage(out1, band2_, low2_, out2_, run2);
        if (ramps) {
            v.c = select(run2, ramp(v.c, v.f, 0.02f, 1.0f, 0.01f), v.c);
            v.g = select(run2, ramp(v.g, load<T>(gainTarget_, lane), 0.103f, 0.67f, 0.001f), v.g);
        }
        // s = (out2 - s) c + s, flushed; the output g s
        const T s0 = load<T>(smoother_, lane);
        const T s = flush((out2 - s0) * v.c + s0);
        store(smoother_, lane, select(run2, s, s0));
        return select(stage1, out1, v.g * s);
    }

    float frequencyCoefficient(int lane = 0) const noexcept {
        return frequencyCoefficient_[lane].load(std::memory_order_relaxed);
    }
    float smoothedCoefficient(int lane = 0) const noexcept { return smoothed_[lane]; }
    float gain(int lane = 0) const noexcept { return gain_[lane]; }
    float gainTarget(int lane = 0) const noexcept { return gainTarget_[lane]; }
    float damping(int lane = 0) const noexcept { return damping_[lane]; }

private:
    alignas(16) float band1_[4] = {}, low1_[4] = {}, out1_[4] = {};
    alignas(16) float band2_[4] = {}, low2_[4] = {}, out2_[4] = {};
    alignas(16) float smoother_[4] = {}, smoothed_[4] = {}, gain_[4] = {};
    alignas(16) float damping_[4], gainTarget_[4];
    std::atomic<float> frequencyCoefficient_[4]; // set from the parameter thread
    int32_t poles_[4], type_[4] = {};
};

} // namespace zk
