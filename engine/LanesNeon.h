#pragma once

// F4 and M4 over NEON registers (64-bit ARM), with the SSE type's operators and its results
// bit for bit: engine/Lanes.h includes this in place of the SSE part. Where NEON's own
// instruction differs from SSE's (min and max with NaN, the float-to-int conversion out of
// range) a compare and select gives the SSE result, which is the scalar code's.

#include <arm_neon.h>

#include <atomic>
#include <cstdint>

namespace zk {

// All ones or all zeros per lane.
struct M4 {
    uint32x4_t v;
};
struct F4 {
    float32x4_t v;
    F4() noexcept = default;
    [[gnu::always_inline]] F4(float32x4_t x) noexcept : v(x) {}
    // A constant becomes one movi/fmov or a literal load: no table of splats is needed.
    [[gnu::always_inline]] F4(float x) noexcept : v(vdupq_n_f32(x)) {}
};
template <>
inline constexpr int width<F4> = 4;

[[gnu::always_inline]] inline F4 operator+(F4 a, F4 b) noexcept { return vaddq_f32(a.v, b.v); }
[[gnu::always_inline]] inline F4 operator-(F4 a, F4 b) noexcept { return vsubq_f32(a.v, b.v); }
[[gnu::always_inline]] inline F4 operator*(F4 a, F4 b) noexcept { return vmulq_f32(a.v, b.v); }
[[gnu::always_inline]] inline F4 operator/(F4 a, F4 b) noexcept { return vdivq_f32(a.v, b.v); }
[[gnu::always_inline]] inline M4 operator<(F4 a, F4 b) noexcept { return {vcltq_f32(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator>(F4 a, F4 b) noexcept { return {vcgtq_f32(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator>=(F4 a, F4 b) noexcept { return {vcgeq_f32(a.v, b.v)}; }
// Unordered lanes count as different, as with cmpneqps and the scalar !=.
[[gnu::always_inline]] inline M4 operator!=(F4 a, F4 b) noexcept { return {vmvnq_u32(vceqq_f32(a.v, b.v))}; }
[[gnu::always_inline]] inline M4 operator&(M4 a, M4 b) noexcept { return {vandq_u32(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator|(M4 a, M4 b) noexcept { return {vorrq_u32(a.v, b.v)}; }
[[gnu::always_inline]] inline M4 operator!(M4 a) noexcept { return {vmvnq_u32(a.v)}; }

[[gnu::always_inline]] inline F4 select(M4 m, F4 a, F4 b) noexcept { return vbslq_f32(m.v, a.v, b.v); }
[[gnu::always_inline]] inline F4 keep(M4 m, F4 v) noexcept {
    return vreinterpretq_f32_u32(vandq_u32(m.v, vreinterpretq_u32_f32(v.v)));
}
// Lane i's mask as bit i, as movmskps gives it.
[[gnu::always_inline]] inline int32_t bits(M4 m) noexcept {
    const uint32x4_t weights = {1, 2, 4, 8};
    return static_cast<int32_t>(vaddvq_u32(vandq_u32(m.v, weights)));
}
[[gnu::always_inline]] inline bool any(M4 m) noexcept { return vmaxvq_u32(m.v) != 0; }
// The sign bit cleared, NaN's payload kept: the scalar fabs.
[[gnu::always_inline]] inline F4 abs(F4 v) noexcept {
    return vreinterpretq_f32_u32(vandq_u32(vreinterpretq_u32_f32(v.v), vdupq_n_u32(0x7FFFFFFF)));
}
// a < b ? a : b and a > b ? a : b: NaN in either keeps b, as minps and maxps do. fmin and
// fmax would return the NaN of a (or, in their NM forms, the number).
[[gnu::always_inline]] inline F4 minFirst(F4 a, F4 b) noexcept { return vbslq_f32(vcltq_f32(a.v, b.v), a.v, b.v); }
[[gnu::always_inline]] inline F4 maxFirst(F4 a, F4 b) noexcept { return vbslq_f32(vcgtq_f32(a.v, b.v), a.v, b.v); }

// floorFast() per lane, bit for bit. The truncation saturates out of range and gives 0 for
// NaN; those lanes (|v| >= 2^23 or NaN) take v itself.
[[gnu::always_inline]] inline F4 floorFast(F4 v) noexcept {
    const F4 t = vcvtq_f32_s32(vcvtq_s32_f32(v.v));
    return select(abs(v) < F4(8388608.0f), t - keep(t > v, F4(1.0f)), v);
}
// The rounding instruction (frintm), which every ARMv8 processor has: the same bits as
// floorFast() but for the sign of a zero result. Rounding selects it, as SSE4.1 does roundps.
template <bool Rounding>
[[gnu::always_inline]] inline F4 floorOf(F4 v) noexcept {
    if constexpr (Rounding) return vrndmq_f32(v.v);
    return floorFast(v);
}

template <>
[[gnu::always_inline]] inline F4 load<F4>(const float* a, int) noexcept { return vld1q_f32(a); }
[[gnu::always_inline]] inline void store(float* a, int, F4 v) noexcept { vst1q_f32(a, v.v); }
template <>
[[gnu::always_inline]] inline auto loadMask<F4>(const int32_t* m, int) noexcept {
    return M4{vld1q_u32(reinterpret_cast<const uint32_t*>(m))};
}
template <>
[[gnu::always_inline]] inline F4 loadFrames<F4>(const float* p) noexcept { return vld1q_f32(p); }
[[gnu::always_inline]] inline void storeFrames(float* p, F4 v) noexcept { vst1q_f32(p, v.v); }
// Lane i of v.
template <int I>
[[gnu::always_inline]] inline float laneOf(F4 v) noexcept {
    return vgetq_lane_f32(v.v, I);
}
// Rows to columns: lane j of a, b, c, d becomes lanes 0..3 of the j-th.
[[gnu::always_inline]] inline void transposeLanes(F4& a, F4& b, F4& c, F4& d) noexcept {
    const float32x4x2_t ab = vtrnq_f32(a.v, b.v), cd = vtrnq_f32(c.v, d.v);
    a = vcombine_f32(vget_low_f32(ab.val[0]), vget_low_f32(cd.val[0]));
    b = vcombine_f32(vget_low_f32(ab.val[1]), vget_low_f32(cd.val[1]));
    c = vcombine_f32(vget_high_f32(ab.val[0]), vget_high_f32(cd.val[0]));
    d = vcombine_f32(vget_high_f32(ab.val[1]), vget_high_f32(cd.val[1]));
}
// Four relaxed loads in one instruction: ld1's element accesses are each single-copy
// atomic when aligned; the assembly keeps the vector load out of the language's memory model.
[[gnu::always_inline]] inline F4 loadRelaxedLanes(const std::atomic<float>* a) noexcept {
    static_assert(sizeof(std::atomic<float>) == sizeof(float) && std::atomic<float>::is_always_lock_free);
    float32x4_t v;
    asm("ld1 {%0.4s}, %1" : "=w"(v) : "Q"(*reinterpret_cast<const float(*)[4]>(a)));
    return v;
}

} // namespace zk
