#pragma once

#include <atomic>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zk {

// A relaxed atomic load of a float straight into a vector register. An aligned 32-bit load
// is atomic on x86, and it is all that load(relaxed) does; GCC would route it through an
// integer register (two instructions and a cross-domain move on every parameter read).
#if defined(__SSE2__) && defined(__GNUC__)
// The value in lane 0, zeros above (movss from memory clears them).
[[gnu::always_inline]] inline __m128 relaxedLoadLane0(const std::atomic<float>& value) noexcept {
    static_assert(sizeof(std::atomic<float>) == sizeof(float) && std::atomic<float>::is_always_lock_free);
    __m128 v;
    asm("movss %1, %0" : "=x"(v) : "m"(value)); // not volatile: free to schedule, never across a call
    return v;
}
[[gnu::always_inline]] inline float relaxedLoad(const std::atomic<float>& value) noexcept {
    return _mm_cvtss_f32(relaxedLoadLane0(value));
}
#else
inline float relaxedLoad(const std::atomic<float>& value) noexcept { return value.load(std::memory_order_relaxed); }
#endif

} // namespace zk
