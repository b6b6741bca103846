// The file readers and writers of zkhost, without a plug-in: .fxp, .fxb, MIDI files and the
// option and automation parsers.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/MidiFile.h"
#include "tools/zkhost/Options.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

using namespace zkhost;
using namespace zkhosttest;

namespace {

void putBe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}
std::string magicAt(const Bytes& b, size_t at) { return std::string(b.begin() + long(at), b.begin() + long(at) + 4); }

FxPreset paramPreset(bool chunk = false) {
    FxPreset p;
    p.pluginId = 0x41424344;
    p.pluginVersion = 7;
    p.program.name = "Lead";
    p.program.isChunk = chunk;
    if (chunk)
        p.program.chunk = {1, 2, 3, 0, 255};
    else
        p.program.params = {0.0f, 1.0f, 0.333333343f, -2.5f, 1e-30f};
    p.numParams = chunk ? 54 : 5;
    return p;
}
FxBank paramBank(int programs) {
    FxBank bank;
    bank.pluginId = 0x41424344;
    bank.numPrograms = programs;
    bank.currentProgram = programs - 1;
    for (int i = 0; i < programs; ++i) {
        FxProgram p;
        p.name = "P" + std::to_string(i);
        p.params = {float(i) / 8, 0.5f};
        bank.programs.push_back(p);
    }
    return bank;
}
FxBank chunkBank(size_t size) {
    FxBank bank;
    bank.pluginId = -5;
    bank.isChunk = true;
    bank.numPrograms = 128;
    bank.currentProgram = 17;
    bank.chunk.assign(size, 0xA5);
    return bank;
}
FxPreset readFxp(const Bytes& b) { return parseFxp(b.data(), b.size()); }
FxBank readFxb(const Bytes& b) { return parseFxb(b.data(), b.size()); }
MidiFile readMidi(const Bytes& b) { return parseMidiFile(b.data(), b.size()); }

} // namespace

TEST(FxFile, PresetsAndBanksOfBothFormsRoundTrip) {
    Bytes fxp = writeFxp(paramPreset());
    ASSERT_EQ(fxp.size(), 56u + 5 * 4);
    EXPECT_EQ(magicAt(fxp, 0) + magicAt(fxp, 8), "CcnKFxCk");
    FxPreset p = readFxp(fxp);
    EXPECT_EQ(p.pluginId, 0x41424344);
    EXPECT_EQ(p.pluginVersion, 7);
    EXPECT_EQ(p.program.name, "Lead");
    EXPECT_EQ(p.program.params, paramPreset().program.params);
    EXPECT_FALSE(p.program.isChunk);

    Bytes chunkFxp = writeFxp(paramPreset(true));
    EXPECT_EQ(magicAt(chunkFxp, 8), "FPCh");
    p = readFxp(chunkFxp);
    EXPECT_TRUE(p.program.isChunk);
    EXPECT_EQ(p.program.chunk, paramPreset(true).program.chunk);
    EXPECT_EQ(p.numParams, 54);

    FxBank b = readFxb(writeFxb(paramBank(3)));
    ASSERT_EQ(b.programs.size(), 3u);
    EXPECT_EQ(b.currentProgram, 2);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(b.programs[i].name, "P" + std::to_string(i));
        EXPECT_EQ(b.programs[i].params, paramBank(3).programs[i].params);
    }
    Bytes fxb = writeFxb(chunkBank(1000));
    EXPECT_EQ(magicAt(fxb, 8), "FBCh");
    b = readFxb(fxb);
    EXPECT_TRUE(b.isChunk);
    EXPECT_EQ(b.pluginId, -5);
    EXPECT_EQ(b.numPrograms, 128);
    EXPECT_EQ(b.currentProgram, 17);
    EXPECT_EQ(b.chunk, chunkBank(1000).chunk);
}

TEST(FxFile, TruncatedWrongAndHugeFilesAreRejectedBeforeAllocating) {
    for (const Bytes& file : {writeFxp(paramPreset()), writeFxp(paramPreset(true))})
        for (size_t n = 0; n < file.size(); ++n) EXPECT_THROW(parseFxp(file.data(), n), FormatError) << n;
    for (const Bytes& file : {writeFxb(paramBank(2)), writeFxb(chunkBank(40))})
        for (size_t n = 0; n < file.size(); ++n) EXPECT_THROW(parseFxb(file.data(), n), FormatError) << n;

    Bytes fxp = writeFxp(paramPreset()), fxb = writeFxb(paramBank(1)), bad = fxp;
    bad[0] = 'X';
    try {
        readFxp(bad);
        ADD_FAILURE();
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("wrong magic"), std::string::npos) << e.what();
    }
    EXPECT_THROW(readFxb(fxp), FormatError); // a preset is not a bank and a bank not a preset
    EXPECT_THROW(readFxp(fxb), FormatError);

    // Parameter counts, program counts and chunk sizes far beyond the file, or negative.
    const std::tuple<Bytes, size_t, std::vector<uint32_t>> counts[] = {
        {fxp, 24, {0x7FFFFFFFu, 0x40000000u, 0x80000000u, 0xFFFFFFFFu}},
        {writeFxb(paramBank(2)), 24, {0x7FFFFFFFu, 3u, 0xFFFFFFFFu}},
        {writeFxb(chunkBank(8)), 156, {0x7FFFFFFFu, 9u, 0xFFFFFFF0u}}};
    for (const auto& [file, at, values] : counts)
        for (uint32_t value : values) {
            bad = file;
            putBe32(bad, at, value);
            EXPECT_THROW(file == fxp ? (void)readFxp(bad) : (void)readFxb(bad), FormatError)
                << "at " << at << ": " << value;
        }
}

TEST(FxFile, BankProgramsMustMatchInParameterCountAndPlugIn) {
    FxBank mixed = paramBank(2);
    mixed.programs[1].params.push_back(0.25f);
    EXPECT_THROW(readFxb(writeFxb(mixed)), FormatError);
    Bytes foreign = writeFxb(paramBank(2));
    putBe32(foreign, 156 + 56 + 2 * 4 + 16, 0x5A5A5A5A); // the second program's plug-in ID
    EXPECT_THROW(readFxb(foreign), FormatError);
}

// ---- MIDI files

TEST(MidiFile, TempoMapRunningStatusAndSkippedEvents) {
    // 480 ticks per quarter; 150 bpm for the first quarter, then 60 bpm.
    MidiFile midi = readMidi(smf(0, 480, {smfTrack({{0, tempoEvent(400000)}, {240, {0xB0, 7, 10}},
                                                    {240, tempoEvent(1000000)}, {240, {0xB3, 7, 20}},
                                                    {0, {0xF0, 0x02, 0x7E, 0xF7}}, {0, {0xFF, 0x01, 0x03, 'a', 'b', 'c'}},
                                                    {480, {0xC3, 5}}, {10, {6}}})})); // running status
    ASSERT_EQ(midi.messages.size(), 4u);
    const double seconds[] = {0.2, 0.4 + 0.5, 0.4 + 1.5, 0.4 + 1.5 + 10.0 / 480};
    const uint8_t status[] = {0xB0, 0xB3, 0xC3, 0xC3}, data[] = {7, 7, 5, 6};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(midi.messages[i].seconds, seconds[i]) << i;
        EXPECT_EQ(midi.messages[i].bytes[0], status[i]) << i;
        EXPECT_EQ(midi.messages[i].bytes[1], data[i]) << i;
    }
    EXPECT_EQ(midi.messages[1].bytes[2], 20);
    EXPECT_EQ(midi.messages[3].length, 2);
    EXPECT_EQ(midi.messages[3].tick, 1210u);
}

TEST(MidiFile, FormatOneMergesInTimeAndSmpteCountsFrames) {
    MidiFile midi = readMidi(smf(1, 100, {smfTrack({{0, tempoEvent(250000)}}),
                                          smfTrack({{100, {0xB0, 1, 1}}, {100, {0xB0, 1, 3}}}),
                                          smfTrack({{150, {0xB1, 2, 2}}})}));
    ASSERT_EQ(midi.messages.size(), 3u);
    EXPECT_DOUBLE_EQ(midi.messages[0].seconds, 0.25);
    EXPECT_DOUBLE_EQ(midi.messages[1].seconds, 0.375);
    EXPECT_EQ(midi.messages[1].track, 2);
    EXPECT_DOUBLE_EQ(midi.messages[2].seconds, 0.5);

    const auto division = uint16_t((uint8_t(-25) << 8) | 40); // 25 fps, 40 ticks per frame
    midi = readMidi(smf(0, division, {smfTrack({{1000, {0xB0, 20, 51}}})}));
    ASSERT_EQ(midi.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(midi.messages[0].seconds, 1.0);
    EXPECT_EQ(frameAt(0.9, 44100), 39690);
    EXPECT_EQ(frameAt(1.0 / 48000 * 0.51, 48000), 1); // to the nearest frame
    EXPECT_EQ(frameAt(1e300, 48000), INT64_MAX);
}

TEST(MidiFile, MalformedFilesAreRejected) {
    Bytes good = smf(0, 96, {smfTrack({{0, {0xB0, 1, 2}}, {300, {0xC0, 1}}})});
    for (size_t n = 0; n < good.size() - 4; ++n) // every prefix that cuts into the track
        EXPECT_THROW(parseMidiFile(good.data(), n), FormatError) << n;
    Bytes wrongMagic = good, manyTracks = good, longTrack = good;
    wrongMagic[0] = 'R';
    manyTracks[10] = manyTracks[11] = 0xFF;
    putBe32(longTrack, 18, 0x7FFFFFFF);
    for (const Bytes& bad : {wrongMagic, manyTracks, longTrack, smf(0, 96, {smfTrack({{0, {0x10, 0x20}}})}),
                             smf(0, 96, {smfTrack({{0, {0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}}})}),
                             smf(0, 0, {smfTrack({})})})
        EXPECT_THROW(readMidi(bad), FormatError);
}

// ---- option values

TEST(Options, SettingsAndAutomationLines) {
    ParameterSetting s = parseSetting(" Master = 0.25");
    EXPECT_EQ(s.parameter, "Master");
    EXPECT_FLOAT_EQ(s.value, 0.25f);
    EXPECT_EQ(parseSetting("12=1").parameter, "12");
    for (const char* bad : {"Master", "=0.5", "Master=", "Master=abc", "Master=1.5", "Master=-0.1", "Master=nan",
                            "Master=0.5x"})
        EXPECT_THROW(parseSetting(bad), UsageError) << bad;

    auto points = parseAutomation("seconds,parameter,value\n# a comment\n\n0.5, Master ,0.1\n2,3,1\n");
    ASSERT_EQ(points.size(), 2u);
    EXPECT_DOUBLE_EQ(points[0].seconds, 0.5);
    EXPECT_EQ(points[0].parameter, "Master");
    EXPECT_EQ(points[0].line, 4);
    EXPECT_FLOAT_EQ(points[1].value, 1.0f);
    for (const char* bad : {"1,Master\n", "x,Master,0.5\n", "-1,Master,0.5\n", "1,Master,2\n", "1,a,0.5,9\n"}) {
        try {
            parseAutomation(std::string("0,a,0\n") + bad);
            ADD_FAILURE() << bad;
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
        }
    }
}
