// zkhost as a user runs it: the binary against our plug-in, third-party plug-ins and
// hostile files, checking exit codes, messages, audio files and saved state.

#include "tests/zkhost/FormatChecks.h"
#include "tests/zkhost/TestTools.h"
#include "tools/zkhost/WavFile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>

using namespace zkhosttest;

namespace {

constexpr size_t kChunk = 160; // our bank's chunk, after the 156-byte header and the chunk size
constexpr size_t kChunkSize = 32664, kProgram0 = kChunk + 1944; // 36-byte bindings, then 240-byte programs

std::vector<std::string> renderArgs(const std::string& out, const std::vector<std::string>& options = {}) {
    return withOptions({"render", modulePath(), examplePath(), out}, options);
}
void putLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
// Binds a parameter of our bank to a controller.
void bindController(Bytes& bank, size_t parameter, uint32_t controller) { putLe32(bank, kChunk + 36 * parameter + 8, controller); }

// The values of "parameters" and the names of "programs" in info --json, in index order.
std::vector<std::string> matches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}
std::vector<std::string> jsonValues(const std::string& json) { return matches(json, "\"value\": ([^}]+)\\}"); }
std::vector<std::string> jsonPrograms(const std::string& json) {
    std::smatch m;
    if (!std::regex_search(json, m, std::regex("\"programs\": \\[([^\\]]*)\\]"))) return {};
    return matches(m[1], "\"((?:[^\"\\\\]|\\\\.)*)\"");
}

// A default bank of our plug-in, as zkhost saves it.
Bytes defaultBank(const std::string& dir) {
    succeed({"info", modulePath(), "--save-fxb", dir + "/default.fxb"});
    return readBytes(dir + "/default.fxb");
}

} // namespace

// ---- errors

TEST(ZkhostErrors, EachFailureHasItsExitCodeAndMessage) {
    std::string dir = scratchDir("errors"), out = dir + "/o.wav";
    std::string text = writeBytes(dir, "text.so", {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    std::string garbage = writeBytes(dir, "garbage.wav", Bytes(300, 'z'));
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"info", dir + "/missing.so"}, 1, "cannot load module"},
        {{"info", text}, 1, "cannot load module"},
        {{"info", ZK_NO_ENTRY_MODULE}, 1, "is not a VST 2 module"},
        {{"bench", ZK_NO_ENTRY_MODULE, "--seconds", "0.1"}, 1, "is not a VST 2 module"},
        {{"info", ZK_NULL_ENTRY_MODULE}, 1, "returned no effect"},
        {{"render", ZK_NULL_ENTRY_MODULE, examplePath(), out}, 1, "returned no effect"},
        {{"render", modulePath(), dir + "/missing.wav", out}, 1, "cannot read input"},
        {{"render", modulePath(), garbage, out}, 1, "cannot read input"},
        {renderArgs(dir + "/o.mp9"), 2, "unknown extension"},
        {renderArgs(dir + "/o.flac", {"--format", "float"}), 2, "FLAC"},
        {{"bench", modulePath(), "--block", "0"}, 2, "--block"},
        {{"panel", modulePath(), "--send-cc", "128=1"}, 2, "--send-cc"},
        {{"panel", modulePath(), "--send-cc", "20"}, 2, "--send-cc"},
        {{"info"}, 2, "MODULE"},
        {{}, 2, "subcommand"},
        {renderArgs(out, {"--automate", dir + "/none.csv"}), 3, "cannot open"},
        {{"info", modulePath(), "--fxb", dir + "/missing.fxb"}, 3, "cannot open"},
        // Each format refuses the others' options; a module that exports clap_entry is taken
        // for CLAP, and one without a factory refused.
        {{"info", testClapPath(), "--fxb", dir + "/x.fxb"}, 2, "--fxb is for VST 2 modules"},
        {{"info", testClapPath(), "--save-fxp", dir + "/x.fxp"}, 2, "--save-fxp is for VST 2 modules"},
        {{"info", testClapPath(), "--program-name", "x"}, 2, "--program-name is for VST 2 modules"},
        {{"info", testClapPath(), "--stream-bytes", "-1"}, 2, "--stream-bytes must be"},
        {{"render", testClapPath(), examplePath(), out, "--accumulate"}, 2,
         "--accumulate: a CLAP plug-in has no accumulating process call"},
        {{"info", modulePath(), "--state", dir + "/x.state"}, 2, "are for CLAP modules"},
        {{"info", modulePath(), "--save-state", dir + "/x.state"}, 2, "are for CLAP modules"},
        {{"panel", modulePath(), "--scale", "5"}, 2, "--scale must be 1 to 4"},
        {{"info", ZK_NO_FACTORY_MODULE}, 1, "has no CLAP plug-in factory"},
    };
    for (const auto& [args, code, message] : cases) {
        SCOPED_TRACE(message);
        expectFailure(runZkhost(args), code, message);
    }
    const std::vector<std::pair<std::vector<std::string>, std::string>> badOptions = {
        {{"--block", "0"}, "--block"},       {{"--block", "sometimes"}, "--block"}, {{"--block", "12.5"}, "--block"},
        {{"--tail", "-1"}, "--tail"},        {{"--tail", "soon"}, "--tail"},        {{"--format", "pcm8"}, "--format"},
        {{"--program", "128"}, "--program"}, {{"--program", "-3"}, "--program"},    {{"--bogus"}, "bogus"},
        {{"--set", "Master=1.5"}, "normalised"},  {{"--set", "Master=loud"}, "not a number"},
        {{"--set", "54=0.5"}, "out of range"},    {{"--set", "Master"}, "NAME_OR_INDEX=VALUE"},
        {{"--set", "Nonexistent=0.5"}, "unknown parameter name 'Nonexistent'"},
        {{"--set", "FMbutton=1"}, "ambiguous"},
    };
    for (const auto& [options, message] : badOptions) {
        SCOPED_TRACE(options.back());
        expectFailure(runZkhost(renderArgs(out, options)), 2, message);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(ZkhostErrors, HostileStateAndMidiFiles) {
    std::string dir = scratchDir("hostile");
    succeed({"info", modulePath(), "--save-fxp", dir + "/good.fxp"});
    Bytes preset = readBytes(dir + "/good.fxp"), bank = defaultBank(dir);
    Bytes wrongFxp = preset, hugeFxb = bank, hugeParams = preset, foreign = preset;
    wrongFxp[8] = 'Q';
    for (size_t i = 0; i < 4; ++i) hugeFxb[156 + i] = hugeParams[24 + i] = 0x7F; // chunk size, parameter count
    std::memcpy(&hugeParams[8], "FxCk", 4);
    foreign[16] ^= 0x55; // plug-in ID
    Bytes midi = smf(0, 96, {smfTrack({{0, {0xB0, 7, 1}}, {96, {0xB0, 7, 2}}})}), wrongMidi = midi, hugeTracks = midi;
    wrongMidi[1] = 'X';
    hugeTracks[10] = hugeTracks[11] = 0xFF;

    const std::vector<std::tuple<std::string, Bytes, std::string>> cases = {
        {"--fxp", Bytes(preset.begin(), preset.begin() + 100), "truncated"},
        {"--fxb", Bytes(bank.begin(), bank.begin() + 5000), "truncated"},
        {"--fxp", wrongFxp, "wrong magic"},       {"--fxb", preset, "wrong magic"},
        {"--fxb", hugeFxb, "truncated"},          {"--fxp", hugeParams, "truncated"},
        {"--fxp", foreign, "belongs to plug-in"}, {"--fxp", {}, "truncated"},
        {"--midi", Bytes(midi.begin(), midi.end() - 6), "truncated"},
        {"--midi", wrongMidi, "wrong magic"},     {"--midi", hugeTracks, "declares 65535 tracks"},
    };
    int n = 0;
    for (const auto& [option, bytes, message] : cases) {
        SCOPED_TRACE(option + " case " + std::to_string(n));
        std::string path = writeBytes(dir, "case" + std::to_string(n++), bytes);
        expectFailure(runZkhost(renderArgs(dir + "/o.wav", {option, path})), 3, message);
    }
}

// ---- rendering our plug-in

// VST 2 hosts take the factory set as a bank: its programs are the presets zkhost lists.
TEST(ZkhostPresets, TheFactoryBankGivesTheProgramsTheirNamesAndSounds) {
    zkhosttest::expectFactorySetAsThroughVst2(modulePath(), {"--fxb", std::string(ZK_PRESETS_DIR) + "/factory.fxb"});
}

TEST(ZkhostRender, OutputHasTheInputRateLengthPlusTailAndSound) {
    std::string dir = scratchDir("render");
    Audio input = readAudio(examplePath());
    RunResult r = succeed(renderArgs(dir + "/o.wav"));
    EXPECT_TRUE(r.err.empty()) << "stderr is not a terminal, so no progress: " << r.err;
    Audio out = readAudio(dir + "/o.wav");
    EXPECT_EQ(out.rate, input.rate);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.frames, input.frames + 2 * input.rate);
    EXPECT_EQ(out.subtype, SF_FORMAT_FLOAT);
    EXPECT_GT(out.rms(), 1e-4);

    succeed(renderArgs(dir + "/p.wav", {"--tail", "0.5", "--format", "pcm16"}));
    Audio pcm = readAudio(dir + "/p.wav");
    EXPECT_EQ(pcm.subtype, SF_FORMAT_PCM_16);
    EXPECT_EQ(pcm.frames, input.frames + input.rate / 2);
}

TEST(ZkhostRender, HowTheHostFeedsThePlugInDoesNotShow) {
    // Mono input equals the same signal on both channels; the plug-in works frame by frame,
    // so how the host cuts and calls must not show either.
    std::string dir = scratchDir("feeding");
    Audio mono = readAudio(examplePath());
    ASSERT_EQ(mono.channels, 1);
    std::vector<float> stereo;
    for (float s : mono.samples) stereo.insert(stereo.end(), {s, s});
    zkhost::WavWriter file(dir + "/stereo.wav", zkhost::WavSampleFormat::float32, mono.rate, 2);
    file.write(stereo.data(), mono.frames);
    file.close();

    succeed(renderArgs(dir + "/a.wav", {"--tail", "0.3"}));
    succeed({"render", modulePath(), dir + "/stereo.wav", dir + "/b.wav", "--tail", "0.3"});
    succeed(renderArgs(dir + "/c.wav", {"--tail", "0.3", "--block", "random"}));
    succeed(renderArgs(dir + "/d.wav", {"--tail", "0.3", "--block", "77", "--accumulate"}));
    Audio a = readAudio(dir + "/a.wav");
    ASSERT_GT(a.rms(), 1e-4);
    for (const char* other : {"b", "c", "d"})
        EXPECT_EQ(a.samples, readAudio(dir + "/" + other + ".wav").samples) << other;
}

TEST(ZkhostRender, AutomationActsAtTheBlockHoldingItsTime) {
    // Master at 0 mutes the mix (Dry is 0), so the change shows where it landed.
    std::string dir = scratchDir("automate"), text = "seconds,parameter,value\n1.0,Master,0\n";
    std::string csv = writeBytes(dir, "a.csv", Bytes(text.begin(), text.end()));
    succeed(renderArgs(dir + "/o.wav", {"--automate", csv, "--block", "512", "--tail", "0"}));
    Audio out = readAudio(dir + "/o.wav");
    const int64_t blockStart = (out.rate / 512) * 512; // the block that holds frame 1.0 s
    EXPECT_GT(out.peak(0, blockStart), 1e-3);
    EXPECT_EQ(out.peak(blockStart + 512, out.frames), 0.0);
}

// ---- state: banks, presets, MIDI bindings

TEST(ZkhostState, BankRestoresValuesNamesAndBindings) {
    std::string dir = scratchDir("bank");
    Bytes bank = defaultBank(dir);
    ASSERT_EQ(bank.size(), kChunk + kChunkSize);
    // Every value of program 0, a few names and bindings, changed in the chunk itself.
    for (size_t i = 0; i < 54; ++i) {
        const float value = float(i + 1) / 64.0f;
        std::memcpy(&bank[kProgram0 + 24 + 4 * i], &value, 4);
    }
    const char* names[] = {"Vocoder voice", "Drum bass", "FM texture"};
    for (size_t p = 0; p < 3; ++p) {
        std::memset(&bank[kProgram0 + 240 * p * 7], 0, 24);
        std::memcpy(&bank[kProgram0 + 240 * p * 7], names[p], std::strlen(names[p]));
    }
    bindController(bank, 0, 7);
    bindController(bank, 41, 7);
    bindController(bank, 13, 74);
    std::string edited = writeBytes(dir, "edited.fxb", bank);

    RunResult first = succeed({"info", modulePath(), "--json", "--fxb", edited, "--save-fxb", dir + "/resaved.fxb"});
    Bytes resaved = readBytes(dir + "/resaved.fxb");
    ASSERT_EQ(resaved.size(), bank.size());
    EXPECT_TRUE(std::equal(bank.begin() + kChunk, bank.end(), resaved.begin() + kChunk)) << "chunk bytes differ";
    std::vector<std::string> programs = jsonPrograms(first.out), values = jsonValues(first.out);
    ASSERT_EQ(programs.size(), 128u);
    EXPECT_EQ(std::vector<std::string>({programs[0], programs[1], programs[7], programs[14]}),
              std::vector<std::string>({names[0], "Init", names[1], names[2]}));
    ASSERT_EQ(values.size(), 54u);
    for (size_t i = 0; i < 54; ++i) EXPECT_FLOAT_EQ(std::stof(values[i]), float(i + 1) / 64.0f) << i;

    // A second instance loading the bank zkhost saved is the same again, and not the default.
    EXPECT_EQ(succeed({"info", modulePath(), "--json", "--fxb", dir + "/resaved.fxb"}).out, first.out);
    EXPECT_NE(succeed({"info", modulePath(), "--json"}).out, first.out);
}

TEST(ZkhostState, PresetCarriesTheCurrentProgram) {
    std::string dir = scratchDir("preset");
    RunResult saved = succeed({"info", modulePath(), "--json", "--program", "9", "--set", "Master=0.125", "--set",
                               "40=0.75", "--save-fxp", dir + "/p.fxp"});
    RunResult loaded = succeed({"info", modulePath(), "--json", "--fxp", dir + "/p.fxp", "--save-fxp", dir + "/q.fxp"});
    std::vector<std::string> values = jsonValues(loaded.out);
    EXPECT_EQ(values, jsonValues(saved.out));
    ASSERT_EQ(values.size(), 54u);
    EXPECT_FLOAT_EQ(std::stof(values[0]), 0.125f);
    EXPECT_FLOAT_EQ(std::stof(values[40]), 0.75f);
    EXPECT_EQ(readBytes(dir + "/q.fxp"), readBytes(dir + "/p.fxp"));
}

TEST(ZkhostState, BoundControllerInAMidiFileActsAtItsFrame) {
    std::string dir = scratchDir("midi");
    Bytes bank = defaultBank(dir);
    bindController(bank, 0, 7); // Master follows controller 7
    std::string bankPath = writeBytes(dir, "bound.fxb", bank);
    // 150 bpm for one quarter, then 60 bpm; Control Change 7 to 0 on channel 3 at tick 720.
    std::string midiPath = writeBytes(dir, "cc.mid", smf(1, 480, {smfTrack({{0, tempoEvent(400000)}, {480, tempoEvent(1000000)}}),
                                                                 smfTrack({{720, {0xB2, 7, 0}}, {0, {0x92, 60, 100}}})}));
    Audio input = readAudio(examplePath());
    const auto frame = int64_t(std::llround((0.4 + 0.5) * input.rate));
    succeed(renderArgs(dir + "/midi.wav", {"--fxb", bankPath, "--midi", midiPath, "--block", "500", "--tail", "0.5",
                                           "--save-fxb", dir + "/after.fxb"}));
    Audio rendered = readAudio(dir + "/midi.wav");
    float master;
    std::memcpy(&master, &readBytes(dir + "/after.fxb")[kProgram0 + 24], 4);
    EXPECT_EQ(master, 0.0f) << "the controller reached Master";
    // Sound up to the frame before the change, silence from its frame on: neither early nor late.
    EXPECT_GT(rendered.peak(0, frame), 1e-3);
    EXPECT_NE(rendered.at(frame - 1, 0), 0.0f);
    EXPECT_EQ(rendered.peak(frame, rendered.frames), 0.0);
}

// ---- third-party plug-ins

namespace {
struct ThirdParty {
    const char *path, *package, *parameter; // the parameter index set in the round trip
};
void PrintTo(const ThirdParty& p, std::ostream* os) { *os << p.path; }
class ZkhostThirdParty : public ::testing::TestWithParam<ThirdParty> {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(GetParam().path))
            GTEST_SKIP() << GetParam().path << " is missing: install the Debian package " << GetParam().package;
        // In the sanitizer build zkhost checks for leaks at exit; a foreign plug-in's own
        // leaks are not ours to find.
        const char* options = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(options ? options : "") + ":detect_leaks=0").c_str(), 1);
    }
};
} // namespace

TEST_P(ZkhostThirdParty, InfoRenderAndStateRoundTrip) {
    const ThirdParty& p = GetParam();
    std::string dir = scratchDir(std::filesystem::path(p.path).stem().string());
    RunResult info = succeed({"info", p.path, "--json"});
    EXPECT_TRUE(contains(info.out, "\"uniqueId\": ")) << info.out;

    Audio input = readAudio(examplePath());
    succeed({"render", p.path, examplePath(), dir + "/o.wav", "--tail", "1", "--block", "random"});
    Audio out = readAudio(dir + "/o.wav");
    EXPECT_EQ(out.rate, input.rate);
    EXPECT_EQ(out.frames, input.frames + input.rate);
    EXPECT_GT(out.rms(), 1e-4);

    RunResult saved = succeed({"info", p.path, "--json", "--set", std::string(p.parameter) + "=0.25", "--save-fxp",
                               dir + "/a.fxp", "--save-fxb", dir + "/a.fxb"});
    ASSERT_FALSE(jsonValues(info.out).empty());
    EXPECT_NE(jsonValues(saved.out), jsonValues(info.out)) << "--set changed nothing";
    for (std::string kind : {"fxp", "fxb"}) {
        std::string a = dir + "/a." + kind, b = dir + "/b." + kind;
        RunResult loaded = succeed({"info", p.path, "--json", "--" + kind, a, "--save-" + kind, b});
        EXPECT_EQ(jsonValues(loaded.out), jsonValues(saved.out)) << kind;
        EXPECT_EQ(readBytes(b), readBytes(a)) << kind;
    }
    // Our plug-in's bank is not theirs.
    expectFailure(runZkhost({"info", modulePath(), "--fxb", dir + "/a.fxb"}), 3, "belongs to plug-in");
}

INSTANTIATE_TEST_SUITE_P(Debian, ZkhostThirdParty,
                         ::testing::Values(ThirdParty{"/usr/lib/vst/MVerb-vst.so", "dpf-plugins-vst", "0"},
                                           ThirdParty{"/usr/lib/vst/3BandEQ-vst.so", "dpf-plugins-vst", "1"},
                                           ThirdParty{"/usr/lib/vst/lsp-plugins/compressor-stereo.so",
                                                      "lsp-plugins-vst", "1"}),
                         [](const auto& info) {
                             std::string name = std::filesystem::path(info.param.path).stem().string();
                             for (char& c : name) c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
