// zkhost with the .clap beside the VST 2 module: a learned controller in a MIDI file moves
// the sound at the same frame; the factory set loads as its .fxp files sound; a host that
// lets the plug-in sleep hears the same; a state saved by one instance restores another to
// the same bytes and the same render. (The VST 2 module's bits in blocks of every size, as
// every format: tests/conformance.)

#include "tests/zkhost/FormatChecks.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

using namespace zkhosttest;

namespace {

std::string clapPath() { return ZK_CLAP_MODULE_PATH; }

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
