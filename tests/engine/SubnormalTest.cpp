// Decay tails: once the input stops, the voices die away through numbers far below any
// audible level. None of them may come out subnormal, nor cost more than the sound did.

#include "engine/FloatEnvironment.h"
#include "tests/engine/FakeHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <random>
#include <vector>

using zktest::FakeHost;

namespace {

constexpr double kRates[] = {22050.0, 44100.0, 96000.0};
constexpr int32_t kBlocks[] = {1, 64, 512, 4096};

// A program as a musician might set one: random values, some at 0, switches at 0 or 1.
std::array<float, 54> randomProgram(uint32_t seed) {
    std::mt19937 random(seed);
    auto uniform = [&random] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random); };
    std::array<float, 54> program{};
    for (float& value : program) value = uniform() < 0.15f ? 0.0f : uniform();
    for (int32_t index : {8, 20, 32}) program[static_cast<size_t>(index)] = uniform() < 0.5f ? 1.0f : 0.0f;
    for (int32_t index : {44, 45, 46}) program[static_cast<size_t>(index)] = uniform() < 0.8f ? 0.0f : uniform();
    return program;
}

struct Render {
    std::vector<float> l, r;
    double signalSeconds = 0, tailSeconds = 0; // processor time of this thread
};

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// `signal` frames of noise, then `tail` frames of silence, in blocks of `block`.
Render render(const std::array<float, 54>& program, double rate, int32_t block, size_t signal, size_t tail,
              uint32_t seed) {
    FakeHost h;
    for (int32_t i = 0; i < 54; ++i) h.values[static_cast<size_t>(i)].store(program[static_cast<size_t>(i)]);
    h.start(rate);
    const size_t frames = signal + tail;
    std::vector<float> inL(frames, 0.0f), inR(frames, 0.0f);
    for (size_t i = 0; i < signal; ++i) {
        seed = seed * 1664525u + 1013904223u;
        inL[i] = 0.5f * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
        inR[i] = 0.7f * inL[i];
    }
    Render out;
    out.l.resize(frames);
    out.r.resize(frames);
    auto run = [&](size_t from, size_t to) {
        const double start = threadSeconds();
        for (size_t i = from; i < to; i += static_cast<size_t>(block)) {
            const auto n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), to - i));
            h.engine.processBlock(&inL[i], &inR[i], &out.l[i], &out.r[i], n, true);
        }
        return threadSeconds() - start;
    };
    out.signalSeconds = run(0, signal);
    out.tailSeconds = run(signal, frames);
    return out;
}

size_t subnormalSamples(const Render& out) {
    size_t count = 0;
    for (const std::vector<float>* channel : {&out.l, &out.r})
        for (float v : *channel) count += std::fpclassify(v) == FP_SUBNORMAL;
    return count;
}

} // namespace

// Random programs at several rates and block sizes: the tail never puts out a subnormal sample.
TEST(Subnormals, NoTailPutsOutASubnormalSample) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const std::array<float, 54> program = randomProgram(seed);
        for (double rate : kRates)
            for (int32_t block : kBlocks) {
                const auto signal = static_cast<size_t>(rate / 4), tail = static_cast<size_t>(rate * 1.2);
                EXPECT_EQ(subnormalSamples(render(program, rate, block, signal, tail, seed)), 0u)
                    << "program " << seed << ", rate " << rate << ", block " << block;
            }
    }
}

// Processing the tail costs no more per frame than processing the sound. Timing on a shared
// machine is noisy: the fastest of several runs of each is compared, with a margin well
// below what arithmetic on subnormals costs (about 1.6 x) and well above the noise.
TEST(Subnormals, TheTailCostsNoMoreThanTheSound) {
    const std::array<float, 54> program = randomProgram(2);
    const double rate = 96000.0;
    const auto signal = static_cast<size_t>(rate / 2), tail = static_cast<size_t>(rate * 0.9);
    double fastestSignal = 1e9, fastestTail = 1e9;
    for (int run = 0; run < 9; ++run) {
        const Render out = render(program, rate, 512, signal, tail, 3);
        fastestSignal = std::min(fastestSignal, out.signalSeconds / static_cast<double>(signal));
        fastestTail = std::min(fastestTail, out.tailSeconds / static_cast<double>(tail));
    }
    RecordProperty("SignalNsPerFrame", std::to_string(fastestSignal * 1e9));
    RecordProperty("TailNsPerFrame", std::to_string(fastestTail * 1e9));
    EXPECT_LE(fastestTail, 1.25 * fastestSignal)
        << fastestTail * 1e9 << " ns per frame in the tail against " << fastestSignal * 1e9 << " in the sound";
}

#if ZK_FLOAT_ENVIRONMENT_SSE || ZK_FLOAT_ENVIRONMENT_ARM
// The engine sets its own mode for a block and gives the caller's back, whatever it was; inside
// the guard a subnormal result leaves no trace.
TEST(Subnormals, TheCallersControlWordIsRestoredAndTheGuardFlushes) {
    using Word = zk::FloatControlWord;
    FakeHost h(44100.0);
    std::vector<float> in(256, 0.25f), out(256);
    const Word saved = zk::readFloatControl(), flush = zk::kFlushSubnormalsBits;
#if ZK_FLOAT_ENVIRONMENT_SSE
    // Exceptions masked; rounding towards zero; denormals-are-zero alone; the status flags aside.
    const Word plain = 0x1F80, towardsZero = 0x6000, oneBit = 0x0040, status = 0x3F;
#else
    const Word plain = 0, towardsZero = Word{3} << 22, oneBit = 0, status = 0;
#endif
    for (Word word : {plain, plain | flush, plain | towardsZero, plain | oneBit, plain | towardsZero | flush}) {
        zk::writeFloatControl(word);
        h.engine.processBlock(in.data(), in.data(), out.data(), out.data(), 256, true);
        const Word after = zk::readFloatControl();
        zk::writeFloatControl(saved);
        EXPECT_EQ(after & ~status, word) << std::hex << word;
    }
    // Volatile, so that the product is made between the two writes of the register.
    volatile float tiny = 1e-39f, half = 0.5f, inside = 1.0f, outside = 0.0f;
    {
        const zk::FlushSubnormalsScope guard;
        inside = tiny * half;
    }
    outside = tiny * half;
    EXPECT_EQ(inside, 0.0f);
    EXPECT_EQ(outside, 5e-40f); // the caller's mode again
}
#endif
