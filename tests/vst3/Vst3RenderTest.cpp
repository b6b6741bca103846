// zkhost with the VST3 bundle beside the VST 2 module: a learned controller in a MIDI file
// (a mapped parameter change for the VST3) moves the sound at the same frame; the factory
// set loads as its .fxp files sound; silence flags change nothing; a state saved by one
// instance restores another to the same bytes and the same render; the bundle is hosted.
// (The VST 2 module's bits in blocks of every size, as every format: tests/conformance.)

#include "tests/zkhost/FormatChecks.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

using namespace zkhosttest;

namespace {

std::string vst3Path() { return ZK_VST3_BUNDLE_PATH; }

TEST(Vst3Midi, ALearnedControllerMovesTheSoundAtTheSameFrameAsThroughTheVst2Module) {
    expectLearnedControllerAsThroughVst2(vst3Path());
}

// The factory set as .vstpreset files where hosts look (the tests' home holds them).
TEST(Vst3Presets, TheFactorySetIsFoundAndLoadsAsItsFxpDoes) { expectFactorySetAsThroughVst2(vst3Path()); }

// Silence flags: silent inputs are read as silence whatever their buffers hold, and silent
// outputs are marked so.
TEST(Vst3Render, AHostThatHonoursSilenceFlagsHearsTheSame) {
    expectSilenceHonouredToTheSameBits(vst3Path(), ZK_REFERENCE_DIR, "output channels marked silent");
}

// The component state: a 16-byte header, the bank chunk and the flags.
TEST(Vst3State, AStateMovesToAnotherInstanceWhole) { expectStateMovesWhole(vst3Path(), 16u + 32664u + 4u); }

// zkhost takes a .vst3 folder as a VST3 bundle (not as LV2), finds the module for this
// system inside it, and says which file it misses in a bundle without one.
TEST(ZkhostVst3, TheBundleOrItsModuleIsHostedAsVst3) {
    const std::string fromBundle = succeed({"info", vst3Path()}).out;
    EXPECT_TRUE(contains(fromBundle, "Format:         VST3")) << fromBundle;
    EXPECT_TRUE(contains(fromBundle, "Parameters:     55 (and 121 hidden)")) << fromBundle;
    const std::string module = vst3Path() + "/Contents/" + ZK_VST3_ARCH + "/Zephyrkettledrome.so";
    EXPECT_EQ(succeed({"info", module}).out, fromBundle);
    const std::string empty = scratchDir("Empty.vst3");
    expectFailure(runZkhost({"info", empty}), 1,
                  "holds no module for this system (" + empty + "/Contents/" + ZK_VST3_ARCH + "/Empty.so)");
}

} // namespace
