// zkhost with an LV2 plug-in: the built bundle through info, its presets and lilv state
// files. How it sounds, changes at frames included, the conformance suite holds to the
// VST 2 module's.

#include "tests/zkhost/FormatChecks.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace zkhosttest;

namespace {

std::string bundle() { return ZK_LV2_BUNDLE; }

std::vector<std::string> renderArgs(const std::string& module, const std::string& out,
                                    const std::vector<std::string>& options) {
    return withOptions({"render", module, examplePath(), out, "--tail", "0.5"}, options);
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
