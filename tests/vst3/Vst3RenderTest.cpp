// zkhost with the VST3 bundle beside the VST 2 module: the reference scenarios give the same
// bits through both, in blocks of 512, of 1 and of random sizes; a learned controller in a
// MIDI file (a mapped parameter change for the VST3) moves the sound at the same frame; a
// state saved by one instance restores another to the same bytes and the same render.

#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace zkhosttest;

namespace {

std::string vst3Path() { return ZK_VST3_BUNDLE_PATH; }

// The file name of a render through each module.
std::string nameOf(const std::string& module) { return module == vst3Path() ? "vst3" : "vst2"; }

class Vst3Render : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

TEST_P(Vst3Render, TheReferenceScenariosSoundAsThroughTheVst2Module) {
    const auto [scenario, block] = GetParam();
    const std::string dir = scratchDir(std::string("reference-") + scenario + "-" + block);
    const std::string base = std::string(ZK_REFERENCE_DIR) + "/" + scenario;
    const std::string changes = automationOf(base + ".scenario", dir);
    for (const std::string& module : {modulePath(), vst3Path()})
        succeed({"render", module, base + ".input.wav", dir + "/" + nameOf(module) + ".wav",
                 "--block", block, "--tail", "0", "--automate", changes});
    const Audio vst2 = readAudio(dir + "/vst2.wav"), vst3 = readAudio(dir + "/vst3.wav");
    const Audio expected = readAudio(base + ".expected.wav");
    EXPECT_EQ(difference(vst2, vst3).first, 0u) << "bit-exact with the VST 2 module";
    const auto [differing, first] = difference(expected, vst3);
    EXPECT_EQ(differing, difference(expected, vst2).first);
    double worst = 0.0;
    for (size_t i = 0; i < vst3.samples.size(); ++i)
        worst = std::max(worst, std::fabs(double(expected.samples[i]) - vst3.samples[i]));
    std::cout << scenario << ", blocks " << block << ": " << differing << " samples differ from the expected render, by "
              << worst << " at most\n";
    EXPECT_LT(worst, 1e-29);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Vst3Render,
                         ::testing::Combine(::testing::Values("default-speech-44k", "three-bands-drums-48k"),
                                            ::testing::Values("512", "1", "random")));

// Controller 7 bound to Master by the stored settings every new instance reads: a MIDI file
// moving it at 1 s and 2 s changes both modules' sound from exactly those frames, alike.
TEST(Vst3Midi, ALearnedControllerMovesTheSoundAtTheSameFrameAsThroughTheVst2Module) {
    const std::string dir = scratchDir("learned-controller");
    const std::string config = dir + "/config";
    std::filesystem::create_directories(config + "/zephyrkettledrome.org/Zephyrkettledrome");
    std::ofstream(config + "/zephyrkettledrome.org/Zephyrkettledrome/settings") << "\"MidiCC-Master\" 8\n";
    const char* before = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    // 480 ticks a quarter at 120 bpm: 960 ticks a second.
    const std::string midi = writeBytes(dir, "cc.mid", smf(0, 480, {smfTrack({{960, {0xB0, 7, 20}}, {960, {0xB5, 7, 100}}})}));
    std::string log;
    for (const std::string& module : {modulePath(), vst3Path()}) {
        const std::string name = nameOf(module);
        log = succeed({"render", module, examplePath(), dir + "/" + name + ".wav", "--block", "random", "--tail", "0",
                       "--midi", midi, "--log-automation"})
                  .out;
        succeed({"render", module, examplePath(), dir + "/" + name + ".still.wav", "--tail", "0"});
    }
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    const Audio vst2 = readAudio(dir + "/vst2.wav"), vst3 = readAudio(dir + "/vst3.wav");
    EXPECT_EQ(difference(vst2, vst3).first, 0u);
    EXPECT_EQ(difference(vst2, readAudio(dir + "/vst2.still.wav")).second, 44100) << "first frame moved by the controller";
    EXPECT_EQ(log, "automate 0 0.157480314 not-recorded at 44100\nautomate 0 0.787401557 not-recorded at 88200\n");
}

// A state saved by one instance, loaded into the next and saved again: the same bytes,
// through streams of any size, and the same sound as the changes made directly.
TEST(Vst3State, AStateMovesToAnotherInstanceWhole) {
    const std::string dir = scratchDir("vst3-state");
    const std::vector<std::string> changes = {"--program", "5", "--set", "Master=0.3", "--set", "40=0.7", "--set", "39=0.9"};
    std::vector<std::string> save = {"info", vst3Path(), "--save-state", dir + "/first.state"};
    save.insert(save.end(), changes.begin(), changes.end());
    succeed(save);
    std::vector<std::string> direct = {"render", vst3Path(), examplePath(), dir + "/direct.wav", "--tail", "1"};
    direct.insert(direct.end(), changes.begin(), changes.end());
    succeed(direct);
    succeed({"render", vst3Path(), examplePath(), dir + "/loaded.wav", "--tail", "1", "--state", dir + "/first.state",
             "--stream-bytes", "7", "--save-state", dir + "/second.state"});
    succeed({"info", vst3Path(), "--state", dir + "/second.state", "--stream-bytes", "1", "--save-state",
             dir + "/third.state"});
    const Bytes first = readBytes(dir + "/first.state");
    EXPECT_EQ(first.size(), 16u + 32664u);
    EXPECT_EQ(readBytes(dir + "/second.state"), first);
    EXPECT_EQ(readBytes(dir + "/third.state"), first);
    const Audio loaded = readAudio(dir + "/loaded.wav");
    EXPECT_EQ(difference(readAudio(dir + "/direct.wav"), loaded).first, 0u);
    EXPECT_GT(loaded.rms(), 0.001);
    // A state of another kind is refused, and zkhost says so.
    const std::string foreign = writeBytes(dir, "foreign.state", Bytes(100, 7));
    expectFailure(runZkhost({"info", vst3Path(), "--state", foreign}), 3, "refused the state");
}

// zkhost takes a .vst3 folder as a VST3 bundle (not as LV2), finds the module for this
// system inside it, and says which file it misses in a bundle without one.
TEST(ZkhostVst3, TheBundleOrItsModuleIsHostedAsVst3) {
    const std::string fromBundle = succeed({"info", vst3Path()}).out;
    EXPECT_TRUE(contains(fromBundle, "Format:         VST3")) << fromBundle;
    EXPECT_TRUE(contains(fromBundle, "Parameters:     55 (and 120 hidden)")) << fromBundle;
    const std::string module = vst3Path() + "/Contents/" + ZK_VST3_ARCH + "/Zephyrkettledrome.so";
    EXPECT_EQ(succeed({"info", module}).out, fromBundle);
    const std::string empty = scratchDir("Empty.vst3");
    expectFailure(runZkhost({"info", empty}), 1, "holds no module for this system (" + empty + "/Contents/" + ZK_VST3_ARCH + "/Empty.so)");
}

} // namespace
