#pragma once

// The sweeps every plug-in format's suite runs on its own instances: each rate, and blocks
// of every size. `start(rate, maxBlock)` gives a started instance (a pointer, empty when the
// format refused), whose render(input, {block sizes, repeated}) gives its output.

#include "tests/support/Stereo.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zktest {

// At each rate, silence gives exact silence and sound stays finite, free of subnormals and
// heard, in blocks of the largest size, of one frame and of an odd size.
template <class Start>
void expectCleanSoundAtEveryRate(const std::vector<double>& rates, Start start) {
    for (double rate : rates) {
        SCOPED_TRACE(rate);
        auto instance = start(rate, 4096);
        ASSERT_TRUE(instance);
        EXPECT_EQ(peak(instance->render(Stereo(2000), {4096})), 0.0f) << "silence in, silence out";
        const Stereo out = instance->render(testSignal(static_cast<size_t>(rate / 4) + 100), {4096, 1, 333});
        EXPECT_EQ(badSample(out), "");
        EXPECT_GT(peak(out), 0.001f);
    }
}

// Blocks of one frame, of two and three, of `largest`, of a mix and of 40 random sizes up to
// `largest` sound as blocks of 512 do.
template <class Start>
void expectEveryBlockSizeSoundsTheSame(int largest, Start start) {
    const Stereo input = testSignal(50000);
    auto reference = start(44100.0, largest);
    ASSERT_TRUE(reference);
    const Stereo expected = reference->render(input, {512});
    EXPECT_GT(peak(expected), 0.01f);
    std::mt19937 random(3);
    std::vector<int> randomSizes;
    for (int i = 0; i < 40; ++i) randomSizes.push_back(std::uniform_int_distribution<int>(1, largest)(random));
    for (const std::vector<int>& sizes :
         std::vector<std::vector<int>>{{1}, {2, 3}, {largest}, {4096, 1, 7, largest, 64, 511}, randomSizes}) {
        SCOPED_TRACE(sizes.size() == 40 ? "random sizes" : "sizes from " + std::to_string(sizes[0]));
        auto instance = start(44100.0, largest);
        ASSERT_TRUE(instance);
        EXPECT_EQ(instance->render(input, {sizes.begin(), sizes.end()}), expected);
    }
}

} // namespace zktest
