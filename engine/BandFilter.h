#pragma once

#include "engine/DspBlock.h"

#include <atomic>
#include <cstdint>
#include <limits>

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
            coefficientSettledFor_[i] = gainSettledFor_[i] = unsettled;
            frequencyCoefficient_[i].store(twoPi * 6500.0f / sharedSampleRate(), std::memory_order_relaxed);
            damping_[i] = 1.0f;
            gainTarget_[i] = 1.0f;
            poles_[i] = 4;
            type_[i] = 0;
            updateMasks(i);
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

    void setType(int32_t type, int lane = 0) noexcept {
        type_[lane] = type;
        updateMasks(lane);
    }
    void setPoles(int32_t poles, int lane = 0) noexcept {
        poles_[lane] = poles;
        updateMasks(lane);
    }

    // One state-variable stage: updates its two states and, for types 0 to 2, the stage's
    // output (low-pass for type 0, high-pass for 1 and 2; other types keep the old one).
    [[gnu::always_inline]] static void stage(float x, float f, float q, int32_t type, float& band, float& low,
                                             float& output) noexcept {
        const float high = x - (band * q + low);
        band = flush(high * f + band);
        low = flush(band * f + low);
        if (type == 0) output = low;
        else if (type == 1 || type == 2) output = high;
    }

    [[gnu::always_inline]] float process(float x, int lane = 0) noexcept {
        const float f = frequencyCoefficient_[lane].load(std::memory_order_relaxed);
        const float q = damping_[lane];
        const int32_t type = type_[lane];

        stage(x, f, q, type, bandState1_[lane], lowState1_[lane], stage1Output_[lane]);
        if (poles_[lane] == 2) return stage1Output_[lane];
        stage(stage1Output_[lane], f, q, type, bandState2_[lane], lowState2_[lane], stage2Output_[lane]);

        // Branches, not selects: f and c (target and g) keep their order for long runs.
        float c = smoothedCoefficient_[lane];
        if (f != c && !(f == coefficientSettledFor_[lane])) {
            const float c0 = c;
            if (c > 1.0f) c = 1.0f;
            if (c < 0.02f) c = 0.02f;
            if (f > c) c += 0.01f;
            if (f < c) c -= 0.01f;
            smoothedCoefficient_[lane] = c;
            coefficientSettledFor_[lane] = c == c0 ? f : unsettled;
        }
        const float out = flush((stage2Output_[lane] - smootherState_[lane]) * c + smootherState_[lane]);
        smootherState_[lane] = out;

        float g = gain_[lane];
        const float target = gainTarget_[lane];
        if (target != g && !(target == gainSettledFor_[lane])) {
            const float g0 = g;
            if (g > 0.67f) g = 0.67f;
            if (g < 0.103f) g = 0.103f;
            if (target > g) g += 0.001f;
            if (target < g) g -= 0.001f;
            gain_[lane] = g;
            gainSettledFor_[lane] = g == g0 ? target : unsettled;
        }
        return g * out;
    }

#if ZK_ENGINE_SSE
    // process() on every lane at once; only the lanes set in `run` change state.
    [[gnu::always_inline]] lanes::F4 processLanes(lanes::F4 x, lanes::F4 run) noexcept
        requires(Lanes == 4)
    {
        // The engine's set-up (every lane high-pass, four poles) with its masks as constants.
        if (highFourPoles_) return processLanesAs<true>(x, run);
        return processLanesAs<false>(x, run);
    }

    // What a stretch of frames may hold in registers while nothing but the states moves:
    // true when every lane is high-pass with four poles and both ramps rest, settled for the
    // current coefficients and gain targets (process() then leaves them as they are). `f`
    // and `q` are the coefficients and dampings, `c` and `g` the smoothing and the gain.
    struct Resting {
        lanes::F4 f, q, c, g;
    };
    bool resting(Resting& r) const noexcept
        requires(Lanes == 4)
    {
        using namespace lanes;
        if (!highFourPoles_) return false;
        r = {load(frequencyCoefficient_), _mm_load_ps(damping_), _mm_load_ps(smoothedCoefficient_), _mm_load_ps(gain_)};
        return _mm_movemask_ps(_mm_and_ps(_mm_cmpeq_ps(r.f, _mm_load_ps(coefficientSettledFor_)),
                                          _mm_cmpeq_ps(_mm_load_ps(gainTarget_), _mm_load_ps(gainSettledFor_)))) == 15;
    }
    // processLanes() while resting(r) holds.
    [[gnu::always_inline]] lanes::F4 processResting(lanes::F4 x, lanes::F4 run, const Resting& r) noexcept
        requires(Lanes == 4)
    {
        using namespace lanes;
        const F4 out2 = stages<true>(x, run, r.f, r.q, run);
        const F4 s0 = _mm_load_ps(smootherState_);
        const F4 out = flush(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(out2, s0), r.c), s0));
        _mm_store_ps(smootherState_, select(run, out, s0));
        return _mm_mul_ps(r.g, out);
    }

private:
    // The two state-variable stages: stage 2's output (stage 1's in `out1`), the states kept
    // where a lane does not run (stage 2: `run2`).
    template <bool HighFourPoles>
    [[gnu::always_inline]] lanes::F4 stages(lanes::F4 x, lanes::F4 run, lanes::F4 f, lanes::F4 q, lanes::F4 run2,
                                            lanes::F4* out1 = nullptr) noexcept {
        using namespace lanes;
        const auto mask = [](const int32_t* m) {
            return _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(m)));
        };
        const F4 low = HighFourPoles ? _mm_setzero_ps() : mask(lowMask_);
        const F4 high = HighFourPoles ? _mm_castsi128_ps(_mm_set1_epi32(-1)) : mask(highMask_);
        // One stage: its output for the selected mode, its state kept where the lane does not run.
        auto stage = [&](F4 in, float* bandState, float* lowState, float* output, F4 runs) {
            const F4 bs = _mm_load_ps(bandState), ls = _mm_load_ps(lowState);
            const F4 highOut = _mm_sub_ps(in, _mm_add_ps(_mm_mul_ps(bs, q), ls));
            const F4 bandOut = flush(_mm_add_ps(_mm_mul_ps(highOut, f), bs));
            const F4 lowOut = flush(_mm_add_ps(_mm_mul_ps(bandOut, f), ls));
            const F4 old = _mm_load_ps(output);
            const F4 out = select(low, lowOut, select(high, highOut, old));
            _mm_store_ps(bandState, select(runs, bandOut, bs));
            _mm_store_ps(lowState, select(runs, lowOut, ls));
            _mm_store_ps(output, select(runs, out, old));
            return out;
        };
        const F4 first = stage(x, bandState1_, lowState1_, stage1Output_, run);
        if (out1) *out1 = first;
        return stage(first, bandState2_, lowState2_, stage2Output_, run2);
    }

    template <bool HighFourPoles>
    [[gnu::always_inline]] lanes::F4 processLanesAs(lanes::F4 x, lanes::F4 run) noexcept {
        using namespace lanes;
        const auto mask = [](const int32_t* m) {
            return _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(m)));
        };
        const F4 f = load(frequencyCoefficient_);
        const F4 q = _mm_load_ps(damping_);
        const F4 stage1Only = HighFourPoles ? _mm_setzero_ps() : mask(stage1Mask_);
        const F4 run2 = HighFourPoles ? run : _mm_andnot_ps(stage1Only, run);
        F4 out1;
        const F4 out2 = stages<HighFourPoles>(x, run, f, q, run2, &out1);

        // The ramps run only until they settle (most frames), as in process().
        F4 c = _mm_load_ps(smoothedCoefficient_);
        if (_mm_movemask_ps(_mm_cmpeq_ps(f, _mm_load_ps(coefficientSettledFor_))) != 15) {
            const F4 c0 = c;
            // minps(a, b) is a < b ? a : b: the same bits as the scalar clamps, NaN included.
            c = _mm_max_ps(constant<floatBits(0.02f)>(), _mm_min_ps(constant<floatBits(1.0f)>(), c0));
            // Clamped, c is at least 0.02 or NaN, so c + 0 and c - 0 are c: the steps need no blend.
            c = _mm_add_ps(c, _mm_and_ps(_mm_cmpgt_ps(f, c), constant<floatBits(0.01f)>()));
            c = _mm_sub_ps(c, _mm_and_ps(_mm_cmplt_ps(f, c), constant<floatBits(0.01f)>()));
            c = select(_mm_cmpneq_ps(f, c0), c, c0);
            _mm_store_ps(smoothedCoefficient_, select(run2, c, c0));
            // A lane whose f equals c was left alone: settled for that f as well.
            const F4 settled = select(_mm_cmpeq_ps(c, c0), f, splat(unsettled));
            _mm_store_ps(coefficientSettledFor_, select(run2, settled, _mm_load_ps(coefficientSettledFor_)));
        }
        const F4 s0 = _mm_load_ps(smootherState_);
        const F4 out = flush(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(out2, s0), c), s0));
        _mm_store_ps(smootherState_, select(run2, out, s0));

        F4 g = _mm_load_ps(gain_);
        const F4 target = _mm_load_ps(gainTarget_);
        if (_mm_movemask_ps(_mm_cmpeq_ps(target, _mm_load_ps(gainSettledFor_))) != 15) {
            const F4 g0 = g;
            g = _mm_max_ps(constant<floatBits(0.103f)>(), _mm_min_ps(constant<floatBits(0.67f)>(), g0));
            g = _mm_add_ps(g, _mm_and_ps(_mm_cmpgt_ps(target, g), constant<floatBits(0.001f)>())); // as c: g >= 0.103 or NaN
            g = _mm_sub_ps(g, _mm_and_ps(_mm_cmplt_ps(target, g), constant<floatBits(0.001f)>()));
            g = select(_mm_cmpneq_ps(target, g0), g, g0);
            _mm_store_ps(gain_, select(run2, g, g0));
            const F4 settled = select(_mm_cmpeq_ps(g, g0), target, splat(unsettled));
            _mm_store_ps(gainSettledFor_, select(run2, settled, _mm_load_ps(gainSettledFor_)));
        }
        return HighFourPoles ? _mm_mul_ps(g, out) : select(stage1Only, out1, _mm_mul_ps(g, out));
    }

public:
#endif

    float frequencyCoefficient(int lane = 0) const noexcept {
        return frequencyCoefficient_[lane].load(std::memory_order_relaxed);
    }
    float smoothedCoefficient(int lane = 0) const noexcept { return smoothedCoefficient_[lane]; }
    float gain(int lane = 0) const noexcept { return gain_[lane]; }
    float gainTarget(int lane = 0) const noexcept { return gainTarget_[lane]; }
    float damping(int lane = 0) const noexcept { return damping_[lane]; }

private:
    // The lane masks of type and poles, kept with them so that no frame recomputes them.
    void updateMasks(int lane) noexcept {
        lowMask_[lane] = type_[lane] == 0 ? -1 : 0;
        highMask_[lane] = type_[lane] == 1 || type_[lane] == 2 ? -1 : 0;
        stage1Mask_[lane] = poles_[lane] == 2 ? -1 : 0;
        highFourPoles_ = true;
        for (int i = 0; i < Lanes; ++i)
            if (!highMask_[i] || stage1Mask_[i]) highFourPoles_ = false;
    }

    alignas(16) float bandState1_[Lanes];
    alignas(16) float lowState1_[Lanes];
    alignas(16) float bandState2_[Lanes];
    alignas(16) float lowState2_[Lanes];
    alignas(16) float gain_[Lanes];
    // The f (gain target) for which each ramp has settled: one more step would give the same
    // smoothed coefficient (gain). NaN, equal to nothing, while it moves.
    static constexpr float unsettled = std::numeric_limits<float>::quiet_NaN();
    alignas(16) float coefficientSettledFor_[Lanes];
    alignas(16) float gainSettledFor_[Lanes];
    alignas(16) float smootherState_[Lanes];
    alignas(16) float smoothedCoefficient_[Lanes];
    alignas(16) std::atomic<float> frequencyCoefficient_[Lanes]; // set from the parameter thread
    alignas(16) float damping_[Lanes];
    alignas(16) float gainTarget_[Lanes];
    alignas(16) int32_t poles_[Lanes];
    alignas(16) int32_t type_[Lanes];
    alignas(16) int32_t lowMask_[Lanes] = {};
    alignas(16) int32_t highMask_[Lanes] = {};
    alignas(16) int32_t stage1Mask_[Lanes] = {};
    bool highFourPoles_ = false;
    alignas(16) float stage1Output_[Lanes];
    alignas(16) float stage2Output_[Lanes];
};

using BandFilter = BandFilterLanes<1>;

} // namespace zk
