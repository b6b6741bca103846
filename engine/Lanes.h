#pragma once

// The engine's arithmetic written once for two types: float, one band or one frame at a
// time, and F4, four lanes of an SSE or NEON register (three bands, or four frames). Both spell a
// formula alike, `(a - b) * k + b`, and both give per lane the same bits: every operation
// is one IEEE operation of the same operands in the same order, and the helpers below
// (select, the clamps, flush, floor) give the scalar code's result for every input.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

// The lane types unless a scalar build is asked for.
#if defined(__SSE2__) && !defined(ZK_ENGINE_SCALAR)
#define ZK_ENGINE_SSE 1
#include <emmintrin.h>
#else
#define ZK_ENGINE_SSE 0
#endif
#if defined(__aarch64__) && defined(__ARM_NEON) && !defined(ZK_ENGINE_SCALAR)
#define ZK_ENGINE_NEON 1
#else
#define ZK_ENGINE_NEON 0
#endif
// F4 exists (one of the two above).
#define ZK_ENGINE_LANES (ZK_ENGINE_SSE || ZK_ENGINE_NEON)

namespace zk {

// Scalar forms: the masks are bools.
[[gnu::always_inline]] inline float select(bool m, float a, float b) noexcept { return m ? a : b; }
[[gnu::always_inline]] inline float keep(bool m, float v) noexcept { return m ? v : 0.0f; }
[[gnu::always_inline]] inline int32_t bits(bool m) noexcept { return m; }
[[gnu::always_inline]] inline bool any(bool m) noexcept { return m; }
[[gnu::always_inline]] inline float abs(float v) noexcept { return std::fabs(v); }
// a < b ? a : b and a > b ? a : b, as minss and maxss (NaN in b is kept). opaque() hides the
// value from the optimiser, which would merge chained clamps back into branches.
[[gnu::always_inline]] inline float opaque(float v) noexcept {
#if defined(__GNUC__) && defined(__SSE2__)
    asm("" : "+x"(v));
#elif defined(__GNUC__) && defined(__aarch64__)
    asm("" : "+w"(v));
#endif
    return v;
}
[[gnu::always_inline]] inline float minFirst(float a, float b) noexcept { return opaque(a < b ? a : b); }
[[gnu::always_inline]] inline float maxFirst(float a, float b) noexcept { return opaque(a > b ? a : b); }

// std::floor without the library call. The same result for every input, NaN and infinities
// included, but for the sign of a zero result.
inline float floorFast(float v) noexcept {
    const bool small = std::fabs(v) < 8388608.0f; // from 2^23 on every float is integral
    const float safe = small ? v : 0.0f;
    const float t = static_cast<float>(static_cast<int32_t>(safe));
    return small ? t - static_cast<float>(t > safe) : v; // exact: t is an integer below 2^23
}
template <bool Sse41>
[[gnu::always_inline]] inline float floorOf(float v) noexcept { return floorFast(v); }

// Lane `lane` of an array of four; the lane types take all four (aligned).
template <class T>
[[gnu::always_inline]] inline T load(const float* a, int lane) noexcept { return a[lane]; }
[[gnu::always_inline]] inline void store(float* a, int lane, float v) noexcept { a[lane] = v; }
// An int32 array of masks (-1 or 0) likewise.
template <class T>
[[gnu::always_inline]] inline auto loadMask(const int32_t* m, int lane) noexcept { return m[lane] != 0; }
// Consecutive frames of a channel: one, or four in any alignment.
template <class T>
[[gnu::always_inline]] inline T loadFrames(const float* p) noexcept { return *p; }
[[gnu::always_inline]] inline void storeFrames(float* p, float v) noexcept { *p = v; }
// Lanes one value covers.
template <class T>
inline constexpr int width = 1;

#if ZK_ENGINE_SSE
// The constants the lanes use, kept in memory (EngineConstants.cpp, out of the compiler's
// sight) where the arithmetic takes them as its operand: GCC would build each from its
// scalar (movss, shufps) at every use. A constant not listed here still works.
#define ZK_LANE_CONSTANTS(X)                                                                                   \
    X(0.0001f) X(0.001f) X(0.01f) X(0.02f) X(0.0577623f) X(0.103f) X(0.15915507f) X(0.232963f) X(0.5f)        \
    X(0.67f) X(0.732963f) X(1.0f) X(2.0f) X(4.0f) X(20.0f) X(68.5949f) X(8388608.0f) X(1.0e6f) X(-1.0e6f)     \
    X(std::numeric_limits<float>::min()) X(INFINITY)
// Hidden: in position-independent code another module's copy would cost a load through the
// offset table at every use.
template <uint32_t Bits>
struct [[gnu::visibility("hidden")]] Splat {
    static const __m128 value;
};
#define ZK_DECLARE_LANE_CONSTANT(c) extern template struct Splat<std::bit_cast<uint32_t>(c)>;
ZK_LANE_CONSTANTS(ZK_DECLARE_LANE_CONSTANT)
#undef ZK_DECLARE_LANE_CONSTANT

// All ones or all zeros per lane.
struct M4 {
    __m128 v;
};
struct F4 {
    __m128 v;
    F4() noexcept = default;
    [[gnu::always_inline]] F4(__m128 x) noexcept : v(x) {}
    // The builtin, not std::bit_cast: 21 calls of a function per constructor would leave GCC's
    // inliner minutes of work in the engine's large functions.
    [[gnu::always_inline]] F4(float x) noexcept : v(_mm_set1_ps(x)) {
        if (__builtin_constant_p(x)) {
#define ZK_MATCH_LANE_CONSTANT(c) \
    if (__builtin_bit_cast(uint32_t, x) == std::bit_cast<uint32_t>(c)) v = Splat<std::bit_cast<uint32_t>(c)>::value;
            ZK_LANE_CONSTANTS(ZK_MATCH_LANE_CONSTANT)
#undef ZK_MATCH_LANE_CONSTANT
        }
    }
};
template <>
inline constexpr int width<F4> = 4;

[[gnu::always_inline]] inline F4 operator+(F4 a, F4 b) noexcept { return _mm_add_ps(a.v, b.v); }
[[gnu::always_inline]] inline F4 operator-(F4 a, F4 b) noexcept { return _mm_sub_ps(a.v, b.v); }
[[gnu::always_inline]] inline F4 operator*(F4 a, F4 b) noexcept { return _mm_mul_ps(a.v, b.v); }
[[gnu::always_inline]] inline F4 operator/(F4 a, F4 b) noexcept { return _mm_div_ps(a.v, b.v); }
[[gnu::always_inline]] inline M4 operator<(F4 a, F4 b) noexcept { return {_mm_cmplt_ps(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator>(F4 a, F4 b) noexcept { return {_mm_cmpgt_ps(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator>=(F4 a, F4 b) noexcept { return {_mm_cmpge_ps(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator!=(F4 a, F4 b) noexcept { return {_mm_cmpneq_ps(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator&(M4 a, M4 b) noexcept { return {_mm_and_ps(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator|(M4 a, M4 b) noexcept { return {_mm_or_ps(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator!(M4 a) noexcept {
    return {_mm_xor_ps(a.v, _mm_castsi128_ps(_mm_set1_epi32(-1)))};
}

// Vector-extension operators rather than intrinsics, so that a constant mask folds away.
[[gnu::always_inline]] inline F4 select(M4 m, F4 a, F4 b) noexcept {
    using U4 = __v4su;
    return F4(__m128((U4(m.v) & U4(a.v)) | (~U4(m.v) & U4(b.v))));
}
[[gnu::always_inline]] inline F4 keep(M4 m, F4 v) noexcept { return F4(__m128(__v4su(m.v) & __v4su(v.v))); }
[[gnu::always_inline]] inline int32_t bits(M4 m) noexcept { return _mm_movemask_ps(m.v); }
[[gnu::always_inline]] inline bool any(M4 m) noexcept { return bits(m) != 0; }
[[gnu::always_inline]] inline F4 abs(F4 v) noexcept {
    return _mm_and_ps(v.v, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
}
[[gnu::always_inline]] inline F4 minFirst(F4 a, F4 b) noexcept { return _mm_min_ps(a.v, b.v); }
[[gnu::always_inline]] inline F4 maxFirst(F4 a, F4 b) noexcept { return _mm_max_ps(a.v, b.v); }

// floorFast() per lane. From 2^23 on, infinities and NaN pass through; below that the
// truncation is exact. cvttps2dq out of range gives INT_MIN, whose lane the select drops.
[[gnu::always_inline]] inline F4 floorFast(F4 v) noexcept {
    const F4 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(v.v));
    return select(abs(v) < F4(8388608.0f), t - keep(t > v, F4(1.0f)), v);
}
// With SSE4.1 (the caller checks the processor), roundps: the same bits but for the sign of
// a zero result, at a fraction of the latency. Inline assembly, so that the code around it
// needs no target of its own.
template <bool Sse41>
[[gnu::always_inline]] inline F4 floorOf(F4 v) noexcept {
    if constexpr (Sse41) {
        asm("roundps $1, %0, %0" : "+x"(v.v)); // 1: towards minus infinity
        return v;
    }
    return floorFast(v);
}
// The truncation of one float by roundss (SSE4.1; the caller checks): the value of
// static_cast<float>(static_cast<int32_t>(v)) for |v| < 2^31, but -0 for v in (-1, 0).
[[gnu::always_inline]] inline float truncateSse41(float v) noexcept {
    asm("roundss $3, %0, %0" : "+x"(v)); // 3: towards zero
    return v;
}

template <>
[[gnu::always_inline]] inline F4 load<F4>(const float* a, int) noexcept { return _mm_load_ps(a); }
[[gnu::always_inline]] inline void store(float* a, int, F4 v) noexcept { _mm_store_ps(a, v.v); }
template <>
[[gnu::always_inline]] inline auto loadMask<F4>(const int32_t* m, int) noexcept {
    return M4{_mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(m)))};
}
template <>
[[gnu::always_inline]] inline F4 loadFrames<F4>(const float* p) noexcept { return _mm_loadu_ps(p); }
[[gnu::always_inline]] inline void storeFrames(float* p, F4 v) noexcept { _mm_storeu_ps(p, v.v); }
// Lane i of v.
template <int I>
[[gnu::always_inline]] inline float laneOf(F4 v) noexcept {
    return _mm_cvtss_f32(_mm_shuffle_ps(v.v, v.v, _MM_SHUFFLE(I, I, I, I)));
}
// Rows to columns: lane j of a, b, c, d becomes lanes 0..3 of the j-th.
[[gnu::always_inline]] inline void transposeLanes(F4& a, F4& b, F4& c, F4& d) noexcept {
    _MM_TRANSPOSE4_PS(a.v, b.v, c.v, d.v);
}
#endif

} // namespace zk

#if ZK_ENGINE_NEON
#include "engine/LanesNeon.h"
#endif

namespace zk {

// Stores exactly 0 in place of a float whose exponent field is zero (zero or denormal):
// the arithmetic runs without a flush-to-zero mode. That field is zero exactly when
// |v| < FLT_MIN.
template <class T>
[[gnu::always_inline]] inline T flush(T v) noexcept {
    return select(abs(v) < T(std::numeric_limits<float>::min()), T(0.0f), v);
}
// y - floor(y + 0.5): the phase wrap into [-0.5, 0.5).
template <bool Sse41, class T>
[[gnu::always_inline]] inline T wrapPhase(T y) noexcept {
    return y - floorOf<Sse41>(y + T(0.5f));
}

} // namespace zk
