// zkhost with an LV2 plug-in: the built bundle through info, render (parameter changes
// splitting blocks, MIDI at its frames, a new instance for a new rate) and lilv state
// files, each render against the VST 2 module's through zkhost, sample for sample.

#include "tests/zkhost/FormatChecks.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace zkhosttest;

namespace {

std::string bundle() { return ZK_LV2_BUNDLE; }

std::vector<std::string> renderArgs(const std::string& module, const std::string& out,
                                    const std::vector<std::string>& options) {
    std::vector<std::string> args = {"render", module, examplePath(), out, "--tail", "0.5"};
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

// The same render through the bundle and through the VST 2 module: the same samples.
void expectSameAsVst2(const std::string& dir, const std::vector<std::string>& lv2Options,
                      const std::vector<std::string>& vst2Options) {
    succeed(renderArgs(bundle(), dir + "/lv2.wav", lv2Options));
    succeed(renderArgs(modulePath(), dir + "/vst2.wav", vst2Options));
    const Audio lv2 = readAudio(dir + "/lv2.wav"), vst2 = readAudio(dir + "/vst2.wav");
    EXPECT_GT(vst2.rms(), 1e-4);
    EXPECT_EQ(lv2.samples, vst2.samples);
}

} // namespace

TEST(ZkhostLv2, InfoTellsThePortsAndParameters) {
    const RunResult text = succeed({"info", bundle()});
    for (const char* line : {"Format:         LV2\n", "URI:            https://zephyrkettledrome.org/plugins/zephyrkettledrome\n",
                             "Name:           Zephyrkettledrome\n", "Inputs:         2\nOutputs:        2\n",
                             "Requires:       none\n", "Ports:          61\n",
                             "  4: master \"Master\", control in, 0 to 1, default 0.9\n",
                             "  58: events_in \"Events In\", events in, MIDI, optional\n",
                             "  59: notify \"Notify\", events out, optional\n",
                             "  60: enabled \"Enabled\", control in, 0 to 1, default 1, the bypass switch, optional\n",
                             "Parameters:     54\n",
                             "  22: Band 2 Sensitivity = 0.9\n"})
        EXPECT_TRUE(contains(text.out, line)) << line << "\n" << text.out;
    const RunResult json = succeed({"info", bundle(), "--json", "--set", "Band 2 Pan=0.25"});
    EXPECT_TRUE(contains(json.out, "{\"index\": 24, \"port\": 28, \"symbol\": \"band2_pan\", \"name\": \"Band 2 Pan\", "
                                   "\"min\": 0, \"max\": 1, \"default\": 0.4, \"value\": 0.25}"))
        << json.out;
    // A folder that is no bundle, and a URI nothing on the LV2 path has.
    expectFailure(runZkhost({"info", scratchDir("empty")}), 1, "no LV2 bundle");
    expectFailure(runZkhost({"info", "urn:nothing:here"}), 1, "no LV2 plug-in urn:nothing:here");
}

// The factory set as the bundle's presets, loaded by name through lilv as hosts load them.
TEST(ZkhostLv2, TheFactorySetIsInTheBundleAndLoadsAsItsFxpDoes) { zkhosttest::expectFactorySetAsThroughVst2(bundle()); }

TEST(ZkhostLv2, ParameterChangesActAtTheirFramesAsInTheVst2Module) {
    const std::string dir = scratchDir("lv2-automation");
    std::ofstream(dir + "/changes.csv") << "0.1,0,0.3\n0.2337,40,0.8\n0.5,13,0.9\n1.01,1,0.5\n";
    // VST 2 automation acts at block boundaries: blocks of one frame put it at its frame.
    for (const char* block : {"512", "random", "1"})
        expectSameAsVst2(dir, {"--block", block, "--automate", dir + "/changes.csv", "--set", "38=0.2"},
                         {"--block", "1", "--automate", dir + "/changes.csv", "--set", "38=0.2"});
}

TEST(ZkhostLv2, MidiActsAtItsFramesAsInTheVst2Module) {
    // Master follows controller 7, as stored for the user; both formats read it when made.
    const std::string dir = scratchDir("lv2-midi");
    std::filesystem::create_directories(dir + "/config/zephyrkettledrome.org/Zephyrkettledrome");
    std::ofstream(dir + "/config/zephyrkettledrome.org/Zephyrkettledrome/settings") << "\"MidiCC-Master\" 8\n";
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    const std::string midi = writeBytes(dir, "cc.mid", smf(0, 480, {smfTrack({{333, {0xB0, 7, 20}}, {500, {0xC0, 3}},
                                                                              {301, {0xB4, 7, 100}}})}));
    expectSameAsVst2(dir, {"--block", "256", "--midi", midi}, {"--block", "64", "--midi", midi});
}

TEST(ZkhostLv2, StateFilesRoundTripAndRestoreTheSound) {
    const std::string dir = scratchDir("lv2-state");
    succeed({"info", bundle(), "--program", "6", "--set", "0=0.4", "--set", "Delay Time=0.75", "--save-state",
             dir + "/first.ttl"});
    succeed({"info", bundle(), "--state", dir + "/first.ttl", "--save-state", dir + "/second.ttl"});
    EXPECT_EQ(readBytes(dir + "/first.ttl"), readBytes(dir + "/second.ttl"));
    succeed(renderArgs(bundle(), dir + "/restored.wav", {"--state", dir + "/first.ttl"}));
    succeed(renderArgs(bundle(), dir + "/direct.wav", {"--program", "6", "--set", "0=0.4", "--set", "Delay Time=0.75"}));
    EXPECT_EQ(readAudio(dir + "/restored.wav").samples, readAudio(dir + "/direct.wav").samples);

    // A state of another version is refused, as is one for another plug-in; VST 2's files are not LV2's.
    std::string text(reinterpret_cast<const char*>(readBytes(dir + "/first.ttl").data()), readBytes(dir + "/first.ttl").size());
    const std::string version = "#stateVersion> \"1\"";
    ASSERT_NE(text.find(version), std::string::npos) << text;
    std::string other = text;
    other.replace(other.find(version), version.size(), "#stateVersion> \"2\"");
    std::ofstream(dir + "/other.ttl") << other;
    expectFailure(runZkhost({"info", bundle(), "--state", dir + "/other.ttl"}), 3, "the plug-in refused the state");
    std::string foreign = text;
    const size_t uri = foreign.find("appliesTo <https://") + 11;
    foreign.replace(uri, foreign.find('>', uri) - uri, "urn:x:y");
    std::ofstream(dir + "/foreign.ttl") << foreign;
    expectFailure(runZkhost({"info", bundle(), "--state", dir + "/foreign.ttl"}), 3, "another plug-in's");
    expectFailure(runZkhost({"info", bundle(), "--fxb", dir + "/first.ttl"}), 2, "--fxb is for VST 2 modules");
}
