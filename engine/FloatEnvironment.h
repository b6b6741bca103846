#pragma once

// Keeps subnormal numbers out of the engine's arithmetic for the length of a scope: the SSE
// control register gets flush-to-zero (a subnormal result becomes 0) and denormals-are-zero
// (a subnormal operand counts as 0); on 64-bit ARM the FPCR's FZ bit, which does both. The
// caller's control word is put back at the end; the host's floating-point state is not the
// plug-in's to change. A decaying tail would otherwise pass through subnormal values, each
// operation on which costs many times the usual. Elsewhere the guard does nothing.

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <xmmintrin.h>
#define ZK_FLOAT_ENVIRONMENT_SSE 1
#else
#define ZK_FLOAT_ENVIRONMENT_SSE 0
#endif
#if defined(__aarch64__) && defined(__GNUC__)
#include <cstdint>
#define ZK_FLOAT_ENVIRONMENT_ARM 1
#else
#define ZK_FLOAT_ENVIRONMENT_ARM 0
#endif

namespace zk {

// [any] The processor's floating-point control word, read and written, and the bits of it that
// flush subnormal numbers.
#if ZK_FLOAT_ENVIRONMENT_SSE
using FloatControlWord = unsigned;
constexpr FloatControlWord kFlushSubnormalsBits = 0x8000 | 0x0040; // flush-to-zero, denormals-are-zero
inline FloatControlWord readFloatControl() noexcept { return _mm_getcsr(); }
inline void writeFloatControl(FloatControlWord word) noexcept { _mm_setcsr(word); }
#elif ZK_FLOAT_ENVIRONMENT_ARM
using FloatControlWord = uint64_t;
constexpr FloatControlWord kFlushSubnormalsBits = uint64_t{1} << 24; // FZ: operands and results
inline FloatControlWord readFloatControl() noexcept {
    uint64_t word;
    asm volatile("mrs %0, fpcr" : "=r"(word));
    return word;
}
inline void writeFloatControl(FloatControlWord word) noexcept { asm volatile("msr fpcr, %0" : : "r"(word) : "memory"); }
#endif

class FlushSubnormalsScope {
public:
#if ZK_FLOAT_ENVIRONMENT_SSE || ZK_FLOAT_ENVIRONMENT_ARM
    FlushSubnormalsScope() noexcept : caller_(readFloatControl()) {
        // A host that already flushes pays no write of the register, nor its restoring.
        restore_ = (caller_ & kFlushSubnormalsBits) != kFlushSubnormalsBits;
        if (restore_) writeFloatControl(caller_ | kFlushSubnormalsBits);
    }
    ~FlushSubnormalsScope() {
        if (restore_) writeFloatControl(caller_);
    }
#else
    FlushSubnormalsScope() noexcept = default;
#endif
    FlushSubnormalsScope(const FlushSubnormalsScope&) = delete;
    FlushSubnormalsScope& operator=(const FlushSubnormalsScope&) = delete;

private:
#if ZK_FLOAT_ENVIRONMENT_SSE || ZK_FLOAT_ENVIRONMENT_ARM
    FloatControlWord caller_;
    bool restore_;
#endif
};

} // namespace zk
