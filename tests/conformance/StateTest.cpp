// The state as every format carries it: saved, loaded into a new instance and saved again
// to the same bytes through streams that move few bytes a call, sounding as the VST 2
// module's; empty, short, foreign and random states refused with nothing changed.

#include "tests/conformance/Conformance.h"

#include <random>

namespace zkconformance {
namespace {

using zktest::testSignal;

// A program chosen by MIDI, values set by the host before and during a run.
void moveAwayFromDefaults(HostedPlugin& plugin) {
    plugin.setParameter(0, 0.25f);
    plugin.start(44100, 512);
    render(plugin, testSignal(2048), {midiAt(3, 0xC5, 7), parameterAt(512, 39, 0.75f), parameterAt(1024, 40, 0.5f)});
    plugin.stop();
    plugin.setParameter(4, 0.625f);
}

Stereo renderFresh(HostedPlugin& plugin, const Stereo& input) {
    return renderStarted(plugin, 44100, 512, input, {}, {{512, 61}});
}

class State : public Conformance {};

TEST_P(State, SavedLoadedAndSavedAgainIsByteIdenticalAndSoundsAsVst2) {
    auto first = open();
    moveAwayFromDefaults(*first);
    const std::vector<uint8_t> saved = first->saveStateBytes(0);
    ASSERT_FALSE(saved.empty());
    auto fresh = open();
    EXPECT_NE(fresh->saveStateBytes(0), saved) << "the changes are in the state";

    auto vst2 = openVst2(), vst2Loaded = openVst2();
    moveAwayFromDefaults(*vst2);
    ASSERT_TRUE(vst2Loaded->loadStateBytes(vst2->saveStateBytes(0), 0));
    const Stereo input = testSignal(20000, 4);
    const Stereo expected = renderFresh(*vst2Loaded, input);

    for (int32_t perCall : {0, 1, 7, 4096}) {
        SCOPED_TRACE(testing::Message() << perCall << " bytes a call");
        EXPECT_EQ(first->saveStateBytes(perCall), saved);
        auto second = open();
        ASSERT_TRUE(second->loadStateBytes(saved, perCall));
        EXPECT_EQ(second->saveStateBytes(perCall), saved);
        // LV2's control ports are the host's: values the plug-in took from a program are not in them.
        for (int32_t i = 0; i < 53 && !is("Lv2"); ++i) EXPECT_EQ(second->getParameter(i), vst2Loaded->getParameter(i)) << i;
        EXPECT_TRUE(renderFresh(*second, input) == expected);
        EXPECT_EQ(second->saveStateBytes(0), saved) << "processing changed the state";
    }
}

TEST_P(State, EmptyShortForeignAndRandomStatesAreRefusedWithNothingChanged) {
    auto source = open();
    moveAwayFromDefaults(*source);
    const std::vector<uint8_t> good = source->saveStateBytes(0);
    ASSERT_GT(good.size(), 16u);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> wrongs = {
        {"empty", {}},
        {"ten bytes", {good.begin(), good.begin() + 10}},
        {"half", {good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)}},
        {"all but the last four bytes", {good.begin(), good.end() - 4}},
    };
    std::vector<uint8_t> magic = good;
    magic[0] ^= 0x20;
    wrongs.emplace_back("its first byte changed", magic);
    std::mt19937 random(5);
    for (size_t size : {good.size(), size_t(1) << 16}) {
        std::vector<uint8_t> bytes(size);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        wrongs.emplace_back("random, " + std::to_string(size) + " bytes", bytes);
    }
    for (const Format& other : builtFormats())
        if (other.name != std::string(GetParam().name)) {
            auto foreign = zkhost::openPlugin(other.path);
            moveAwayFromDefaults(*foreign);
            wrongs.emplace_back(std::string("of ") + other.name, foreign->saveStateBytes(0));
        }

    auto target = open(), twin = open();
    moveAwayFromDefaults(*target);
    moveAwayFromDefaults(*twin);
    const std::vector<uint8_t> before = target->saveStateBytes(0);
    for (const auto& [what, bytes] : wrongs) {
        for (int32_t perCall : {0, 3}) {
            EXPECT_FALSE(target->loadStateBytes(bytes, perCall)) << what;
            EXPECT_EQ(target->saveStateBytes(0), before) << what;
        }
    }
    for (int32_t i = 0; i < target->numParams(); ++i) EXPECT_EQ(target->getParameter(i), twin->getParameter(i)) << i;
    const Stereo input = testSignal(8000, 6);
    EXPECT_TRUE(renderFresh(*target, input) == renderFresh(*twin, input)) << "it sounds as one never offered them";
}

INSTANTIATE_TEST_SUITE_P(Conformance, State, ::testing::ValuesIn(builtFormats()), formatName);

} // namespace
} // namespace zkconformance
