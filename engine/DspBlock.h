#pragma once

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

} // namespace zk
