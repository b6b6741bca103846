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

#if ZK_FLOAT_ENVIRONMENT_ARM
// [any] The FPCR as it stands, and a new value for it.
inline uint64_t readFpcr() noexcept {
    uint64_t word;
    asm volatile("mrs %0, fpcr" : "=r"(word));
    return word;
}
inline void writeFpcr(uint64_t word) noexcept { asm volatile("msr fpcr, %0" : : "r"(word) : "memory"); }
#endif

class FlushSubnormalsScope {
public:
#if ZK_FLOAT_ENVIRONMENT_SSE
    static constexpr unsigned flushToZero = 0x8000;
    static constexpr unsigned denormalsAreZero = 0x0040;

    FlushSubnormalsScope() noexcept : caller_(_mm_getcsr()) {
        // A host that already set both pays no write of the register, nor its restoring.
        if ((caller_ & (flushToZero | denormalsAreZero)) != (flushToZero | denormalsAreZero))
            _mm_setcsr(caller_ | flushToZero | denormalsAreZero);
        else
            restore_ = false;
    }
    ~FlushSubnormalsScope() {
        if (restore_) _mm_setcsr(caller_);
    }
#elif ZK_FLOAT_ENVIRONMENT_ARM
    static constexpr uint64_t flushToZero = uint64_t{1} << 24; // FZ: operands and results

    FlushSubnormalsScope() noexcept : caller_(readFpcr()) {
        // A host that already set it pays no write of the register, nor its restoring.
        if (!(caller_ & flushToZero)) writeFpcr(caller_ | flushToZero);
        else restore_ = false;
    }
    ~FlushSubnormalsScope() {
        if (restore_) writeFpcr(caller_);
    }
#else
    FlushSubnormalsScope() noexcept = default;
#endif
    FlushSubnormalsScope(const FlushSubnormalsScope&) = delete;
    FlushSubnormalsScope& operator=(const FlushSubnormalsScope&) = delete;

private:
#if ZK_FLOAT_ENVIRONMENT_SSE
    unsigned caller_;
    bool restore_ = true;
#elif ZK_FLOAT_ENVIRONMENT_ARM
    uint64_t caller_;
    bool restore_ = true;
#endif
};

} // namespace zk
