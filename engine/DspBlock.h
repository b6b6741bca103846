#pragma once

#include "engine/LaneConstants.h"
#include "engine/RelaxedLoad.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

// The SSE2 lane path (three bands in one register) unless a scalar build is asked for.
#if defined(__SSE2__) && !defined(ZK_ENGINE_SCALAR)
#define ZK_ENGINE_SSE 1
#include <emmintrin.h>
#else
#define ZK_ENGINE_SSE 0
#endif

namespace zk {

// 2 pi as every coefficient formula of the engine spells it.
inline constexpr float twoPi = 6.28319f;

// The sample rate that one engine's blocks compute their coefficients and sizes from.
// Every engine owns one, so instances in the same process never disturb each other.
// The setters of other threads read it, hence atomic.
class SampleRateContext {
public:
    static constexpr float defaultRate = 44100.0f;

    float rate() const noexcept { return rate_.load(std::memory_order_relaxed); }
    // 6.28319 / rate, the first step of every coefficient formula, kept with the rate so
    // that per-frame coefficient updates need no division.
    float twoPiOverRate() const noexcept { return twoPiOverRate_.load(std::memory_order_relaxed); }
    // Zero, negative values and NaN leave the old rate.
    void setRate(float rate) noexcept {
        if (rate > 0.0f) store(rate);
    }
    void reset() noexcept { store(defaultRate); }

private:
    void store(float rate) noexcept;
    std::atomic<float> rate_{defaultRate};
    std::atomic<float> twoPiOverRate_{twoPi / defaultRate};
};

inline void SampleRateContext::store(float rate) noexcept {
    rate_.store(rate, std::memory_order_relaxed);
    twoPiOverRate_.store(twoPi / rate, std::memory_order_relaxed);
}

// Base of the rate-dependent blocks. Building one puts its engine's rate back to 44100.
class DspBlock {
public:
    explicit DspBlock(SampleRateContext& context) noexcept : context_(&context) { context.reset(); }

    float sharedSampleRate() const noexcept { return context_->rate(); }
    void setSharedSampleRate(float rate) noexcept { context_->setRate(rate); }
    float twoPiOverRate() const noexcept { return context_->twoPiOverRate(); }

protected:
    SampleRateContext* context_;
};

// Stores exactly 0 in place of a float whose exponent field is zero (zero or denormal),
// since the arithmetic runs without a flush-to-zero mode.
// The exponent field is zero exactly when |v| < FLT_MIN; this form vectorises.
inline float flush(float v) noexcept {
    const bool tiny = std::fabs(v) < std::numeric_limits<float>::min();
    return tiny ? 0.0f : v;
}

// std::floor without the library call (plain SSE2 has no rounding instruction). Same result for every input, NaN and infinities included,
// apart from the sign of a zero result.
inline float floorFast(float v) noexcept {
    const bool small = std::fabs(v) < 8388608.0f; // above 2^23 every float is integral
    const float safe = small ? v : 0.0f;
    const float t = static_cast<float>(static_cast<int32_t>(safe));
    const float down = t - static_cast<float>(t > safe); // exact: t is an integer below 2^23
    return small ? down : v;
}

// Clamps as minss/maxss rather than a compare and branch. opaque() hides a computed value
// from the optimiser, which would otherwise merge chained clamps back into branches.
[[gnu::always_inline]] inline float opaque(float v) noexcept {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    asm("" : "+x"(v));
#endif
    return v;
}
// a < b ? a : b, which keeps b when it is NaN.
[[gnu::always_inline]] inline float minFirst(float a, float b) noexcept { return opaque(a < b ? a : b); }
// a > b ? a : b, which keeps b when it is NaN.
[[gnu::always_inline]] inline float maxFirst(float a, float b) noexcept { return opaque(a > b ? a : b); }

// Truncation towards zero to int32 that saturates instead of being undefined out of range.
inline int32_t truncateToInt(double v) noexcept {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}
// The same for a float, without the widening where the value is in range (NaN is not).
inline int32_t truncateToInt(float v) noexcept {
    if (std::fabs(v) < 2147483648.0f) return static_cast<int32_t>(v);
    return truncateToInt(static_cast<double>(v));
}

#if ZK_ENGINE_SSE
// Lane versions of the helpers above, each giving per lane the same bits as the scalar one.
namespace lanes {
using F4 = __m128;
[[gnu::always_inline]] inline F4 splat(float v) noexcept { return _mm_set1_ps(v); }
// mask ? a : b per lane.
// Vector-extension operators rather than intrinsics, so that a constant mask folds away.
[[gnu::always_inline]] inline F4 select(F4 mask, F4 a, F4 b) noexcept {
    using U4 = __v4su;
    return F4((U4(mask) & U4(a)) | (~U4(mask) & U4(b)));
}
// mask ? v : 0 per lane.
[[gnu::always_inline]] inline F4 keep(F4 mask, F4 v) noexcept { return F4(__v4su(mask) & __v4su(v)); }
[[gnu::always_inline]] inline F4 abs(F4 v) noexcept {
    return _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
}
[[gnu::always_inline]] inline F4 flush(F4 v) noexcept {
    return _mm_andnot_ps(_mm_cmplt_ps(abs(v), constant<floatBits(std::numeric_limits<float>::min())>()), v);
}
// Lanes of 2^23 and above, infinities and NaN are integral or NaN and pass through; below
// that the truncation is exact. cvttps2dq needs no guard: out of range it gives INT_MIN,
// whose lane the select drops.
[[gnu::always_inline]] inline F4 floorFast(F4 v) noexcept {
    const F4 small = _mm_cmplt_ps(abs(v), constant<floatBits(8388608.0f)>());
    const F4 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(v));
    const F4 down = _mm_sub_ps(t, _mm_and_ps(_mm_cmpgt_ps(t, v), constant<floatBits(1.0f)>()));
    return select(small, down, v);
}
// floor() by roundps where the processor has SSE4.1 (the caller checks): the same bits as
// floorFast but for the sign of a zero result, at a fraction of its latency. Inline
// assembly, so that the rest of the code stays SSE2 and needs no per-function target.
[[gnu::always_inline]] inline F4 floorSse41(F4 v) noexcept {
#if defined(__GNUC__)
    F4 r;
    asm("roundps $1, %1, %0" : "=x"(r) : "x"(v)); // 1: towards minus infinity
    return r;
#else
    return floorFast(v);
#endif
}
// The truncation of one float by roundss (SSE4.1; the caller checks): the value of
// static_cast<float>(truncateToInt(v)) for |v| < 2^31 but for the sign of a zero result,
// -0 for v in (-1, 0). Its input register is its output, so it depends on nothing else.
[[gnu::always_inline]] inline float truncateSse41(float v) noexcept {
#if defined(__GNUC__)
    asm("roundss $3, %0, %0" : "+x"(v)); // 3: towards zero
    return v;
#else
    return static_cast<float>(truncateToInt(v));
#endif
}
template <bool Sse41>
[[gnu::always_inline]] inline F4 floorLanes(F4 v) noexcept {
    if constexpr (Sse41) return floorSse41(v);
    return floorFast(v);
}

// Lane masks of an int32 array: all ones where it equals `value`.
[[gnu::always_inline]] inline F4 equals(const int32_t* values, int32_t value) noexcept {
    return _mm_castsi128_ps(
        _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values)), _mm_set1_epi32(value)));
}
// Four relaxed atomic loads in one instruction. Each lane is an aligned 32-bit load, which
// is atomic on x86, as in relaxedLoadLane0(); the assembly keeps the vector load out of the
// language's memory model, where it would be a race with the parameter thread.
[[gnu::always_inline]] inline F4 load(const std::atomic<float>* v) noexcept {
#if defined(__GNUC__)
    static_assert(sizeof(std::atomic<float>) == sizeof(float) && std::atomic<float>::is_always_lock_free);
    F4 r;
    asm("movups %1, %0" : "=x"(r) : "m"(*reinterpret_cast<const float(*)[4]>(v)));
    return r;
#else
    return _mm_setr_ps(v[0].load(std::memory_order_relaxed), v[1].load(std::memory_order_relaxed),
                       v[2].load(std::memory_order_relaxed), v[3].load(std::memory_order_relaxed));
#endif
}
} // namespace lanes
#endif

} // namespace zk
