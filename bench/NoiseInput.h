#pragma once

// The benchmarks' input: `length` frames of noise (the right channel partly follows the
// left), or silence.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zkbench {

struct NoiseInput {
    std::vector<float> l, r;
    NoiseInput(std::size_t length, bool silent) : l(length), r(length) {
        uint32_t seed = 12345;
        for (std::size_t i = 0; i < length && !silent; ++i) {
            seed = seed * 1664525u + 1013904223u;
            l[i] = static_cast<float>(seed >> 9) / 8388608.0f - 0.5f;
            r[i] = 0.7f * l[i] + (i % 200 < 100 ? 0.1f : -0.1f);
        }
    }
};

} // namespace zkbench
