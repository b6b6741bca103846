// zkhost as a user runs it: the binary against our plug-in, third-party plug-ins and
// hostile files, checking exit codes, messages, audio files and saved state.

#include "tests/support/LoadedModule.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>

using namespace zkhosttest;

namespace {

constexpr size_t kBankChunkStart = 160; // after the 156-byte bank header and the chunk size
constexpr size_t kBankChunkSize = 32664;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void expectFailure(const RunResult& r, int code, const std::string& message) {
    EXPECT_EQ(r.exitCode, code) << r.err;
    EXPECT_TRUE(contains(r.err, message)) << "stderr: " << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

std::string writeTemp(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = dir + "/" + name;
    writeBytes(path, bytes);
    return path;
}

std::vector<uint8_t> bankChunk(const std::vector<uint8_t>& fxb) {
    EXPECT_GE(fxb.size(), kBankChunkStart + kBankChunkSize);
    return std::vector<uint8_t>(fxb.begin() + kBankChunkStart, fxb.end());
}

void putLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void putFloat(std::vector<uint8_t>& b, size_t at, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    putLe32(b, at, bits);
}

// The values of "parameters" in info --json, in index order.
std::vector<std::string> jsonValues(const std::string& json) {
    std::vector<std::string> values;
    std::regex value("\"value\": ([^}]+)\\}");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), value); it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1]);
    return values;
}
std::vector<std::string> jsonPrograms(const std::string& json) {
    std::smatch m;
    std::vector<std::string> names;
    if (!std::regex_search(json, m, std::regex("\"programs\": \\[([^\\]]*)\\]"))) return names;
    std::string list = m[1];
    std::regex name("\"((?:[^\"\\\\]|\\\\.)*)\"");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), name); it != std::sregex_iterator(); ++it)
        names.push_back((*it)[1]);
    return names;
}

// A default bank of our plug-in, as zkhost saves it.
std::vector<uint8_t> defaultBank(const std::string& dir) {
    std::string path = dir + "/default.fxb";
    RunResult r = runZkhost({"info", modulePath(), "--save-fxb", path});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return readBytes(path);
}

} // namespace

// ---- errors

TEST(ZkhostErrors, ModulesThatCannotBeHosted) {
    std::string dir = scratchDir("modules");
    std::string text = writeTemp(dir, "text.so", {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    expectFailure(runZkhost({"info", dir + "/missing.so"}), 1, "cannot load module");
    expectFailure(runZkhost({"info", text}), 1, "cannot load module");
    expectFailure(runZkhost({"info", ZK_NO_ENTRY_MODULE}), 1, "is not a VST 2 module");
    expectFailure(runZkhost({"info", ZK_NULL_ENTRY_MODULE}), 1, "returned no effect");
    expectFailure(runZkhost({"render", ZK_NULL_ENTRY_MODULE, examplePath(), dir + "/o.wav"}), 1, "returned no effect");
    expectFailure(runZkhost({"bench", ZK_NO_ENTRY_MODULE, "--seconds", "0.1"}), 1, "is not a VST 2 module");
}

TEST(ZkhostErrors, UnreadableInput) {
    std::string dir = scratchDir("inputs");
    std::string garbage = writeTemp(dir, "garbage.wav", std::vector<uint8_t>(300, 'z'));
    expectFailure(runZkhost({"render", modulePath(), dir + "/missing.wav", dir + "/o.wav"}), 1, "cannot read input");
    expectFailure(runZkhost({"render", modulePath(), garbage, dir + "/o.wav"}), 1, "cannot read input");
    EXPECT_FALSE(std::filesystem::exists(dir + "/o.wav"));
}

TEST(ZkhostErrors, BadOptionValues) {
    std::string out = scratchDir("options") + "/o.wav";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--block", "0"}, "--block"},
        {{"--block", "sometimes"}, "--block"},
        {{"--block", "12.5"}, "--block"},
        {{"--tail", "-1"}, "--tail"},
        {{"--tail", "soon"}, "--tail"},
        {{"--format", "pcm8"}, "--format"},
        {{"--program", "128"}, "--program"},
        {{"--program", "-3"}, "--program"},
        {{"--set", "Master=1.5"}, "normalised"},
        {{"--set", "Master=loud"}, "not a number"},
        {{"--set", "54=0.5"}, "out of range"},
        {{"--set", "Master"}, "NAME_OR_INDEX=VALUE"},
        {{"--set", "Nonexistent=0.5"}, "unknown parameter name 'Nonexistent'"},
        {{"--set", "FMbutton=1"}, "ambiguous"},
        {{"--bogus"}, "bogus"},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> args = {"render", modulePath(), examplePath(), out};
        args.insert(args.end(), options.begin(), options.end());
        SCOPED_TRACE(options.front() + (options.size() > 1 ? " " + options[1] : ""));
        expectFailure(runZkhost(args), 2, message);
    }
    expectFailure(runZkhost({"render", modulePath(), examplePath(), scratchDir("options") + "/o.mp9"}), 2,
                  "unknown extension");
    expectFailure(runZkhost({"render", modulePath(), examplePath(), scratchDir("options") + "/o.flac", "--format",
                             "float"}),
                  2, "FLAC");
    expectFailure(runZkhost({"bench", modulePath(), "--block", "0"}), 2, "--block");
    expectFailure(runZkhost({"info"}), 2, "MODULE");
    expectFailure(runZkhost({}), 2, "subcommand");
}

TEST(ZkhostErrors, HostileStateFiles) {
    std::string dir = scratchDir("hostile");
    std::string fxp = dir + "/good.fxp";
    ASSERT_EQ(runZkhost({"info", modulePath(), "--save-fxp", fxp}).exitCode, 0);
    std::vector<uint8_t> preset = readBytes(fxp), bank = defaultBank(dir);

    auto truncatedFxp = std::vector<uint8_t>(preset.begin(), preset.begin() + 100);
    auto truncatedFxb = std::vector<uint8_t>(bank.begin(), bank.begin() + 5000);
    auto wrongFxp = preset;
    wrongFxp[8] = 'Q';
    auto hugeFxb = bank;
    for (size_t i = 0; i < 4; ++i) hugeFxb[156 + i] = 0x7F; // chunk size
    auto hugeParams = preset;
    hugeParams[8] = 'F', hugeParams[9] = 'x', hugeParams[10] = 'C', hugeParams[11] = 'k';
    for (size_t i = 0; i < 4; ++i) hugeParams[24 + i] = 0x7F; // parameter count
    auto foreign = preset;
    foreign[16] ^= 0x55; // plug-in ID

    const std::vector<std::tuple<std::string, std::vector<uint8_t>, std::string>> cases = {
        {"--fxp", truncatedFxp, "truncated"}, {"--fxb", truncatedFxb, "truncated"},
        {"--fxp", wrongFxp, "wrong magic"},   {"--fxb", preset, "wrong magic"},
        {"--fxb", hugeFxb, "truncated"},      {"--fxp", hugeParams, "truncated"},
        {"--fxp", foreign, "belongs to plug-in"}, {"--fxp", {}, "truncated"},
    };
    int n = 0;
    for (const auto& [option, bytes, message] : cases) {
        std::string path = writeTemp(dir, "case" + std::to_string(n++), bytes);
        SCOPED_TRACE(option + " case " + std::to_string(n - 1));
        expectFailure(runZkhost({"render", modulePath(), examplePath(), dir + "/o.wav", option, path}), 3, message);
    }
    expectFailure(runZkhost({"info", modulePath(), "--fxb", dir + "/missing.fxb"}), 3, "cannot open");

    auto goodMidi = smf(0, 96, {smfTrack({{0, {0xB0, 7, 1}}, {96, {0xB0, 7, 2}}})});
    auto shortMidi = std::vector<uint8_t>(goodMidi.begin(), goodMidi.end() - 6);
    auto wrongMidi = goodMidi;
    wrongMidi[1] = 'X';
    auto hugeTracks = goodMidi;
    hugeTracks[10] = 0xFF, hugeTracks[11] = 0xFF;
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> midiCases = {
        {shortMidi, "truncated"}, {wrongMidi, "wrong magic"}, {hugeTracks, "declares 65535 tracks"}};
    for (const auto& [bytes, message] : midiCases) {
        std::string path = writeTemp(dir, "case" + std::to_string(n++) + ".mid", bytes);
        expectFailure(runZkhost({"render", modulePath(), examplePath(), dir + "/o.wav", "--midi", path}), 3, message);
    }
}

// ---- rendering our plug-in

TEST(ZkhostRender, OutputHasTheInputRateLengthPlusTailAndSound) {
    std::string dir = scratchDir("render");
    Audio input = readAudio(examplePath());
    RunResult r = runZkhost({"render", modulePath(), examplePath(), dir + "/o.wav"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << "stderr is not a terminal, so no progress: " << r.err;
    Audio out = readAudio(dir + "/o.wav");
    EXPECT_EQ(out.rate, input.rate);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.frames, input.frames + 2 * input.rate);
    EXPECT_EQ(out.subtype, SF_FORMAT_FLOAT);
    EXPECT_GT(out.rms(), 1e-4);

    ASSERT_EQ(runZkhost({"render", modulePath(), examplePath(), dir + "/p.wav", "--tail", "0.5", "--format", "pcm16"})
                  .exitCode,
              0);
    Audio pcm = readAudio(dir + "/p.wav");
    EXPECT_EQ(pcm.subtype, SF_FORMAT_PCM_16);
    EXPECT_EQ(pcm.frames, input.frames + input.rate / 2);
}

TEST(ZkhostRender, MonoInputFeedsBothInputs) {
    std::string dir = scratchDir("mono");
    Audio mono = readAudio(examplePath());
    ASSERT_EQ(mono.channels, 1);
    SF_INFO info{};
    info.samplerate = mono.rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open((dir + "/stereo.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> stereo;
    for (float s : mono.samples) stereo.insert(stereo.end(), {s, s});
    sf_writef_float(file, stereo.data(), mono.frames);
    sf_close(file);
    ASSERT_EQ(runZkhost({"render", modulePath(), examplePath(), dir + "/a.wav", "--tail", "0.2"}).exitCode, 0);
    ASSERT_EQ(runZkhost({"render", modulePath(), dir + "/stereo.wav", dir + "/b.wav", "--tail", "0.2"}).exitCode, 0);
    EXPECT_EQ(readAudio(dir + "/a.wav").samples, readAudio(dir + "/b.wav").samples);
}

TEST(ZkhostRender, BlockSizesAndAccumulatingGiveTheSameAudio) {
    // The plug-in works frame by frame, so how the host cuts and calls must not show.
    std::string dir = scratchDir("blocks");
    ASSERT_EQ(runZkhost({"render", modulePath(), examplePath(), dir + "/a.wav", "--tail", "0.3"}).exitCode, 0);
    ASSERT_EQ(runZkhost({"render", modulePath(), examplePath(), dir + "/b.wav", "--tail", "0.3", "--block", "random"})
                  .exitCode,
              0);
    ASSERT_EQ(runZkhost({"render", modulePath(), examplePath(), dir + "/c.wav", "--tail", "0.3", "--block", "77",
                         "--accumulate"})
                  .exitCode,
              0);
    Audio a = readAudio(dir + "/a.wav");
    ASSERT_GT(a.rms(), 1e-4);
    EXPECT_EQ(a.samples, readAudio(dir + "/b.wav").samples);
    EXPECT_EQ(a.samples, readAudio(dir + "/c.wav").samples);
}

TEST(ZkhostRender, AutomationActsAtTheBlockHoldingItsTime) {
    // Master at 0 mutes the mix (Dry is 0), so the change shows where it landed.
    std::string dir = scratchDir("automate");
    std::string csv = dir + "/a.csv";
    writeBytes(csv, {});
    {
        std::string text = "seconds,parameter,value\n1.0,Master,0\n";
        writeBytes(csv, std::vector<uint8_t>(text.begin(), text.end()));
    }
    RunResult r = runZkhost({"render", modulePath(), examplePath(), dir + "/o.wav", "--automate", csv, "--block",
                             "512", "--tail", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio out = readAudio(dir + "/o.wav");
    const int64_t blockStart = (out.rate / 512) * 512; // the block that holds frame 1.0 s
    double before = 0, after = 0;
    for (int64_t f = 0; f < blockStart; ++f) before = std::max(before, double(std::fabs(out.at(f, 0))));
    for (int64_t f = blockStart + 512; f < out.frames; ++f) after = std::max(after, double(std::fabs(out.at(f, 0))));
    EXPECT_GT(before, 1e-3);
    EXPECT_EQ(after, 0.0);
    expectFailure(runZkhost({"render", modulePath(), examplePath(), dir + "/o.wav", "--automate", dir + "/none.csv"}),
                  3, "cannot open");
}

// ---- state: banks, presets, MIDI bindings

TEST(ZkhostState, BankRestoresValuesNamesAndBindings) {
    std::string dir = scratchDir("bank");
    std::vector<uint8_t> bank = defaultBank(dir);
    ASSERT_EQ(bank.size(), kBankChunkStart + kBankChunkSize);
    // Every value of program 0, a few names and bindings, changed in the chunk itself.
    for (int i = 0; i < 54; ++i) putFloat(bank, kBankChunkStart + 1944 + 24 + 4 * size_t(i), float(i + 1) / 64.0f);
    const char* names[] = {"Vocoder voice", "Drum bass", "FM texture"};
    for (int p = 0; p < 3; ++p) {
        size_t at = kBankChunkStart + 1944 + 240 * size_t(p * 7);
        std::memset(&bank[at], 0, 24);
        std::memcpy(&bank[at], names[p], std::strlen(names[p]));
    }
    putLe32(bank, kBankChunkStart + 36 * 0 + 8, 7);
    putLe32(bank, kBankChunkStart + 36 * 41 + 8, 7);
    putLe32(bank, kBankChunkStart + 36 * 13 + 8, 74);
    std::string edited = writeTemp(dir, "edited.fxb", bank);

    RunResult first = runZkhost({"info", modulePath(), "--json", "--fxb", edited, "--save-fxb", dir + "/resaved.fxb"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(bankChunk(readBytes(dir + "/resaved.fxb")), bankChunk(bank));
    std::vector<std::string> programs = jsonPrograms(first.out), values = jsonValues(first.out);
    ASSERT_EQ(programs.size(), 128u);
    EXPECT_EQ(programs[0], names[0]);
    EXPECT_EQ(programs[7], names[1]);
    EXPECT_EQ(programs[14], names[2]);
    EXPECT_EQ(programs[1], "Init");
    ASSERT_EQ(values.size(), 54u);
    for (int i = 0; i < 54; ++i) EXPECT_FLOAT_EQ(std::stof(values[size_t(i)]), float(i + 1) / 64.0f) << i;

    // A second instance loading the bank zkhost saved is the same again.
    RunResult second = runZkhost({"info", modulePath(), "--json", "--fxb", dir + "/resaved.fxb"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, first.out);
    RunResult fresh = runZkhost({"info", modulePath(), "--json"});
    EXPECT_NE(fresh.out, first.out);
}

TEST(ZkhostState, PresetCarriesTheCurrentProgram) {
    std::string dir = scratchDir("preset");
    RunResult saved = runZkhost({"info", modulePath(), "--json", "--program", "9", "--set", "Master=0.125", "--set",
                                 "40=0.75", "--save-fxp", dir + "/p.fxp"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    RunResult loaded = runZkhost({"info", modulePath(), "--json", "--fxp", dir + "/p.fxp", "--save-fxp", dir + "/q.fxp"});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(jsonValues(loaded.out), jsonValues(saved.out));
    EXPECT_FLOAT_EQ(std::stof(jsonValues(loaded.out)[0]), 0.125f);
    EXPECT_FLOAT_EQ(std::stof(jsonValues(loaded.out)[40]), 0.75f);
    EXPECT_EQ(readBytes(dir + "/q.fxp"), readBytes(dir + "/p.fxp"));
}

TEST(ZkhostState, BoundControllerInAMidiFileActsAtItsFrame) {
    std::string dir = scratchDir("midi");
    std::vector<uint8_t> bank = defaultBank(dir);
    putLe32(bank, kBankChunkStart + 36 * 0 + 8, 7); // Master follows controller 7
    std::string bankPath = writeTemp(dir, "bound.fxb", bank);
    // 150 bpm for one quarter, then 60 bpm; Control Change 7 to 0 on channel 3 at tick 720.
    auto midi = smf(1, 480,
                    {smfTrack({{0, tempoEvent(400000)}, {480, tempoEvent(1000000)}}),
                     smfTrack({{720, {0xB2, 7, 0}}, {0, {0x92, 60, 100}}})});
    std::string midiPath = writeTemp(dir, "cc.mid", midi);
    const int rate = readAudio(examplePath()).rate;
    const auto frame = int64_t(std::llround((480 * 0.4 / 480 + 240 * 1.0 / 480) * rate));
    const int32_t block = 500;

    RunResult r = runZkhost({"render", modulePath(), examplePath(), dir + "/midi.wav", "--fxb", bankPath, "--midi",
                             midiPath, "--block", std::to_string(block), "--tail", "0.5", "--save-fxb",
                             dir + "/after.fxb"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Audio rendered = readAudio(dir + "/midi.wav");
    std::vector<uint8_t> after = readBytes(dir + "/after.fxb");
    float master;
    std::memcpy(&master, &after[kBankChunkStart + 1944 + 24], 4);
    EXPECT_EQ(master, 0.0f) << "the controller reached Master";

    // The same change delivered by hand, through effProcessEvents, in the same blocks.
    zktest::LoadedModule module(modulePath());
    zktest::HostedEffect effect(module);
    std::vector<uint8_t> chunk = bankChunk(bank);
    effect.dispatch(vst2::effSetChunk, 0, vst2::VstIntPtr(chunk.size()), chunk.data());
    effect.resume(float(rate), block);
    Audio input = readAudio(examplePath());
    std::vector<float> expected;
    std::vector<float> inL(block), outL(block), outR(block);
    for (int64_t start = 0; start < rendered.frames; start += block) {
        int32_t n = int32_t(std::min<int64_t>(block, rendered.frames - start));
        for (int32_t f = 0; f < n; ++f) inL[size_t(f)] = start + f < input.frames ? input.samples[size_t(start + f)] : 0;
        if (frame >= start && frame < start + n) effect.sendMidi({{int32_t(frame - start), {0xB2, 7, 0}}});
        effect.processReplacing(inL.data(), inL.data(), outL.data(), outR.data(), n);
        for (int32_t f = 0; f < n; ++f) expected.insert(expected.end(), {outL[size_t(f)], outR[size_t(f)]});
    }
    ASSERT_EQ(expected.size(), rendered.samples.size());
    EXPECT_EQ(expected, rendered.samples);
    // And the change did show: sound before its frame, silence from the next frame on.
    double before = 0, later = 0;
    for (int64_t f = 0; f < frame; ++f) before = std::max(before, double(std::fabs(rendered.at(f, 0))));
    for (int64_t f = frame + 1; f < rendered.frames; ++f) later = std::max(later, double(std::fabs(rendered.at(f, 0))));
    EXPECT_GT(before, 1e-3);
    EXPECT_EQ(later, 0.0);
}

// ---- third-party plug-ins

namespace {
struct ThirdParty {
    const char* path;
    const char* package;
    const char* parameter; // index set in the round trip
};
const ThirdParty thirdParty[] = {
    {"/usr/lib/vst/MVerb-vst.so", "dpf-plugins-vst", "0"},
    {"/usr/lib/vst/3BandEQ-vst.so", "dpf-plugins-vst", "1"},
    {"/usr/lib/vst/lsp-plugins/compressor-stereo.so", "lsp-plugins-vst", "1"},
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
    RunResult info = runZkhost({"info", p.path, "--json"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "\"uniqueId\": ")) << info.out;
    EXPECT_FALSE(jsonValues(info.out).empty());

    Audio input = readAudio(examplePath());
    RunResult render = runZkhost({"render", p.path, examplePath(), dir + "/o.wav", "--tail", "1", "--block", "random"});
    ASSERT_EQ(render.exitCode, 0) << render.err;
    Audio out = readAudio(dir + "/o.wav");
    EXPECT_EQ(out.rate, input.rate);
    EXPECT_EQ(out.frames, input.frames + input.rate);
    EXPECT_GT(out.rms(), 1e-4);

    std::string set = std::string(p.parameter) + "=0.25";
    RunResult saved = runZkhost({"info", p.path, "--json", "--set", set, "--save-fxp", dir + "/a.fxp", "--save-fxb",
                                 dir + "/a.fxb"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(jsonValues(saved.out), jsonValues(info.out)) << "--set changed nothing";
    for (const char* kind : {"fxp", "fxb"}) {
        std::string a = dir + "/a." + kind, b = dir + "/b." + kind;
        RunResult loaded = runZkhost({"info", p.path, "--json", std::string("--") + kind, a,
                                      std::string("--save-") + kind, b});
        ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
        EXPECT_EQ(jsonValues(loaded.out), jsonValues(saved.out)) << kind;
        EXPECT_EQ(readBytes(b), readBytes(a)) << kind;
    }
    // Our plug-in's bank is not theirs.
    expectFailure(runZkhost({"info", modulePath(), "--fxb", dir + "/a.fxb"}), 3, "belongs to plug-in");
}

INSTANTIATE_TEST_SUITE_P(Debian, ZkhostThirdParty, ::testing::ValuesIn(thirdParty),
                         [](const auto& info) {
                             std::string name = std::filesystem::path(info.param.path).stem().string();
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(ZkhostBench, ComparesModulesSideBySide) {
    RunResult r = runZkhost({"bench", modulePath(), modulePath(), "--seconds", "0.5", "--rate", "48000", "--set",
                             "Master=0.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::regex row("Zephyrkettledrome\\.so +([0-9.]+) +([0-9.]+)");
    int rows = 0;
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), row); it != std::sregex_iterator(); ++it, ++rows) {
        EXPECT_GT(std::stod((*it)[1]), 0.0);
        EXPECT_GT(std::stod((*it)[2]), 0.0);
    }
    EXPECT_EQ(rows, 2) << r.out;
}
