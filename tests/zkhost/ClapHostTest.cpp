// zkhost with a CLAP module: the tests' own gain plug-in through info, render, state files,
// MIDI files and automation, and what it reports back. The plug-in multiplies by Gain (0..4)
// and by -1 when Invert is on, so every render is checked against the input frame by frame.

#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

using namespace zkhosttest;

namespace {

constexpr int kRate = 44100; // the example input's

// A run of the CLAP plug-in that must succeed, with no complaint of either side.
RunResult succeedClap(const std::vector<std::string>& args) {
    RunResult r = succeed(args);
    EXPECT_FALSE(contains(r.err, "misbehaving")) << r.err;
    return r;
}

std::vector<std::string> renderArgs(const std::string& out, const std::vector<std::string>& options = {}) {
    return withOptions({"render", testClapPath(), examplePath(), out, "--tail", "0"}, options);
}

// Every frame of a stereo render is the mono input times the factor the frame falls under.
void expectScaledInput(const Audio& out, const Audio& in, const std::vector<std::pair<int64_t, float>>& factorFrom) {
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.frames, in.frames);
    size_t wrong = 0;
    int64_t firstWrong = -1;
    for (int64_t f = 0; f < out.frames; ++f) {
        float factor = 1.0f;
        for (const auto& [from, value] : factorFrom)
            if (f >= from) factor = value;
        const float expected = in.at(f, 0) * factor;
        if (out.at(f, 0) != expected || out.at(f, 1) != expected) {
            if (firstWrong < 0) firstWrong = f;
            ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0u) << "first wrong frame " << firstWrong;
}

} // namespace

TEST(ZkhostClap, InfoTellsWhatThePlugInOffers) {
    RunResult text = succeedClap({"info", testClapPath()});
    for (const char* line : {"Format:         CLAP 1.2.2\n", "ID:             org.zephyrkettledrome.zkhost-test-gain\n",
                             "Features:       audio-effect stereo utility\n", "Inputs:         2\nOutputs:        2\n",
                             "Audio inputs:   1\n  0: Main in (id 0): 2 channels, stereo, main, in place with output 0\n",
                             "Note inputs:    1\n  0: MIDI in (id 0): clap, midi, prefers midi\n", "Note outputs:   0\n",
                             "Latency:        0 frames at 44100 Hz\n", "Tail:           0 frames at 44100 Hz\n",
                             "Parameters:     2\n  0: Gain = 1.000 x\n  1: Invert = off\n"})
        EXPECT_TRUE(contains(text.out, line)) << line << "\nin:\n" << text.out;
    // Values on the command line are normalised: 0.5 of 0..4 is 2.
    RunResult set = succeedClap({"info", testClapPath(), "--set", "Gain=0.5", "--set", "1=1"});
    EXPECT_TRUE(contains(set.out, "  0: Gain = 2.000 x\n  1: Invert = on\n")) << set.out;

    RunResult json = succeedClap({"info", testClapPath(), "--json", "--set", "Gain=0.25"});
    for (const char* part : {"\"format\": \"CLAP\"", "\"features\": [\"audio-effect\", \"stereo\", \"utility\"]",
                             "\"noteInputs\": [{\"id\": 0, \"name\": \"MIDI in\", \"dialects\": [\"clap\", \"midi\"], "
                             "\"preferred\": \"midi\"}]",
                             "{\"index\": 0, \"id\": 10, \"name\": \"Gain\", \"module\": \"Output\", \"flags\": "
                             "[\"automatable\"], \"min\": 0, \"max\": 4, \"default\": 1, \"display\": \"1.000 x\", "
                             "\"value\": 1}",
                             "{\"index\": 1, \"id\": 20, \"name\": \"Invert\", \"module\": \"Output\", \"flags\": "
                             "[\"stepped\", \"automatable\"]"})
        EXPECT_TRUE(contains(json.out, part)) << part << "\nin:\n" << json.out;
}

TEST(ZkhostClap, RenderPassesEveryFrameThroughTheGain) {
    std::string dir = scratchDir("clap-render");
    Audio input = readAudio(examplePath());
    succeedClap(renderArgs(dir + "/unity.wav"));
    expectScaledInput(readAudio(dir + "/unity.wav"), input, {});
    succeedClap(renderArgs(dir + "/double.wav", {"--set", "Gain=0.5", "--block", "random"}));
    expectScaledInput(readAudio(dir + "/double.wav"), input, {{0, 2.0f}});
    succeedClap(renderArgs(dir + "/inverted.wav", {"--set", "Invert=1", "--block", "1"}));
    expectScaledInput(readAudio(dir + "/inverted.wav"), input, {{0, -1.0f}});
}

TEST(ZkhostClap, AutomationArrivesAsEventsAtItsFrames) {
    // Not at block boundaries, as for VST 2: the changes fall inside blocks of 512 and 1000.
    std::string dir = scratchDir("clap-automate"), text = "seconds,parameter,value\n1.0,Gain,0.125\n2.5,Invert,1\n";
    std::string csv = writeBytes(dir, "a.csv", Bytes(text.begin(), text.end()));
    Audio input = readAudio(examplePath());
    const std::vector<std::pair<int64_t, float>> expected = {{kRate, 0.5f}, {kRate * 5 / 2, -0.5f}};
    for (const char* block : {"512", "1000", "random"}) {
        SCOPED_TRACE(block);
        const std::string out = dir + "/o" + block + ".wav";
        RunResult r = succeedClap(renderArgs(out, {"--automate", csv, "--block", block, "--log-automation"}));
        expectScaledInput(readAudio(out), input, expected);
        EXPECT_EQ(r.out, "") << "host changes are not reported back";
    }
}

TEST(ZkhostClap, MidiFileEventsArriveAtTheirFramesAndTheirEffectsAreReported) {
    // 150 bpm for one quarter, then 60 bpm: Control Change 7 (Gain) at tick 720 = 0.9 s,
    // Program Change 1 (Invert on) at tick 1200 = 1.9 s; a note on the way is passed and ignored.
    std::string dir = scratchDir("clap-midi");
    std::string midi = writeBytes(dir, "cc.mid", smf(1, 480, {smfTrack({{0, tempoEvent(400000)}, {480, tempoEvent(1000000)}}),
                                                            smfTrack({{720, {0xB2, 7, 127}}, {0, {0x92, 60, 100}},
                                                                      {480, {0xC5, 1}}})}));
    const int64_t ccFrame = std::llround(0.9 * kRate), pcFrame = std::llround(1.9 * kRate);
    Audio input = readAudio(examplePath());
    for (const char* block : {"500", "1", "random"}) {
        SCOPED_TRACE(block);
        const std::string out = dir + "/o" + block + ".wav";
        RunResult r = succeedClap(renderArgs(out, {"--midi", midi, "--block", block, "--log-automation"}));
        expectScaledInput(readAudio(out), input, {{ccFrame, 4.0f}, {pcFrame, -4.0f}});
        // The controller's change reaches the host at its frame, not to be recorded; the
        // program change has the host read every value again.
        EXPECT_EQ(r.out, "automate 0 1 not-recorded at " + std::to_string(ccFrame) + "\nrescan values\n");
    }
}

TEST(ZkhostClap, StateFilesHoldThePlugInsBytesThroughStreamsOfAnyStep) {
    std::string dir = scratchDir("clap-state");
    RunResult saved = succeedClap({"info", testClapPath(), "--json", "--set", "Gain=0.375", "--set", "Invert=1",
                                   "--save-state", dir + "/a.state"});
    const Bytes state = readBytes(dir + "/a.state");
    ASSERT_EQ(state.size(), 24u);
    EXPECT_EQ(std::string(state.begin(), state.begin() + 4), "ZKTG");
    EXPECT_TRUE(contains(saved.err, "state saved in 1 writes")) << saved.err;
    EXPECT_TRUE(contains(saved.out, "\"display\": \"on\"")) << saved.out;

    // Loaded into a new instance, a step of a few bytes or one: the same values, the same
    // bytes, in as many stream calls as the step makes (a read past the end says no more).
    const std::tuple<const char*, const char*, const char*> steps[] = {
        {"0", "1", "2"}, {"5", "5", "6"}, {"1", "24", "25"}};
    for (const auto& [step, writes, reads] : steps) {
        SCOPED_TRACE(step);
        const std::string again = dir + "/b" + step + ".state";
        RunResult loaded = succeedClap({"info", testClapPath(), "--json", "--state", dir + "/a.state", "--save-state",
                                        again, "--stream-bytes", step});
        EXPECT_EQ(loaded.out, saved.out);
        EXPECT_EQ(readBytes(again), state);
        EXPECT_TRUE(contains(loaded.err, std::string("state saved in ") + writes + " writes")) << loaded.err;
        EXPECT_TRUE(contains(loaded.err, std::string("state loaded in ") + reads + " reads")) << loaded.err;
    }
    // The state also sets up a render: Gain 1.5 and inverted.
    succeedClap(renderArgs(dir + "/o.wav", {"--state", dir + "/a.state"}));
    expectScaledInput(readAudio(dir + "/o.wav"), readAudio(examplePath()), {{0, -1.5f}});
}

TEST(ZkhostClap, ProgramOptionIsAProgramChange) {
    RunResult r = succeedClap({"info", testClapPath(), "--program", "3"});
    EXPECT_TRUE(contains(r.out, "  1: Invert = on\n")) << r.out;
    expectFailure(runZkhost({"info", testClapPath(), "--program", "128"}), 2, "a MIDI Program Change selects 0 to 127");
}

TEST(ZkhostClap, BenchMeasuresBothFormatsSideBySide) {
    RunResult r = succeedClap({"bench", testClapPath(), modulePath(), "--seconds", "0.2", "--rate", "48000", "--set",
                               "0=0.5"});
    for (const char* module : {"zkhost_test_gain\\.clap", "Zephyrkettledrome\\.so"}) {
        std::smatch row; // times real time, then ns per frame
        ASSERT_TRUE(std::regex_search(r.out, row, std::regex(std::string(module) + " +([0-9.]+) +([0-9.]+)"))) << r.out;
        EXPECT_GT(std::stod(row[1]), 0.0);
        EXPECT_GT(std::stod(row[2]), 0.0);
    }
}
