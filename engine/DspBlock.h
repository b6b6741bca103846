#pragma once

#include "engine/Lanes.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

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

// load() of values set from other threads.
template <class T>
[[gnu::always_inline]] inline T loadRelaxed(const std::atomic<float>* a, int lane) noexcept {
#if ZK_ENGINE_SSE && defined(__GNUC__)
    // Four relaxed loads in one instruction: each lane is an aligned 32-bit load, atomic on
    // x86; the assembly keeps the vector load out of the language's memory model.
    static_assert(sizeof(std::atomic<float>) == sizeof(float) && std::atomic<float>::is_always_lock_free);
    if constexpr (width<T> == 4) {
        __m128 v;
        asm("movups %1, %0" : "=x"(v) : "m"(*reinterpret_cast<const float(*)[4]>(a)));
        return v;
    }
#elif ZK_ENGINE_NEON
    if constexpr (width<T> == 4) return loadRelaxedLanes(a);
#endif
    return a[lane].load(std::memory_order_relaxed);
}

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
} // namespace zk
