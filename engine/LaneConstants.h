#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <bit>
#include <cstdint>
#include <limits>

namespace zk::lanes {

// V in every lane, as a constant in memory that the arithmetic takes as its operand. GCC
// builds a uniform vector constant from a scalar (movss, shufps) at every use; a constant
// defined in another translation unit it cannot see into, and so folds the load instead.
// Every value used needs its line in ZK_LANE_CONSTANTS (else the link fails).
// Keyed by the float's bit pattern: not every compiler takes a float template argument.
constexpr uint32_t floatBits(float v) noexcept { return std::bit_cast<uint32_t>(v); }

// Hidden: in position-independent code a symbol that another module could override is
// reached through the global offset table, one more instruction at every use.
#if defined(__ELF__)
#define ZK_LANE_CONSTANT_VISIBILITY [[gnu::visibility("hidden")]]
#else
#define ZK_LANE_CONSTANT_VISIBILITY
#endif
template <uint32_t Bits>
struct ZK_LANE_CONSTANT_VISIBILITY Splat {
    static const __m128 value;
};

// Every value the lanes use; defined once in LaneConstants.cpp.
#define ZK_LANE_CONSTANTS(X) \
    X(0.0001f) \
    X(0.001f) \
    X(0.01f) \
    X(0.02f) \
    X(0.03f) \
    X(0.0577623f) \
    X(0.103f) \
    X(0.15915507f) \
    X(0.232963f) \
    X(0.5f) \
    X(0.67f) \
    X(0.732963f) \
    X(1.0f) \
    X(2.0f) \
    X(4.0f) \
    X(10.0f) \
    X(20.0f) \
    X(30.0f) \
    X(68.5949f) \
    X(7000.0f) \
    X(8388608.0f) \
    X(1.0e6f) \
    X(-1.0e6f) \
    X(std::numeric_limits<float>::min())

#define ZK_DECLARE_LANE_CONSTANT(v) extern template struct Splat<floatBits(v)>;
ZK_LANE_CONSTANTS(ZK_DECLARE_LANE_CONSTANT)
#undef ZK_DECLARE_LANE_CONSTANT

template <uint32_t Bits>
[[gnu::always_inline]] inline __m128 constant() noexcept {
    return Splat<Bits>::value;
}

} // namespace zk::lanes
#endif
