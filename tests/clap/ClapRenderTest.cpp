// zkhost with the .clap beside the VST 2 module: the reference scenarios give the same bits
// through both, in blocks of 512, of 1 and of random sizes; a learned controller in a MIDI
// file moves the sound at the same frame; a state saved by one instance restores another
// to the same bytes and the same render.

#include "tests/zkhost/FormatChecks.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

using namespace zkhosttest;

namespace {

std::string clapPath() { return ZK_CLAP_MODULE_PATH; }

class ClapRender : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

TEST_P(ClapRender, TheReferenceScenariosSoundAsThroughTheVst2Module) {
    const auto [scenario, block] = GetParam();
    expectReferenceScenarioAsThroughVst2(clapPath(), ZK_REFERENCE_DIR, scenario, block);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ClapRender,
                         ::testing::Combine(::testing::Values("default-speech-44k", "three-bands-drums-48k"),
                                            ::testing::Values("512", "1", "random")));

TEST(ClapMidi, ALearnedControllerMovesTheSoundAtTheSameFrameAsThroughTheVst2Module) {
    expectLearnedControllerAsThroughVst2(clapPath());
}

// The factory set through the preset discovery factory and preset-load.
TEST(ClapPresets, TheFactorySetIsDiscoveredAndLoadsAsItsFxpDoes) { expectFactorySetAsThroughVst2(clapPath()); }

// Asleep on silence, the plug-in tells the host so, which may then stop calling.
TEST(ClapRender, AHostThatLetsThePlugInSleepHearsTheSame) {
    expectSilenceHonouredToTheSameBits(clapPath(), ZK_REFERENCE_DIR, "blocks not processed");
}

// The CLAP state: a 16-byte header, the bank chunk and the flags.
TEST(ClapState, AStateMovesToAnotherInstanceWhole) { expectStateMovesWhole(clapPath(), 16u + 32664u + 4u); }

} // namespace
