#pragma once

#include "engine/DspBlock.h"

#include <atomic>
#include <cstdint>

namespace zk {

// First-order recursive filters: smooth the band envelopes, colour the timbre noise and let
// the delay times glide. One filter per lane, so that the engine runs three as lanes of one
// register; lanes never interact. Modes: 0 low-pass, 1 high-pass, 2 narrow band (a
// high-pass 0.01 below the low-pass coefficient, then the low-pass); any other acts as 0.
class OnePoleFilter : public DspBlock {
public:
    explicit OnePoleFilter(SampleRateContext& context) noexcept : DspBlock(context) {
        for (auto& k : k_) k.store(1.0f, std::memory_order_relaxed);
    }

    void setMode(int32_t mode, int lane = 0) noexcept { mode_[lane] = mode; }
    void setCutoff(float frequency, int lane = 0) noexcept {
        float k = twoPiOverRate() * frequency;
        if (k > 1.0f) k = 1.0f;
        if (k < 0.02f) k = 0.02f;
        k_[lane].store(k, std::memory_order_relaxed);
    }
    // Moves the coefficient on a cubic curve from 0.03 to 1.03 times that of 6500 Hz.
    void setTimbre(float amount, int lane = 0) noexcept {
        k_[lane].store(timbreCoefficient(twoPiOverRate(), amount), std::memory_order_relaxed);
    }
    static float timbreCoefficient(float twoPiOverRate, float amount) noexcept {
        const float reference = twoPiOverRate * 6500.0f;
        return maxFirst(0.01f, minFirst(1.0f, reference * (amount * amount * amount + 0.03f)));
    }

    float process(float x, int lane = 0) noexcept {
        const int32_t mode = mode_[lane];
        return process(x, coefficient(lane), mode == 2, mode == 2, mode == 1, true, lane);
    }
    // process() with the coefficient k: narrow band where `band`, high-pass where `high`
    // (anyBand: some lane is narrow band); only the lanes set in `run` change state.
    template <class T, class M>
    [[gnu::always_inline]] T process(T x, T k, bool anyBand, M band, M high, M run, int lane) noexcept {
        T u = x;
        if (anyBand) {
            // h = (k - 0.01) (x - h) + h, flushed; u = x - h
            const T h0 = load<T>(highState_, lane);
            const T h = flush((k - 0.01f) * (x - h0) + h0);
            store(highState_, lane, select(run & band, h, h0));
            u = x - keep(band, h); // x - 0 is x, -0 included
        }
        // d = u - s; s = d k + s, flushed; high-pass: d, else the new s before the flush
        const T s0 = load<T>(state_, lane);
        const T d = u - s0;
        const T next = d * k + s0;
        store(state_, lane, select(run, flush(next), s0));
        return select(high, d, next);
    }

    float coefficient(int lane = 0) const noexcept { return k_[lane].load(std::memory_order_relaxed); }
    const std::atomic<float>* coefficients() const noexcept { return k_; }
    float state(int lane = 0) const noexcept { return state_[lane]; }

private:
    alignas(16) float state_[4] = {};
    alignas(16) float highState_[4] = {};
    std::atomic<float> k_[4]; // set from the parameter thread
    int32_t mode_[4] = {};
};

} // namespace zk
