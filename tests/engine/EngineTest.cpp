#include "tests/engine/FakeHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using zktest::FakeHost;
using namespace zk; // the parameter indices

namespace {

struct Stereo {
    std::vector<float> l, r;
    Stereo(size_t frames = 0, float value = 0.0f) : l(frames, value), r(frames, value) {}
};

Stereo noise(size_t frames, float level, uint32_t seed = 7) {
    Stereo in(frames);
    for (size_t i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        in.l[i] = level * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
        in.r[i] = 0.5f * in.l[i] + (i % 50 < 25 ? 0.3f : -0.3f) * level;
    }
    return in;
}

// Renders frames from..to of `in` in blocks of `block`, replacing; appends to `out`.
Stereo& render(FakeHost& h, const Stereo& in, Stereo& out, int32_t block = 512, size_t from = 0,
               size_t to = SIZE_MAX) {
    to = std::min(to, in.l.size());
    const size_t base = out.l.size();
    out.l.resize(base + to - from);
    out.r.resize(base + to - from);
    for (size_t i = from; i < to; i += static_cast<size_t>(block)) {
        const auto n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), to - i));
        h.engine.processBlock(&in.l[i], &in.r[i], &out.l[base + i - from], &out.r[base + i - from], n, true);
    }
    return out;
}
Stereo render(FakeHost& h, const Stereo& in, int32_t block = 512) {
    Stereo out;
    return render(h, in, out, block);
}

// The three bands' lamps as bits, band 1 lowest.
int32_t lamps(const zk::SoundEngine& engine) {
    return engine.bandActivity(1) | engine.bandActivity(2) << 1 | engine.bandActivity(3) << 2;
}

} // namespace

// (What does and does not wake it is the next test's.)
TEST(Engine, SilenceFromTheStartIsExactZeroEvenWithDry) {
    FakeHost h(44100.0);
    h.set(paramDry, 1.0f);
    EXPECT_EQ(render(h, Stereo(3000, 0.001f)).l, std::vector<float>(3000, 0.0f)); // at the level, not above
    Stereo in(64, -0.0005f), acc(64, 0.25f);
    h.engine.processBlock(in.l.data(), in.r.data(), acc.l.data(), acc.r.data(), 64, false);
    EXPECT_EQ(acc.l, std::vector<float>(64, 0.25f)); // a sleeping frame adds 0
    EXPECT_EQ(h.eventCalls, 0);
}

TEST(Engine, WakesAtTheFrameAndSleepsAfterMoreThanOneSecondOfQuiet) {
    FakeHost w(44100.0);
    w.set(paramMaster, 0.0f), w.set(paramDry, 1.0f); // Master 0: the output is the dry signal alone
    w.setOnEvents([](int32_t) {}); // every frame has events due
    Stereo in(100);
    in.r[60] = -0.0011f;
    Stereo out = render(w, in, 100);
    EXPECT_TRUE(out.r[59] == 0.0f && out.r[60] == -0.0011f);
    EXPECT_TRUE(w.eventCalls == 40 && w.lastEventFrame == 99); // once per processed frame

    // Every path wakes at the first sample above the level wherever it lies in the block;
    // the level itself, infinities and NaN do not wake it.
    using Path = zk::SoundEngine::VoicePath;
    for (Path path : zk::SoundEngine::voicePaths) {
        if (!zk::SoundEngine::pathAvailable(path)) continue;
        for (size_t at : {0, 15, 16, 47, 61, 99})
            for (bool right : {false, true}) {
                FakeHost h(44100.0);
                h.engine.useVoicePath(path);
                h.set(paramMaster, 0.0f), h.set(paramDry, 1.0f);
                Stereo sleepy(100);
                sleepy.l[10] = 0.001f, sleepy.r[20] = -INFINITY, sleepy.l[30] = NAN, sleepy.r[40] = -0.001f;
                const float waking = right ? -std::nextafter(0.001f, 1.0f) : std::nextafter(0.001f, 1.0f);
                (right ? sleepy.r : sleepy.l)[at] = waking;
                const Stereo woken = render(h, sleepy, 100);
                for (size_t i = 0; i < at; ++i) ASSERT_TRUE(woken.l[i] == 0.0f && woken.r[i] == 0.0f) << i;
                EXPECT_EQ((right ? woken.r : woken.l)[at], waking) << int(path) << " " << at;
            }
    }

    for (float level : {0.00005f, -0.0001f, std::nextafter(-0.0001f, 0.0f)}) {
        FakeHost h(44100.0);
        h.set(paramMaster, 0.0f), h.set(paramDry, 1.0f);
        Stereo quietIn(100000, level);
        quietIn.l[0] = 0.01f; // wakes; then only `level` passes through Dry
        out = render(h, quietIn, 441);
        const bool quiet = std::fabs(level) < 0.0001f;
        for (size_t i = 1; i < out.l.size(); ++i) // frames 1..44101 are quiet: 44102 sleeps
            ASSERT_EQ(out.l[i], quiet && i >= 44102 ? 0.0f : level) << level << " at " << i;
    }
}

TEST(Engine, PreListenOutputsTheWeightedBandSignals) {
    FakeHost h(44100.0);
    for (auto [index, value] : {std::pair{paramLeft1, 0.7f}, {paramRight1, 0.2f}, {paramBand1, 1.0f}, {paramDry, 1.0f}, {paramPreListen1, 0.5f}}) h.set(index, value);
    zk::SampleRateContext rate;
    zk::BandFilter reference(rate); // band filter 1 as built by the engine, at 4338 Hz
    reference.setType(2), reference.setResonance(0.5f), reference.setFrequency(4338.0f);
    const Stereo in = noise(3000, 0.5f);
    Stereo out;
    render(h, in, out, 512, 0, 1000);
    for (size_t i = 0; i < 1000; ++i) {
        const float expected = 0.5f * (2.0f * reference.process(0.7f * in.l[i] + 0.2f * in.r[i]));
        ASSERT_TRUE(out.l[i] == expected && out.r[i] == expected) << i; // no Master, no Dry
    }
    h.set(paramPreListen1, 0.0f), h.set(paramPreListen2, 1.0f); // band 2 is idle in the default program
    render(h, in, out, 512, 1000, 2000);
    EXPECT_EQ(std::vector<float>(out.l.begin() + 1000, out.l.end()), std::vector<float>(1000, 0.0f));
    EXPECT_EQ(h.engine.delayLine(0).writeIndex(), 0); // the delay did not run
    h.setOnEvents([&](int32_t f) { if (f == 100) h.set(paramPreListen2, 0.0f); });
    render(h, in, out, 1000, 2000, 3000);
    EXPECT_TRUE(out.l[2099] == 0.0f && out.l[2100] != 0.0f); // the normal mix from that frame
    EXPECT_EQ(h.engine.delayLine(0).writeIndex(), 900);
}

TEST(Engine, AccumulateAddsWhatReplaceWrites) {
    FakeHost a(44100.0), b(44100.0);
    const Stereo in = noise(6000, 0.3f), before = noise(6000, 1.0f, 99);
    Stereo replaced(6000, NAN), added = before;
    a.engine.processBlock(in.l.data(), in.r.data(), replaced.l.data(), replaced.r.data(), 6000, true);
    b.engine.processBlock(in.l.data(), in.r.data(), added.l.data(), added.r.data(), 6000, false);
    for (size_t i = 0; i < 6000; ++i)
        ASSERT_TRUE(added.l[i] == before.l[i] + replaced.l[i] && added.r[i] == before.r[i] + replaced.r[i]) << i;
}

TEST(Engine, ResumeKeepsEnvelopesAndPhasesButNotTheDelay) {
    FakeHost h;
    h.engine.initEngine(48000.0);
    EXPECT_EQ(h.engine.blockSampleRate(), 44100.0f); // building the blocks reset it until resume
    h.engine.adoptSampleRate(44100.0, true);
    h.set(paramLeft2, 1.0f), h.set(paramRight3, 1.0f);
    render(h, noise(3000, 0.5f));
    float kept[7] = {h.engine.modulator().phase()};
    for (int b = 1; b <= 3; ++b) kept[2 * b - 1] = h.engine.bandEnvelope(b), kept[2 * b] = h.engine.bandPhase(b);
    ASSERT_GT(kept[1], 0.0f);
    h.engine.adoptSampleRate(48000.0, true);
    EXPECT_EQ(h.reselects, 2);
    h.set(paramBand1, 1.0f); // the setters now use the new rate
    EXPECT_NEAR(h.engine.bandFrequencyCoefficient(1), 2 * M_PI * 4338 / 48000, 1e-5);
    EXPECT_EQ(kept[0], h.engine.modulator().phase());
    for (int b = 1; b <= 3; ++b) EXPECT_TRUE(kept[2 * b - 1] == h.engine.bandEnvelope(b) && kept[2 * b] == h.engine.bandPhase(b));
    for (int32_t ch = 0; ch < 2; ++ch) {
        ASSERT_EQ(h.engine.delayLine(ch).length(), 48001);
        for (int32_t c = 0; c < 48001; ++c) ASSERT_EQ(h.engine.delayLine(ch).cell(c), 0.001f);
    }
}

TEST(Engine, LampsFollowTheEnvelopesAndIdleBandsKeepTheirs) {
    using Path = zk::SoundEngine::VoicePath;
    for (Path path : zk::SoundEngine::voicePaths) {
        for (int32_t block : {512, 1}) { // in chunks, and frame by frame
            if (!zk::SoundEngine::pathAvailable(path)) continue;
            SCOPED_TRACE(testing::Message() << "path " << int(path) << ", blocks of " << block);
            FakeHost h(44100.0);
            h.engine.useVoicePath(path);
            h.set(paramDry, 1.0f), h.set(paramLeft2, 1.0f), h.set(paramLeft3, 1.0f); // Dry on; all three bands run (lanes)
            render(h, noise(3000, 4.0f), block);
            EXPECT_EQ(lamps(h.engine), 0b111);
            h.set(paramLeft2, 0.0f); // band 2 idle: keeps its lamp while the others fade
            render(h, Stereo(20000, 0.01f), block); // DC: the band filters settle to 0; Dry keeps the engine awake
            EXPECT_FALSE(h.engine.asleep());
            EXPECT_EQ(lamps(h.engine), 0b010);
            h.set(paramLeft2, 1.0f); // running again, it fades too
            render(h, Stereo(20000, 0.01f), block);
            EXPECT_EQ(lamps(h.engine), 0);
            render(h, noise(3000, 4.0f), block); // and all light again, with no value changed since
            EXPECT_EQ(lamps(h.engine), 0b111);
            EXPECT_TRUE(h.engine.bandActivity(0) == 0 && h.engine.bandActivity(4) == 0);
        }
    }
}

TEST(EngineFaults, EachEngineKeepsItsOwnRate) {
    const Stereo in = noise(20000, 0.5f);
    auto step = [&](FakeHost& h, Stereo& out, size_t n) { // automation, then 2000 frames
        h.set(bandParameter(paramBand1, static_cast<int32_t>(n % 3) + 1), 0.2f + 0.1f * static_cast<float>(n % 5));
        h.set(paramSmooth, 0.1f * static_cast<float>(n % 7));
        h.set(paramRelease1, 0.05f * static_cast<float>(n % 9));
        h.set(paramLeft2, 0.5f);
        render(h, in, out, 256, n * 2000, n * 2000 + 2000);
    };
    FakeHost a(44100.0), b(96000.0); // b is built and resumed after a's resume
    Stereo outA, outB, aloneA, aloneB;
    for (size_t n = 0; n < 10; ++n) step(a, outA, n), step(b, outB, n);
    FakeHost soloA(44100.0);
    for (size_t n = 0; n < 10; ++n) step(soloA, aloneA, n);
    FakeHost soloB(96000.0);
    for (size_t n = 0; n < 10; ++n) step(soloB, aloneB, n);
    EXPECT_TRUE(outA.l == aloneA.l && outB.l == aloneB.l);
}

// Resume resizes the lines on its own thread while the audio thread may be in a block: every
// path and block size leaves them alone while they are busy (they give 0), as the scalar
// code does.
TEST(EngineFaults, DelayLinesBeingResizedAreLeftAloneOnEveryPath) {
    using Path = zk::SoundEngine::VoicePath;
    const Stereo in = noise(9000, 0.5f);
    auto renderWithLines = [&](Path path, int32_t block, bool busy) {
        FakeHost h(44100.0);
        h.engine.useVoicePath(path);
        for (auto [index, value] : {std::pair{paramLeft2, 1.0f}, {paramRight2, 0.5f}, {paramLeft3, 0.3f}, {paramRight3, 1.0f},
                                    {paramEffect1, 0.5f}, {paramEffect2, 0.4f}, {paramEffect3, 0.6f},
                                    {paramFeedback, 0.5f}, {paramDelay, 0.01f}})
            h.set(index, value);
        Stereo out;
        render(h, in, out, block, 0, 3000);
        h.engine.setDelayLinesBusyForTest(busy);
        render(h, in, out, block, 3000, 6000);
        h.engine.setDelayLinesBusyForTest(false);
        return render(h, in, out, block, 6000, 9000);
    };
    const Stereo expected = renderWithLines(Path::scalar, 512, true);
    ASSERT_NE(expected.l, renderWithLines(Path::scalar, 512, false).l); // the busy stretch is heard
    for (Path path : zk::SoundEngine::voicePaths)
        for (int32_t block : {1, 3, 512}) {
            if (!zk::SoundEngine::pathAvailable(path)) continue;
            const Stereo out = renderWithLines(path, block, true);
            EXPECT_TRUE(out.l == expected.l && out.r == expected.r) << int(path) << " " << block;
        }
}

TEST(EngineFaults, NonFiniteInputCountsAsZero) {
    Stereo clean = noise(8000, 0.5f), dirty = clean;
    const float bad[] = {NAN, INFINITY, -INFINITY};
    for (size_t i = 3000; i < 3100; ++i) {
        clean.l[i] = clean.r[i] = 0.0f;
        dirty.l[i] = bad[i % 3];
        dirty.r[i] = bad[(i + 1) % 3];
    }
    FakeHost a(44100.0), b(44100.0);
    a.set(paramDry, 0.5f), b.set(paramDry, 0.5f);
    const Stereo outClean = render(a, clean), outDirty = render(b, dirty);
    EXPECT_TRUE(outDirty.l == outClean.l && outDirty.r == outClean.r); // finite, since the clean run is
}

// Feedback and Volume at the top make the echo loop gain 1.35 per round: held for half a
// minute it used to reach infinity and leave NaN in the lines for good.
TEST(EngineFaults, ARunawayEchoStaysFiniteAndDiesAwayAfterwards) {
    FakeHost h(44100.0);
    for (int32_t i : {paramFeedback, paramDelayVolume, paramEffect1}) h.set(i, 1.0f);
    h.set(paramDelay, 0.0f);
    Stereo out = render(h, noise(44100 * 60, 0.5f));
    h.set(paramFeedback, 0.0f);
    render(h, Stereo(44100), out);
    const auto finite = [](float v) { return std::isfinite(v); };
    EXPECT_TRUE(std::all_of(out.l.begin(), out.l.end(), finite) && std::all_of(out.r.begin(), out.r.end(), finite));
    EXPECT_GT(std::fabs(out.l[44100 * 60 - 1]), 1.0e5f); // it did run away
    EXPECT_LT(std::fabs(out.l.back()), 1.0f);
}

namespace {

// What one voice path gives for a random scenario: the output, the silence count (-1:
// asleep) and the lamps after every block.
struct PathRun {
    Stereo out;
    int32_t quietFrames = 0;
    std::vector<int32_t> lamps;
};

// A random program, rate, input, block sizes (short ones alone too), changes and program
// changes inside blocks, parameter values in and out of index order, and in-place and
// overlapping buffers, from `seed`.
PathRun renderScenario(zk::SoundEngine::VoicePath path, uint32_t seed) {
    using Layout = FakeHost::Layout;
    const double rates[] = {22050.0, 44100.0, 48000.0, 96000.0, 31000.0};
    std::mt19937 random(seed);
    auto uniform = [&random] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random); };
    const double rate = seed % 2 ? rates[seed % std::size(rates)] : 8000.0 + 184000.0 * uniform();
    std::vector<float> programs[3]; // one per layout
    for (auto& program : programs) {
        program.resize(kNumParameters);
        for (float& value : program) value = uniform() < 0.15f ? 0.0f : uniform();
        for (int32_t index : {paramLeft1, paramRight1, paramLeft2, paramRight2, paramLeft3, paramRight3})
            program[static_cast<size_t>(index)] *= uniform() < 0.4f ? 0.0f : 1.0f; // idle bands
        for (int32_t index : {paramFmButton1, paramFmButton2, paramFmButton3})
            program[static_cast<size_t>(index)] = uniform() < 0.5f ? 1.0f : 0.0f;   // feedback FM
        for (int32_t index : {paramPreListen1, paramPreListen2, paramPreListen3})
            program[static_cast<size_t>(index)] = uniform() < 0.8f ? 0.0f : uniform(); // pre-listen
        // Right delays of 1 sample, and of about 4.
        if (seed % 6 == 1) program[39] = 0.0f;
        if (seed % 6 == 4) program[39] = std::sqrt(3.5f / static_cast<float>(rate));
    }
    Stereo in = noise(6000, 2.0f * uniform(), seed);
    in.l[static_cast<size_t>(random() % 6000)] = NAN;
    std::fill(in.l.begin() + 3000, in.l.begin() + 3500, 0.0f);
    std::fill(in.r.begin() + 3000, in.r.begin() + 3500, 0.0f);
    // Frame, index (kNumParameters + n: to layout n), value x 1000. Fewer with short blocks, where the
    // ramps come to rest between changes.
    std::vector<std::array<int32_t, 3>> changes(seed % 4 == 2 ? 8 : 43);
    for (auto& c : changes) c = {static_cast<int32_t>(random() % 6000), static_cast<int32_t>(random() % kNumParameters),
                                 static_cast<int32_t>(random() % 1001)};
    for (auto& c : changes) // half the Left and Right moves switch the band off
        if (c[1] >= 2 && c[1] < 38 && (c[1] - 2) % 12 < 2 && c[2] % 2) c[2] = 0;
    for (size_t n = changes.size() - 3; n < changes.size(); ++n) changes[n][1] = kNumParameters + static_cast<int32_t>(random() % 3);
    std::vector<int32_t> blocks; // every fourth seed, blocks of one to three frames only
    const uint32_t longest = seed % 4 == 2 ? 3 : 700;
    for (int32_t total = 0; total < 6000;) total += blocks.emplace_back(1 + static_cast<int32_t>(random() % longest));
    const bool replace = seed % 3 != 0;
    const uint32_t buffers = seed % 5; // 0, 1, 4: apart; 2: in place; 3: output a frame ahead in one buffer

    PathRun result;
    FakeHost h;
    h.engine.useVoicePath(path);
    EXPECT_EQ(h.engine.voicePath(), path);
    const Layout layouts[] = {Layout::program, Layout::other, Layout::spread};
    for (int n = 0; n < 3; ++n) {
        h.useLayout(layouts[n]);
        for (int32_t i = 0; i < kNumParameters; ++i) h.cell(i).store(programs[n][static_cast<size_t>(i)]);
    }
    h.useLayout(seed % 4 == 3 ? Layout::spread : Layout::program);
    h.start(rate);
    int32_t position = 0;
    h.setOnEvents([&](int32_t frame) {
        for (const auto& c : changes) {
            if (c[0] != position + frame) continue;
            if (c[1] >= kNumParameters) h.changeTo(layouts[c[1] - kNumParameters]);
            else h.set(c[1], static_cast<float>(c[2]) / 1000.0f);
        }
    });
    if (seed % 7 < 4) // only the frames with changes have events due, else every frame
        h.nextEvent = [&](int32_t frame) {
            int32_t next = zk::EngineHost::noPendingEvents;
            for (const auto& c : changes)
                if (c[0] - position >= frame) next = std::min(next, c[0] - position);
            return next;
        };
    Stereo buffer(6001, 0.25f);
    std::copy(in.l.begin(), in.l.end(), buffer.l.begin());
    std::copy(in.r.begin(), in.r.end(), buffer.r.begin());
    const float* inL = buffers >= 2 ? buffer.l.data() : in.l.data();
    const float* inR = buffers >= 2 ? buffer.r.data() : in.r.data();
    float* outL = buffers >= 2 ? buffer.l.data() + (buffers == 3) : nullptr;
    float* outR = buffers >= 2 ? buffer.r.data() + (buffers == 3) : nullptr;
    result.out = Stereo(6000, 0.25f);
    if (buffers < 2) outL = result.out.l.data(), outR = result.out.r.data();
    for (int32_t n : blocks) {
        n = std::min(n, 6000 - position);
        if (n <= 0) break;
        const size_t at = static_cast<size_t>(position);
        if (h.nextEvent) // events pending only in blocks with changes, as from a real host
            h.setEventsPending(std::any_of(changes.begin(), changes.end(), [&](const auto& c) {
                return c[0] >= position && c[0] < position + n;
            }));
        h.engine.processBlock(inL + at, inR + at, outL + at, outR + at, n, replace);
        position += n;
        result.lamps.push_back(lamps(h.engine));
    }
    if (buffers >= 2) result.out = buffer;
    // An output fed back as input can overflow to NaN, whose sign and payload follow the
    // operand order of commutative operations, which the compiler may swap: one NaN for all.
    for (auto* channel : {&result.out.l, &result.out.r})
        for (float& v : *channel) v = std::isnan(v) ? NAN : v;
    result.quietFrames = h.engine.asleep() ? -1 : h.engine.silenceCounter();
    return result;
}

} // namespace

class EnginePaths : public ::testing::TestWithParam<zk::SoundEngine::VoicePath> {};

// Every voice path (frame by frame and in chunks) gives the scalar path's bits, the lamps
// after every block too, for 120 random scenarios.
TEST_P(EnginePaths, GiveTheScalarPathsBits) {
    const zk::SoundEngine::VoicePath path = GetParam();
    if (path == zk::SoundEngine::VoicePath::scalar) GTEST_SKIP() << "the reference";
    if (!zk::SoundEngine::pathAvailable(path)) GTEST_SKIP() << "not on this processor";
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        const PathRun expected = renderScenario(zk::SoundEngine::VoicePath::scalar, seed);
        const PathRun actual = renderScenario(path, seed);
        const size_t bytes = expected.out.l.size() * sizeof(float);
        ASSERT_EQ(0, std::memcmp(expected.out.l.data(), actual.out.l.data(), bytes)) << seed;
        ASSERT_EQ(0, std::memcmp(expected.out.r.data(), actual.out.r.data(), bytes)) << seed;
        ASSERT_EQ(expected.quietFrames, actual.quietFrames) << seed;
        ASSERT_EQ(expected.lamps, actual.lamps) << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(AllOfThisBuild, EnginePaths, ::testing::ValuesIn(zk::SoundEngine::voicePaths),
                         [](const auto& info) { return std::string(zk::SoundEngine::pathName(info.param)); });
