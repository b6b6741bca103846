#pragma once

#include <cstdint>

namespace zk {

// The classic linear congruential generator, one per engine: the same 0..32767 sequence on
// every platform, no lock, and instances that do not draw from each other's sequence.
class NoiseGenerator {
public:
    void seed(uint32_t value) noexcept { state_ = value; }
    int32_t next() noexcept {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int32_t>((state_ >> 16) & 0x7FFFu);
    }

private:
    uint32_t state_ = 1;
};

} // namespace zk
