#include "engine/BandFilter.h"
#include "engine/DelayLine.h"
#include "engine/Noise.h"
#include "engine/OnePoleFilter.h"
#include "engine/SineOscillator.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

using namespace zk;

TEST(Blocks, HelpersAndNoise) {
    for (float v : {-3.5f, -0.5f, -1e-7f, 0.49999997f, -8388607.5f, 1e20f, INFINITY})
        EXPECT_EQ(floorFast(v), std::floor(v)) << v;
    EXPECT_TRUE(flush(-1e-39f) == 0.0f && flush(1.2e-38f) == 1.2e-38f);
    for (float v : {-2.5f, 2147483520.0f, 2147483648.0f, -2147483648.0f, -3e9f, INFINITY, NAN}) // saturates
        EXPECT_EQ(truncateToInt(v), truncateToInt(static_cast<double>(v))) << v;
    EXPECT_TRUE(truncateToInt(3e9f) == INT32_MAX && truncateToInt(-2.5f) == -2 && truncateToInt(NAN) == 0);
    NoiseGenerator noise; // the classic sequence from seed 1
    for (int32_t expected : {41, 18467, 6334, 26500}) EXPECT_EQ(noise.next(), expected);
}

TEST(Blocks, OnePoleClampsAndModes) {
    SampleRateContext rate;
    OnePoleFilter f(rate), high(rate), band(rate);
    high.setMode(1), band.setMode(2);
    high.process(0.3f);
    EXPECT_NEAR(high.process(-1.0f), -1.3f, 1e-6); // k = 1: the difference of the inputs
    auto after = [&](auto set, float value, float r) { // the coefficient a setter leaves
        rate.setRate(r);
        (f.*set)(value, 0);
        return f.coefficient();
    };
    EXPECT_EQ(after(&OnePoleFilter::setCutoff, 6.0f, 44100.0f), 0.02f);
    EXPECT_EQ(after(&OnePoleFilter::setCutoff, 20000.0f, 44100.0f), 1.0f);
    EXPECT_NEAR(after(&OnePoleFilter::setTimbre, 1.0f, 44100.0f), 1.03 * 2 * M_PI * 6500 / 44100, 1e-5);
    EXPECT_EQ(after(&OnePoleFilter::setTimbre, 1.0f, 32000.0f), 1.0f);
    EXPECT_EQ(after(&OnePoleFilter::setTimbre, 0.0f, 192000.0f), 0.01f);
    rate.setRate(0.0f); // ignored
    f.setMode(7);       // an unknown mode is the low-pass
    f.setCutoff(1000.0f), band.setCutoff(1000.0f);
    double expected = 0.0, k = f.coefficient();
    for (int n = 0; n < 3000; ++n) {
        expected += (1.0 - expected) * k;
        ASSERT_NEAR(f.process(1.0f), expected, 1e-5);
    }
    for (int n = 0; n < 3000; ++n) band.process(1.0f);
    EXPECT_LT(std::fabs(band.process(1.0f)), 1e-4); // the band passes no DC
    int denormal = 0;
    f.process(1e-30f);
    for (int n = 0; n < 3000; ++n) f.process(0.0f), denormal += std::fpclassify(f.state()) == FP_SUBNORMAL;
    EXPECT_TRUE(f.state() == 0.0f && denormal == 0); // the state is flushed, never denormal
}

TEST(Blocks, BandFilterRampsAndClamps) {
    SampleRateContext rate;
    BandFilter fresh(rate), f(rate);
    f.setResonance(0.5f);
    const float top = f.frequencyCoefficient(); // 6500 Hz at construction
    f.process(0.0f);
    EXPECT_TRUE(f.gain() == 0.103f + 0.001f && f.smoothedCoefficient() == 0.02f + 0.01f); // clamp, one step
    for (int n = 0; n < 600; ++n) {
        const float g = f.gain(), c = f.smoothedCoefficient();
        f.process(0.0f);
        ASSERT_TRUE(f.gain() >= g && f.gain() - g < 0.0011f && f.smoothedCoefficient() - c < 0.0101f);
    }
    EXPECT_TRUE(f.gain() <= 0.49f && f.gain() > 0.489f); // each settles within a step below
    EXPECT_TRUE(f.smoothedCoefficient() <= top && f.smoothedCoefficient() > top - 0.01f);
    f.setFrequency(40.0f); // the stages take it at once, the smoothing steps down to its clamp
    EXPECT_NEAR(f.frequencyCoefficient(), 2 * M_PI * 40 / 44100, 1e-6);
    for (int n = 0; n < 200; ++n) f.process(0.0f), fresh.process(0.0f);
    EXPECT_EQ(f.smoothedCoefficient(), 0.02f - 0.01f);
    for (int n = 0; n < 800; ++n) fresh.process(0.0f); // gain target 1 before any resonance
    EXPECT_EQ(fresh.gain(), 0.67f + 0.001f);
    f.setResonance(1.0f); // acts as 0.93, and 0 as 0.3
    EXPECT_EQ(f.gainTarget(), 0.94f - 0.9f * 0.93f);
    f.setResonance(0.0f);
    EXPECT_EQ(f.gainTarget(), 0.94f - 0.9f * 0.3f);
}

TEST(Blocks, BandFilterOutputsAndStability) {
    SampleRateContext rate;
    BandFilter raw(rate), dc(rate);
    raw.setPoles(2), raw.setType(2), dc.setType(2);
    const double f = raw.frequencyCoefficient();
    EXPECT_EQ(raw.process(1.0f), 1.0f); // stage-1 high-pass, neither smoothed nor scaled
    EXPECT_NEAR(raw.process(1.0f), 1.0 - f - f * f, 1e-6);
    for (int n = 0; n < 20000; ++n) dc.process(1.0f);
    EXPECT_LT(std::fabs(dc.process(1.0f)), 1e-4);
    dc.setFrequency(6487.0f); // the top of the Band range is stable at 44100 and kept
    EXPECT_EQ(dc.frequencyCoefficient(), twoPi / 44100.0f * 6487.0f);
    for (float r : {8000.0f, 11025.0f, 22050.0f}) { // and limited where it would not be
        BandFilter g(rate);
        rate.setRate(r);
        g.setResonance(0.5f), g.setFrequency(6487.0f), g.process(1.0f);
        double energy = 0.0; // an impulse dies away; NaN fails the comparison too
        for (int n = 0; n < 5100; ++n) energy += std::pow(g.process(0.0f), 2.0) * (n >= 5000);
        EXPECT_LT(energy, 1e-12) << r;
    }
}

TEST(Blocks, DelayLine) {
    SampleRateContext rate;
    auto impulseDelay = [&](float delay) {
        DelayLine line(rate, 0.0f, 20);
        for (int n = 0; n < 7; ++n) line.process(0.0f); // write index off cell 0
        line.setDelay(delay);
        for (int n = 0; n < 30 && line.readIndex() >= 0 && line.readIndex() < 21; ++n)
            if (line.process(n == 0 ? 1.0f : 0.0f) == 1.0f) return n;
        return -1;
    };
    const std::pair<float, int> cases[] = {{0.0f, 0}, {5.0f, 5}, {2.3f, 3}, {0.14f, 1}, {-4.0f, 0}, {25.0f, 20}, {NAN, 0}};
    for (auto [delay, expected] : cases) EXPECT_EQ(impulseDelay(delay), expected) << delay;

    DelayLine line(rate, 4.0f, 20);
    for (int n = 0; n < 4; ++n) EXPECT_EQ(line.process(0.5f), 0.001f); // unwritten cells
    EXPECT_EQ(line.process(0.5f), 0.5f);
    for (int n = 0; n < 15; ++n) line.process(0.0f);
    line.setDelay(1e9f); // the longest delay with the write index on the last cell
    EXPECT_EQ(line.readIndex(), 0);
    line.setBusyForTest(true);
    EXPECT_TRUE(line.process(1.0f) == 0.0f && line.writeIndex() == 20); // busy: 0, nothing moves
    line.setBusyForTest(false);
    for (int n = 0; n < 60; ++n) line.process(0.7f);
    line.resize(9); // smaller than both indices: they wrap, the contents are lost
    ASSERT_TRUE(line.length() == 10 && line.writeIndex() < 10 && line.readIndex() < 10);
    line.setDelay(3.0f);
    for (int n = 0; n < 25; ++n) EXPECT_EQ(line.process(static_cast<float>(n)), n < 3 ? 0.001f : n - 3);

    // A run with its own indices: what process() gives, across the wrap and a new delay.
    DelayLine a(rate, 6.0f, 9), b(rate, 6.0f, 9);
    DelayLine::Run run;
    ASSERT_TRUE(b.begin(run));
    for (int n = 0; n < 23; ++n) {
        if (n == 11) a.setDelay(2.0f), b.setDelay(run, 2.0f);
        ASSERT_EQ(a.process(static_cast<float>(n)), run.process(static_cast<float>(n))) << n;
    }
    b.end(run);
    EXPECT_TRUE(a.writeIndex() == b.writeIndex() && a.readIndex() == b.readIndex() && a.lastOutput() == b.lastOutput());
    b.setBusyForTest(true);
    EXPECT_FALSE(b.begin(run));
}

TEST(Blocks, PolySineAndOscillator) {
    EXPECT_TRUE(std::fabs(polySine(0.25f) - 1.0f) < 1e-6f && std::fabs(polySine(-0.25f) + 1.0f) < 1e-6f);
    EXPECT_NEAR(polySine(0.125f), 0.6998f, 1e-4);
    EXPECT_TRUE(polySine(0.5f) == 0.0f && polySine(-0.5f) == 0.0f && polySine(0.0f) == 0.0f);
    for (float p = -0.5f; p <= 0.5f; p += 0.001f)
        ASSERT_TRUE(polySine(-p) == -polySine(p) && std::fabs(polySine(p) - std::sin(2 * M_PI * p)) < 0.0115);
    SineOscillator osc;
    EXPECT_EQ(osc.process(), 0.0f); // frequency 0 until set
    osc.setFrequency(44100.0f * 0.25f);
    for (float e : {1.0f, 0.0f, -1.0f, 0.0f, 1.0f}) EXPECT_NEAR(osc.process(), e, 1e-6);
}

#if ZK_ENGINE_LANES
namespace {
std::array<float, 4> lanesOf(F4 v) {
    std::array<float, 4> a;
    std::memcpy(a.data(), &v.v, sizeof a);
    return a;
}
F4 lanesFrom(const float (&a)[4]) { return loadFrames<F4>(a); }
auto masks(const int32_t (&m)[4]) { return loadMask<F4>(m, 0); }
} // namespace

// The code written once over float and F4: four filters as the lanes of one register give
// each lane the bits of that filter run alone, in every mode, type and pole count, with
// ramps moving and lanes that sit out frames; the helpers likewise for awkward values.
TEST(Blocks, LanesGiveTheBitsOfEachLaneAlone) {
    SampleRateContext rate;
    BandFilter bands(rate);
    OnePoleFilter poles(rate);
    BandFilter bandAlone[4] = {BandFilter(rate), BandFilter(rate), BandFilter(rate), BandFilter(rate)};
    OnePoleFilter poleAlone[4] = {OnePoleFilter(rate), OnePoleFilter(rate), OnePoleFilter(rate), OnePoleFilter(rate)};
    rate.setRate(48000.0f);
    const int32_t types[4] = {0, 2, 2, 7}, poleCounts[4] = {4, 4, 2, 4}, modes[4] = {0, 1, 2, 7};
    alignas(16) int32_t low[4], high[4], stage1[4], band[4], highPass[4], run[4];
    for (int i = 0; i < 4; ++i) {
        for (BandFilter* f : {&bands, &bandAlone[i]}) {
            const int lane = f == &bands ? i : 0;
            f->setType(types[i], lane), f->setPoles(poleCounts[i], lane);
            f->setFrequency(300.0f + 2500.0f * static_cast<float>(i), lane), f->setResonance(0.3f + 0.2f * static_cast<float>(i), lane);
        }
        for (OnePoleFilter* f : {&poles, &poleAlone[i]}) f->setMode(modes[i], f == &poles ? i : 0);
        low[i] = types[i] == 0 ? -1 : 0, high[i] = types[i] == 1 || types[i] == 2 ? -1 : 0;
        stage1[i] = poleCounts[i] == 2 ? -1 : 0, band[i] = modes[i] == 2 ? -1 : 0, highPass[i] = modes[i] == 1 ? -1 : 0;
    }
    uint32_t seed = 3;
    for (int n = 0; n < 3000; ++n) {
        alignas(16) float x[4], k[4];
        for (int i = 0; i < 4; ++i) {
            seed = seed * 1664525u + 1013904223u;
            x[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            k[i] = 0.05f + 0.2f * static_cast<float>(i);
            run[i] = (n + i) % 5 ? -1 : 0; // each lane sits out one frame in five
        }
        if (n == 1500) bands.setFrequency(40.0f, 1), bandAlone[1].setFrequency(40.0f); // the smoothing ramps down
        BandFilter::Values<F4> v = bands.values<F4>(0);
        const auto banded = lanesOf(bands.process(lanesFrom(x), v, true, masks(low), masks(high), masks(stage1), masks(run), 0));
        bands.keepRamps(v, 0);
        const auto coloured = lanesOf(poles.process(lanesFrom(x), lanesFrom(k), true, masks(band), masks(highPass), masks(run), 0));
        for (int i = 0; i < 4; ++i) {
            if (!run[i]) continue;
            BandFilter::Values<float> w = bandAlone[i].values<float>(0);
            const float expected = bandAlone[i].process(x[i], w, true, types[i] == 0, types[i] == 1 || types[i] == 2,
                                                        poleCounts[i] == 2, true, 0);
            bandAlone[i].keepRamps(w, 0);
            ASSERT_EQ(std::bit_cast<uint32_t>(banded[i]), std::bit_cast<uint32_t>(expected)) << n << " " << i;
            const float alone = poleAlone[i].process(x[i], k[i], modes[i] == 2, modes[i] == 2, modes[i] == 1, true, 0);
            ASSERT_EQ(std::bit_cast<uint32_t>(coloured[i]), std::bit_cast<uint32_t>(alone)) << n << " " << i;
        }
    }
    EXPECT_LT(bands.smoothedCoefficient(1), bands.frequencyCoefficient(0)); // the ramp did move

    const float awkward[] = {-0.5f, 0.49999997f, -8388607.5f, 3e9f, -1e-40f, 1e-45f, -0.0f, INFINITY, -INFINITY, NAN,
                             0.25f, -0.75f};
    for (size_t at = 0; at + 4 <= std::size(awkward); at += 4) {
        const float(&a)[4] = *reinterpret_cast<const float(*)[4]>(awkward + at);
        const auto floors = lanesOf(floorOf<false>(lanesFrom(a))), rounded = lanesOf(floorOf<true>(lanesFrom(a)));
        const auto flushed = lanesOf(flush(lanesFrom(a))), sines = lanesOf(polySine(lanesFrom(a)));
        const auto clamped = lanesOf(ramp(lanesFrom(a), F4(0.3f), 0.02f, 1.0f, 0.01f));
        // Against the next four, NaN on either side: b is kept, as the scalar a < b ? a : b.
        const float(&b)[4] = *reinterpret_cast<const float(*)[4]>(awkward + (at + 4) % std::size(awkward));
        const auto lows = lanesOf(minFirst(lanesFrom(a), lanesFrom(b))), highs = lanesOf(maxFirst(lanesFrom(a), lanesFrom(b)));
        int32_t below = 0;
        for (int i = 0; i < 4; ++i) below |= (a[i] < b[i]) << i;
        EXPECT_EQ(bits(lanesFrom(a) < lanesFrom(b)), below);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(std::bit_cast<uint32_t>(lows[i]), std::bit_cast<uint32_t>(minFirst(a[i], b[i]))) << a[i] << " " << b[i];
            EXPECT_EQ(std::bit_cast<uint32_t>(highs[i]), std::bit_cast<uint32_t>(maxFirst(a[i], b[i]))) << a[i] << " " << b[i];
            const auto same = [](float p, float q) { return std::bit_cast<uint32_t>(p) == std::bit_cast<uint32_t>(q) || (p != p && q != q); };
            EXPECT_TRUE(same(floors[i], floorFast(a[i])) && same(flushed[i], flush(a[i])) && same(sines[i], polySine(a[i])) &&
                        same(clamped[i], ramp(a[i], 0.3f, 0.02f, 1.0f, 0.01f)))
                << a[i];
            EXPECT_TRUE(rounded[i] == floorFast(a[i]) || (a[i] != a[i] && rounded[i] != rounded[i])) << a[i]; // but for -0
        }
    }
}
#endif
