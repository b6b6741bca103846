// What every format must sound like: the VST 2 module's bits at every rate, block size and
// buffer layout, with parameter changes, learned controllers and program changes at their
// frames.

#include "tests/conformance/Conformance.h"

#include <algorithm>
#include <random>

namespace zkconformance {
namespace {

using zktest::badSample;
using zktest::peak;
using zktest::testSignal;

class Sound : public Conformance {};

TEST_P(Sound, EveryRateFrom1kHzTo768kHzSoundsAsVst2AndSilenceStaysSilent) {
    for (double rate : {1000.0, 8000.0, 11025.0, 22050.0, 44100.0, 44100.5, 47999.99, 48000.0, 88200.0, 96000.0,
                        176400.0, 192000.0, 352800.0, 384000.0, 705600.0, 768000.0}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz");
        const Stereo input = testSignal(size_t(rate / 8) + 100);
        const RenderOptions blocks{{4096, 1, 333}};
        auto plugin = open();
        EXPECT_EQ(peak(renderStarted(*plugin, rate, 4096, Stereo(2000))), 0.0f) << "silence in, silence out";
        const Stereo out = renderStarted(*plugin, rate, 4096, input, {}, blocks);
        EXPECT_EQ(badSample(out), "");
        EXPECT_GT(peak(out), 0.001f);
        auto reference = openVst2();
        reference->start(rate, 4096);
        render(*reference, Stereo(2000));
        EXPECT_TRUE(out == render(*reference, input, {}, blocks)) << "the VST 2 module's bits";
        // After sound, silence long enough for every tail to die away gives silence.
        plugin->start(rate, 4096);
        render(*plugin, input);
        const size_t tail = std::max<size_t>(size_t(rate) * 3, 8192);
        EXPECT_TRUE(zktest::endsSilent(render(*plugin, Stereo(tail), {}, {{4096}}), 4096));
        plugin->stop();
    }
}

TEST_P(Sound, BlocksOf1To16384FramesAndRandomSizesSoundAsVst2InBlocksOf512) {
    const Stereo input = testSignal(50000);
    auto reference = openVst2();
    const Stereo expected = renderStarted(*reference, 44100, 16384, input);
    EXPECT_GT(peak(expected), 0.01f);
    std::mt19937 random(3);
    std::vector<int32_t> randomSizes;
    for (int i = 0; i < 40; ++i) randomSizes.push_back(std::uniform_int_distribution<int32_t>(1, 16384)(random));
    for (const std::vector<int32_t>& sizes : std::vector<std::vector<int32_t>>{
             {1}, {2, 3}, {16384}, {4096, 1, 7, 16384, 64, 511}, randomSizes}) {
        SCOPED_TRACE(sizes.size() == 40 ? "random sizes" : "sizes from " + std::to_string(sizes[0]));
        auto plugin = open();
        EXPECT_TRUE(renderStarted(*plugin, 44100, 16384, input, {}, {sizes}) == expected);
    }
}

TEST_P(Sound, InPlaceSoundsAsOutOfPlace) {
    const Stereo input = testSignal(30000);
    auto reference = openVst2();
    const Stereo expected = renderStarted(*reference, 48000, 512, input, {}, {{512, 97}});
    auto plugin = open();
    EXPECT_TRUE(renderStarted(*plugin, 48000, 512, input, {}, {{512, 97}, true}) == expected);
}

// Random values for random parameters every 10, 100 and 1000 frames from the first, as the
// format carries changes inside a block, against the VST 2 module with its blocks split at
// the changes. At 48 kHz, where a host that opened the instance at another rate makes it again.
TEST_P(Sound, ParameterChangesInsideBlocksAreHeardAtTheirFrames) {
    if (is("Vst2")) GTEST_SKIP() << "VST 2 has no changes inside a block; it is the reference";
    const Stereo input = testSignal(20000);
    for (int32_t every : {10, 100, 1000}) {
        SCOPED_TRACE(every);
        std::mt19937 random(static_cast<uint32_t>(every));
        std::vector<HostEvent> changes;
        for (int32_t frame = 0; frame < int32_t(input.frames()); frame += every)
            changes.push_back(parameterAt(frame, std::uniform_int_distribution<int32_t>(0, 52)(random),
                                          std::uniform_real_distribution<float>(0.0f, 1.0f)(random)));
        auto reference = openVst2();
        const Stereo expected = renderStarted(*reference, 48000, 512, input, changes, {{512}, false, true});
        auto plugin = open();
        const Stereo out = renderStarted(*plugin, 48000, 512, input, changes);
        EXPECT_EQ(badSample(out), "");
        EXPECT_TRUE(out == expected);
        for (int32_t i = 0; i < 53; ++i) EXPECT_EQ(plugin->getParameter(i), reference->getParameter(i)) << i;
    }
}

// Controller 7 learned for Master (a binding every new instance reads from the stored
// settings) and Program Changes, inside blocks: heard from their frames as through VST 2.
TEST_P(Sound, LearnedControllersAndProgramChangesAreHeardAtTheirFrames) {
    const StoredSettings settings("\"MidiCC-Master\" 8\n");
    const Stereo input = testSignal(24000);
    const std::vector<HostEvent> events = {midiAt(1000, 0xB0, 7, 20),  midiAt(3333, 0xB5, 7, 110),
                                           midiAt(5000, 0xC0, 5),      midiAt(7777, 0xB0, 7, 64),
                                           midiAt(12345, 0xC3, 9),     midiAt(12345, 0xB0, 7, 1),
                                           midiAt(20001, 0xB0, 21, 99)};
    auto reference = openVst2();
    const Stereo expected = renderStarted(*reference, 44100, 512, input, events);
    auto still = openVst2();
    const Stereo unmoved = renderStarted(*still, 44100, 512, input);
    size_t first = 0;
    while (first < input.frames() && expected.left[first] == unmoved.left[first]) ++first;
    ASSERT_EQ(first, 1000u) << "the controller moves the sound from its frame on";
    for (const std::vector<int32_t>& sizes : std::vector<std::vector<int32_t>>{{512}, {1000, 77, 4096}}) {
        auto plugin = open();
        EXPECT_TRUE(renderStarted(*plugin, 44100, 4096, input, events, {sizes}) == expected) << sizes.size();
    }
}

// A block of no frames, which hosts send to hand over changes alone: its parameter
// changes act as they would at the start of the next block through VST 2.
TEST_P(Sound, TheEventsOfABlockOfNoFramesAct) {
    if (is("Vst2")) GTEST_SKIP() << "the reference";
    const Stereo input = testSignal(8000, 7);
    const std::vector<HostEvent> changes = {parameterAt(0, 39, 0.25f), parameterAt(0, 4, 0.5f), parameterAt(0, 0, 0.5f)};
    // Each instance started and a first block run before the changes.
    const auto started = [](std::unique_ptr<HostedPlugin> plugin) {
        plugin->start(44100, 512);
        render(*plugin, Stereo(512));
        return plugin;
    };
    const Stereo expected = render(*started(openVst2()), input, changes);
    EXPECT_FALSE(render(*started(openVst2()), input) == expected) << "the changes make a difference";

    auto plugin = started(open());
    Stereo empty(1);
    float* channels[2] = {empty.left.data(), empty.right.data()};
    plugin->process(channels, channels, 0, changes, false);
    EXPECT_TRUE(render(*plugin, input) == expected);
}

INSTANTIATE_TEST_SUITE_P(Conformance, Sound, ::testing::ValuesIn(builtFormats()), formatName);

} // namespace
} // namespace zkconformance
