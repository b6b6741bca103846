// The checks a plug-in validator makes on the built VST 2 module beyond what the
// conformance suite makes on every format: rates told while running, denormals, parameter
// abuse from two threads, what fuzzing found. (The panel opening and closing while the
// audio thread runs is the stress test's and the panel's thread tests'.)

#include "tests/support/LoadedModule.h"
#include "tests/support/Stereo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <thread>
#include <vector>

namespace zktest {
namespace {

using namespace vst2;

// Renders `input` in blocks of `blockSize` frames, or of random sizes 1..4096 when it is 0.
Stereo render(HostedEffect& hosted, Stereo input, int32_t blockSize, uint32_t seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> randomSize(1, 4096);
    Stereo out(input.frames());
    for (size_t done = 0; done < input.frames();) {
        const size_t n = std::min<size_t>(blockSize ? blockSize : randomSize(rng), input.frames() - done);
        hosted.processReplacing(&input.left[done], &input.right[done], &out.left[done], &out.right[done],
                                static_cast<int32_t>(n));
        done += n;
    }
    return out;
}

std::vector<uint8_t> bankOf(HostedEffect& hosted) {
    void* data = nullptr;
    const auto size = hosted.dispatch(effGetChunk, 0, 0, &data);
    return std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

void loadBank(HostedEffect& hosted, std::vector<uint8_t> chunk) {
    hosted.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()), chunk.data());
}

// (Banks restored to the same bytes and the same sound, as every format: tests/conformance;
// the preset chunk's round trip: tests/module; names and bindings in banks: tests/zkhost.)

constexpr float kRates[] = {8000, 11025, 22050, 44100, 48000, 88200, 96000, 192000, 384000};
constexpr int32_t kBlockSizes[] = {1, 2, 3, 64, 511, 512, 4096, 8192, 0 /* random */};

// (Every rate and block size resumed anew, silence for silence, as every format:
// tests/conformance.) A VST 2 host may tell a new rate while the effect runs.
TEST(Validator, EveryRateToldWhileRunningGivesCleanOutputInEveryBlockSize) {
    HostedEffect unresumed(builtModule()); // told each rate, never switched off and on again
    unresumed.resume(44100.0f, 8192);
    const Stereo input = noise(8192, 5);
    for (float rate : kRates) {
        unresumed.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        for (int32_t block : kBlockSizes) {
            SCOPED_TRACE(testing::Message() << "rate " << rate << ", block " << block);
            EXPECT_EQ(badSample(render(unresumed, input, block, 19)), "");
        }
    }
}

TEST(Validator, DenormalInputCostsAtMostTwentyPercentMore) {
    // Sound on every other sample keeps the engine awake; between them tiny numbers, either
    // normal or subnormal ones. Runs alternate and the fastest of each kind is compared, so
    // that a busy machine slows both alike.
    Stereo plain = noise(1 << 15, 9), denormal = plain;
    for (size_t i = 1; i < plain.frames(); i += 2) {
        const float sign = i & 2 ? 1.0f : -1.0f;
        plain.left[i] = sign * 1.0e-30f;
        plain.right[i] = -sign * 3.0e-32f;
        denormal.left[i] = sign * 1.0e-39f;
        denormal.right[i] = -sign * 3.0e-41f;
    }
    ASSERT_EQ(std::fpclassify(denormal.left[1]), FP_SUBNORMAL);
    HostedEffect forPlain(builtModule()), forDenormal(builtModule());
    forPlain.resume(44100.0f, 512);
    forDenormal.resume(44100.0f, 512);
    // The thread's own processor time: time spent waiting for another process is not counted.
    auto seconds = [](HostedEffect& hosted, const Stereo& input) {
        auto now = [] {
            timespec t{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
        };
        const double start = now();
        render(hosted, input, 512);
        return now() - start;
    };
    double fastestPlain = 1e9, fastestDenormal = 1e9;
    for (int run = 0; run < 21; ++run) {
        fastestPlain = std::min(fastestPlain, seconds(forPlain, plain));
        fastestDenormal = std::min(fastestDenormal, seconds(forDenormal, denormal));
    }
    RecordProperty("PlainSeconds", std::to_string(fastestPlain));
    RecordProperty("DenormalSeconds", std::to_string(fastestDenormal));
    EXPECT_LE(fastestDenormal, 1.2 * fastestPlain) << fastestDenormal << " s against " << fastestPlain << " s";
}

TEST(Validator, ParameterAbuseFromTwoThreadsWhileProcessing) {
    HostedEffect hosted(builtModule());
    hosted.resume(44100.0f, 512);
    std::atomic<bool> stop{false};
    auto abuse = [&](uint32_t seed) {
        const float nasty[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity(), -1.0f, 2.0f, 1e30f, -1e30f, 1e-40f};
        const int32_t outside[] = {-1, 54, 56, 68, 100, 1 << 30}; // not the panel's commands 57 and 65
        std::mt19937 rng(seed);
        while (!stop.load(std::memory_order_relaxed)) {
            const uint32_t pick = rng();
            const int32_t index = pick % 16 == 0 ? outside[pick / 16 % 6] : static_cast<int32_t>(pick % 54);
            const float value = pick % 3 == 0 ? static_cast<float>(rng() % 1000) / 999.0f : nasty[rng() % 8];
            hosted.setParameter(index, value);
        }
    };
    std::thread first(abuse, 1), second(abuse, 2);
    const Stereo input = noise(512, 4);
    std::string bad;
    for (int block = 0; block < 400 && bad.empty(); ++block) bad = badSample(render(hosted, input, 512));
    stop = true;
    first.join();
    second.join();
    EXPECT_EQ(bad, "");
    for (int32_t i = 0; i < 54; ++i) {
        const float value = hosted.getParameter(i);
        EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << i << ": " << value;
    }
}

// (Instances side by side at two rates, as every format: tests/conformance.)

// Found by fuzzing: a sample rate of a few denormal hertz made every coefficient infinite.
TEST(Validator, ASampleRateFarBelowOneHertzIsIgnored) {
    const Stereo input = noise(4096, 10);
    auto renderAt = [&](float rate) {
        HostedEffect hosted(builtModule());
        hosted.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        hosted.dispatch(effMainsChanged, 0, 1);
        hosted.setParameter(4, 0.7f);
        return render(hosted, input, 512);
    };
    const Stereo tiny = renderAt(1.4e-42f);
    EXPECT_EQ(badSample(tiny), "");
    EXPECT_TRUE(tiny == renderAt(44100.0f)); // the rate every instance starts with
}

// Found by fuzzing: a bank that marks parameters unclamped may carry any values; negative
// or huge ones left NaN in the engine's filters, heard after every later bank and resume.
TEST(Validator, ABankOfUnclampedWildValuesLeavesTheOutputFinite) {
    HostedEffect hosted(builtModule());
    const std::vector<uint8_t> clean = bankOf(hosted);
    std::vector<uint8_t> wild = clean;
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (int32_t i = 0; i < 54; ++i) {
        wild[36 * i + 1] = 1; // unclamped
        const float v = i % 9 == 0 ? 1e30f : value(rng);
        std::memcpy(&wild[1944 + 24 + 4 * i], &v, sizeof v);
    }
    const float dry = 5.0f; // an unclamped value in reason is kept
    std::memcpy(&wild[1944 + 24 + 4 * 1], &dry, sizeof dry);
    hosted.resume(44100.0f, 512);
    loadBank(hosted, wild);
    EXPECT_EQ(hosted.getParameter(1), 5.0f);
    for (int32_t i = 0; i < 54; ++i) EXPECT_TRUE(hosted.getParameter(i) >= 0.0f && hosted.getParameter(i) <= 1000.0f);
    const Stereo input = noise(44100, 13);
    EXPECT_EQ(badSample(render(hosted, input, 512)), "");
    loadBank(hosted, clean);
    hosted.resume(44100.0f, 512);
    EXPECT_EQ(badSample(render(hosted, input, 512)), "");
}

} // namespace
} // namespace zktest
