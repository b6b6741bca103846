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
            setMode(0, i);
            highState_[i] = 0.0f;
        }
    }

    void setMode(int32_t mode, int lane = 0) noexcept {
        mode_[lane] = mode;
        bandMask_[lane] = mode == 2 ? -1 : 0; // lane masks, kept so that no frame recomputes them
        highMask_[lane] = mode == 1 ? -1 : 0;
        anyBand_ = anyHigh_ = false;
        for (int i = 0; i < Lanes; ++i) {
            anyBand_ = anyBand_ || bandMask_[i];
            anyHigh_ = anyHigh_ || highMask_[i];
        }
    }

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

#if ZK_ENGINE_SSE
    // The coefficients that setTimbreAt() would give each lane, computed without storing
    // them: a timbre filter's coefficient is set afresh before every use, so the lanes keep
    // it in a register (the scalar code stores it, and reads it back at once).
    [[gnu::always_inline]] static lanes::F4 timbreCoefficientLanes(lanes::F4 amount, float twoPiOverRate) noexcept {
        using namespace lanes;
        const float reference = twoPiOverRate * 6500.0f;
        const F4 raw = _mm_mul_ps(splat(reference),
                                  _mm_add_ps(_mm_mul_ps(_mm_mul_ps(amount, amount), amount), constant<floatBits(0.03f)>()));
        return _mm_max_ps(constant<floatBits(0.01f)>(), _mm_min_ps(constant<floatBits(1.0f)>(), raw)); // maxFirst, minFirst
    }

    // process() on every lane at once; only the lanes set in `run` change state.
    [[gnu::always_inline]] lanes::F4 processLanes(lanes::F4 x, lanes::F4 run) noexcept
        requires(Lanes == 4)
    {
        return processLanesWith(x, lanes::load(k_), run);
    }
    // The same with the coefficients already loaded.
    [[gnu::always_inline]] lanes::F4 processLanesWith(lanes::F4 x, lanes::F4 k, lanes::F4 run) noexcept
        requires(Lanes == 4)
    {
        // No lane high-pass (the engine's set-up), and none narrow band either: masks as constants.
        if (!anyHigh_ && !anyBand_) return processLanesAs<false, false>(x, k, run);
        if (!anyHigh_) return processLanesAs<true, false>(x, k, run);
        return processLanesAs<true, true>(x, k, run);
    }

    // Whether some lane is narrow band and some high-pass: processLanesAs() with those
    // arguments is then processLanesWith().
    bool modesAre(bool anyBand, bool anyHigh) const noexcept { return anyBand_ == anyBand && anyHigh_ == anyHigh; }
    [[gnu::always_inline]] lanes::F4 coefficients() const noexcept
        requires(Lanes == 4)
    {
        return lanes::load(k_);
    }

    template <bool AnyBand, bool AnyHigh>
    [[gnu::always_inline]] lanes::F4 processLanesAs(lanes::F4 x, lanes::F4 k, lanes::F4 run) noexcept {
        using namespace lanes;
        const auto mask = [](const int32_t* m) {
            return _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(m)));
        };
        F4 u = x;
        if constexpr (AnyBand) {
            const F4 band = mask(bandMask_);
            const F4 h0 = _mm_load_ps(highState_);
            const F4 h = flush(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(k, constant<floatBits(0.01f)>()), _mm_sub_ps(x, h0)), h0));
            _mm_store_ps(highState_, select(_mm_and_ps(run, band), h, h0));
            u = _mm_sub_ps(x, _mm_and_ps(band, h)); // x - 0 is x, -0 included
        }
        const F4 s0 = _mm_load_ps(state_);
        const F4 d = _mm_sub_ps(u, s0);
        const F4 next = _mm_add_ps(_mm_mul_ps(d, k), s0);
        _mm_store_ps(state_, select(run, flush(next), s0));
        if constexpr (AnyHigh) return select(mask(highMask_), d, next);
        return next;
    }
#endif

    float coefficient(int lane = 0) const noexcept { return k_[lane].load(std::memory_order_relaxed); }
    float state(int lane = 0) const noexcept { return state_[lane]; }

private:
    static float timbreCoefficient(float reference, float amount) noexcept {
        float k = reference * (amount * amount * amount + 0.03f);
        return maxFirst(0.01f, minFirst(1.0f, k)); // minss, maxss: no branch
    }

    alignas(16) float state_[Lanes];
    alignas(16) std::atomic<float> k_[Lanes]; // set from the parameter thread
    float reference_[Lanes];
    alignas(16) int32_t mode_[Lanes];
    alignas(16) int32_t bandMask_[Lanes] = {};
    alignas(16) int32_t highMask_[Lanes] = {};
    bool anyBand_ = false, anyHigh_ = false;
    alignas(16) float highState_[Lanes];
};

using OnePoleFilter = OnePoleLanes<1>;

} // namespace zk
