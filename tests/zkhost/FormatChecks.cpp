#include "tests/zkhost/FormatChecks.h"

#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>

namespace zkhosttest {

namespace {

// Samples that differ between two renders, and the frame of the first of them (-1 for none).
std::pair<size_t, int64_t> difference(const Audio& a, const Audio& b) {
    EXPECT_EQ(a.samples.size(), b.samples.size());
    size_t count = 0;
    int64_t first = -1;
    for (size_t i = 0; i < std::min(a.samples.size(), b.samples.size()); ++i)
        if (a.samples[i] != b.samples[i]) {
            if (first < 0) first = static_cast<int64_t>(i) / std::max(a.channels, 1);
            ++count;
        }
    return {count, first};
}

// A reference scenario's changes as zkhost automation (written into `dir`): "set" lines at
// frame 0, "at FRAME set" lines at their frame's time.
std::string automationOf(const std::string& scenario, const std::string& dir) {
    std::ifstream in(scenario);
    std::string csv = "seconds,parameter,value\n", word, index, value;
    double rate = 0.0, frame = 0.0;
    while (in >> word) {
        if (word == "rate") in >> rate;
        else if (word == "at" && in >> frame >> word && word == "set" && in >> index >> value && rate > 0.0) {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.17g", frame / rate);
            csv += std::string(seconds) + "," + index + "," + value + "\n";
        } else if (word == "set" && in >> index >> value) csv += "0," + index + "," + value + "\n";
        else std::getline(in, word); // comments
    }
    return writeBytes(dir, "changes.csv", Bytes(csv.begin(), csv.end()));
}

} // namespace

void expectReferenceScenarioAsThroughVst2(const std::string& module, const std::string& referenceDir,
                                          const std::string& scenario, const std::string& block) {
    const std::string dir = scratchDir("reference-" + scenario + "-" + block);
    const std::string base = referenceDir + "/" + scenario;
    const std::string changes = automationOf(base + ".scenario", dir);
    for (const auto& [path, name] : {std::pair{modulePath(), "vst2"}, std::pair{module, "other"}})
        succeed({"render", path, base + ".input.wav", dir + "/" + name + ".wav", "--block", block, "--tail", "0",
                 "--automate", changes});
    const Audio vst2 = readAudio(dir + "/vst2.wav"), other = readAudio(dir + "/other.wav");
    const Audio expected = readAudio(base + ".expected.wav");
    EXPECT_EQ(difference(vst2, other).first, 0u) << "bit-exact with the VST 2 module";
    const auto [differing, first] = difference(expected, other);
    EXPECT_EQ(differing, difference(expected, vst2).first);
    double worst = 0.0;
    for (size_t i = 0; i < std::min(other.samples.size(), expected.samples.size()); ++i)
        worst = std::max(worst, std::fabs(double(expected.samples[i]) - other.samples[i]));
    EXPECT_TRUE(std::all_of(other.samples.begin(), other.samples.end(), [](float s) { return std::isfinite(s); }));
    std::cout << scenario << ", blocks " << block << ": " << differing << " samples differ from the expected render, by "
              << worst << " at most\n";
    EXPECT_LT(worst, 1e-29);
}

void expectLearnedControllerAsThroughVst2(const std::string& module) {
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
    for (const auto& [path, name] : {std::pair{modulePath(), "vst2"}, std::pair{module, "other"}}) {
        log = succeed({"render", path, examplePath(), dir + "/" + name + ".wav", "--block", "random", "--tail", "0",
                       "--midi", midi, "--log-automation"})
                  .out;
        succeed({"render", path, examplePath(), dir + "/" + name + ".still.wav", "--tail", "0"});
    }
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    const Audio vst2 = readAudio(dir + "/vst2.wav"), other = readAudio(dir + "/other.wav");
    EXPECT_EQ(difference(vst2, other).first, 0u);
    EXPECT_EQ(difference(vst2, readAudio(dir + "/vst2.still.wav")).second, 44100) << "first frame moved by the controller";
    EXPECT_EQ(log, "automate 0 0.157480314 not-recorded at 44100\nautomate 0 0.787401557 not-recorded at 88200\n");
}

void expectStateMovesWhole(const std::string& module, size_t stateSize) {
    const std::string dir = scratchDir("state");
    const std::vector<std::string> changes = {"--program", "5", "--set", "Master=0.3", "--set", "40=0.7", "--set", "39=0.9"};
    succeed(withOptions({"info", module, "--save-state", dir + "/first.state"}, changes));
    succeed(withOptions({"render", module, examplePath(), dir + "/direct.wav", "--tail", "1"}, changes));
    const RunResult load = succeed({"render", module, examplePath(), dir + "/loaded.wav", "--tail", "1", "--state",
                                    dir + "/first.state", "--stream-bytes", "7", "--save-state", dir + "/second.state"});
    EXPECT_FALSE(contains(load.err, "misbehaving")) << load.err;
    succeed({"info", module, "--state", dir + "/second.state", "--stream-bytes", "1", "--save-state", dir + "/third.state"});
    const Bytes first = readBytes(dir + "/first.state");
    EXPECT_EQ(first.size(), stateSize);
    EXPECT_EQ(readBytes(dir + "/second.state"), first);
    EXPECT_EQ(readBytes(dir + "/third.state"), first);
    const Audio loaded = readAudio(dir + "/loaded.wav");
    EXPECT_EQ(difference(readAudio(dir + "/direct.wav"), loaded).first, 0u);
    EXPECT_GT(loaded.rms(), 0.001);
    // A state of another kind is refused, and zkhost says so.
    const std::string foreign = writeBytes(dir, "foreign.state", Bytes(100, 7));
    expectFailure(runZkhost({"info", module, "--state", foreign}), 3, "refused the state");
}

void expectSilenceHonouredToTheSameBits(const std::string& module, const std::string& referenceDir, const std::string& what) {
    const std::string dir = scratchDir("silence");
    const std::string input = referenceDir + "/default-speech-44k.input.wav";
    // A change in the silence after the input: events still reach a sleeping plug-in.
    std::ofstream(dir + "/changes.csv") << "9.5,39,0.7\n";
    succeed({"render", module, input, dir + "/plain.wav", "--tail", "3", "--automate", dir + "/changes.csv"});
    const RunResult honoured = succeed({"render", module, input, dir + "/honoured.wav", "--tail", "3", "--automate",
                                        dir + "/changes.csv", "--honour-silence"});
    EXPECT_EQ(difference(readAudio(dir + "/plain.wav"), readAudio(dir + "/honoured.wav")).first, 0u);
    const size_t at = honoured.err.find("silence honoured: ");
    ASSERT_NE(at, std::string::npos) << honoured.err;
    const std::string counts = honoured.err.substr(at);
    const std::string count = what == "blocks not processed" ? counts.substr(18, counts.find(' ', 18) - 18)
                                                              : counts.substr(counts.find(", ") + 2);
    EXPECT_GT(std::atoi(count.c_str()), 10) << counts << " (" << what << ")";
}

void expectFactorySetAsThroughVst2(const std::string& module, const std::vector<std::string>& stateOptions) {
    const std::string listed = succeed(withOptions({"presets", module}, stateOptions)).out;
    std::ifstream table(std::string(ZK_PRESETS_DIR) + "/factory.txt");
    std::string row;
    int count = 0;
    while (std::getline(table, row)) {
        const std::string name = row.substr(row.find('|') + 1, row.rfind('|') - row.find('|') - 1);
        EXPECT_TRUE(contains(listed, "\n" + name) || listed.rfind(name, 0) == 0) << name << " in\n" << listed;
        ++count;
    }
    EXPECT_EQ(count, 16);
    const std::string dir = scratchDir("factory-set");
    for (const auto& [name, file] : {std::pair{"Voice Chord", "05-voice-chord.fxp"}, std::pair{"FM Bells", "09-fm-bells.fxp"}}) {
        succeed({"render", modulePath(), examplePath(), dir + "/vst2.wav", "--tail", "1", "--fxp",
                 std::string(ZK_PRESETS_DIR) + "/" + file});
        const std::vector<std::string> render = {"render", module,  examplePath(), dir + "/other.wav",
                                                 "--tail", "1",     "--preset",    name};
        succeed(withOptions(render, stateOptions));
        EXPECT_EQ(difference(readAudio(dir + "/vst2.wav"), readAudio(dir + "/other.wav")).first, 0u) << name;
    }
    expectFailure(runZkhost({"render", module, examplePath(), dir + "/none.wav", "--preset", "No Such Sound"}), 2, "--preset");
}

} // namespace zkhosttest
