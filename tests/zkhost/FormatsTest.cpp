// The file readers and writers of zkhost, without a plug-in: .fxp, .fxb, MIDI files and the
// option and automation parsers.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/MidiFile.h"
#include "tools/zkhost/Options.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zkhost;
using zkhosttest::smf;
using zkhosttest::smfTrack;
using zkhosttest::tempoEvent;

namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}
void putBe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

FxPreset paramPreset() {
    FxPreset p;
    p.pluginId = 0x41424344;
    p.pluginVersion = 7;
    p.program.name = "Lead";
    p.program.params = {0.0f, 1.0f, 0.333333343f, -2.5f, 1e-30f};
    p.numParams = 5;
    return p;
}

FxBank paramBank(int programs) {
    FxBank bank;
    bank.pluginId = 0x41424344;
    bank.pluginVersion = 3;
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

template <typename Parse>
void expectEveryPrefixRejected(const std::vector<uint8_t>& file, Parse parse) {
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_THROW(parse(file.data(), n), FormatError) << "prefix of " << n << " bytes";
}

} // namespace

TEST(FxFile, ParameterPresetRoundTripsInThePublishedLayout) {
    std::vector<uint8_t> bytes = writeFxp(paramPreset());
    ASSERT_EQ(bytes.size(), 56u + 5 * 4);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "CcnK");
    EXPECT_EQ(be32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "FxCk");
    EXPECT_EQ(be32(bytes, 16), 0x41424344u);
    EXPECT_EQ(be32(bytes, 24), 5u);
    FxPreset back = parseFxp(bytes.data(), bytes.size());
    EXPECT_EQ(back.pluginId, 0x41424344);
    EXPECT_EQ(back.pluginVersion, 7);
    EXPECT_EQ(back.program.name, "Lead");
    EXPECT_EQ(back.program.params, paramPreset().program.params);
    EXPECT_FALSE(back.program.isChunk);
}

TEST(FxFile, ChunkPresetAndBankRoundTrip) {
    FxPreset preset = paramPreset();
    preset.program.isChunk = true;
    preset.program.params.clear();
    preset.program.chunk = {1, 2, 3, 0, 255};
    preset.numParams = 54;
    std::vector<uint8_t> fxp = writeFxp(preset);
    EXPECT_EQ(std::string(fxp.begin() + 8, fxp.begin() + 12), "FPCh");
    FxPreset p = parseFxp(fxp.data(), fxp.size());
    EXPECT_TRUE(p.program.isChunk);
    EXPECT_EQ(p.program.chunk, preset.program.chunk);
    EXPECT_EQ(p.numParams, 54);

    FxBank bank;
    bank.pluginId = -5;
    bank.isChunk = true;
    bank.numPrograms = 128;
    bank.currentProgram = 17;
    bank.chunk.assign(1000, 0xA5);
    std::vector<uint8_t> fxb = writeFxb(bank);
    EXPECT_EQ(std::string(fxb.begin() + 8, fxb.begin() + 12), "FBCh");
    FxBank b = parseFxb(fxb.data(), fxb.size());
    EXPECT_TRUE(b.isChunk);
    EXPECT_EQ(b.pluginId, -5);
    EXPECT_EQ(b.numPrograms, 128);
    EXPECT_EQ(b.currentProgram, 17);
    EXPECT_EQ(b.chunk, bank.chunk);
}

TEST(FxFile, ParameterBankRoundTripsEveryProgram) {
    std::vector<uint8_t> bytes = writeFxb(paramBank(3));
    FxBank back = parseFxb(bytes.data(), bytes.size());
    ASSERT_EQ(back.programs.size(), 3u);
    EXPECT_EQ(back.currentProgram, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.programs[size_t(i)].name, "P" + std::to_string(i));
        EXPECT_EQ(back.programs[size_t(i)].params, paramBank(3).programs[size_t(i)].params);
    }
}

TEST(FxFile, NamesAreCutToTheFieldAndTerminated) {
    FxPreset p = paramPreset();
    p.program.name = std::string(40, 'x');
    std::vector<uint8_t> bytes = writeFxp(p);
    EXPECT_EQ(bytes[28 + 27], 0);
    EXPECT_EQ(parseFxp(bytes.data(), bytes.size()).program.name, std::string(27, 'x'));
}

TEST(FxFile, ByteSizeFieldIsNotTrusted) {
    std::vector<uint8_t> bytes = writeFxp(paramPreset());
    putBe32(bytes, 4, 12345678);
    EXPECT_NO_THROW(parseFxp(bytes.data(), bytes.size()));
}

TEST(FxFile, TruncatedFilesAreRejected) {
    FxPreset chunkPreset = paramPreset();
    chunkPreset.program.isChunk = true;
    chunkPreset.program.chunk.assign(40, 1);
    FxBank chunkBank;
    chunkBank.isChunk = true;
    chunkBank.chunk.assign(40, 2);
    expectEveryPrefixRejected(writeFxp(paramPreset()), parseFxp);
    expectEveryPrefixRejected(writeFxp(chunkPreset), parseFxp);
    expectEveryPrefixRejected(writeFxb(paramBank(2)), parseFxb);
    expectEveryPrefixRejected(writeFxb(chunkBank), parseFxb);
}

TEST(FxFile, WrongMagicIsNamed) {
    std::vector<uint8_t> fxp = writeFxp(paramPreset());
    std::vector<uint8_t> bad = fxp;
    bad[0] = 'X';
    try {
        parseFxp(bad.data(), bad.size());
        FAIL();
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("wrong magic"), std::string::npos) << e.what();
    }
    // A preset is not a bank and a bank not a preset.
    EXPECT_THROW(parseFxb(fxp.data(), fxp.size()), FormatError);
    std::vector<uint8_t> fxb = writeFxb(paramBank(1));
    EXPECT_THROW(parseFxp(fxb.data(), fxb.size()), FormatError);
}

TEST(FxFile, HugeAndNegativeCountsAreRejectedWithoutAllocating) {
    std::vector<uint8_t> fxp = writeFxp(paramPreset());
    for (uint32_t count : {0x7FFFFFFFu, 0x40000000u, 0x80000000u, 0xFFFFFFFFu}) {
        std::vector<uint8_t> bad = fxp;
        putBe32(bad, 24, count);
        EXPECT_THROW(parseFxp(bad.data(), bad.size()), FormatError) << count;
    }
    std::vector<uint8_t> fxb = writeFxb(paramBank(2));
    for (uint32_t count : {0x7FFFFFFFu, 3u, 0xFFFFFFFFu}) {
        std::vector<uint8_t> bad = fxb;
        putBe32(bad, 24, count);
        EXPECT_THROW(parseFxb(bad.data(), bad.size()), FormatError) << count;
    }
    FxBank chunkBank;
    chunkBank.isChunk = true;
    chunkBank.chunk.assign(8, 0);
    std::vector<uint8_t> cb = writeFxb(chunkBank);
    for (uint32_t size : {0x7FFFFFFFu, 9u, 0xFFFFFFF0u}) {
        std::vector<uint8_t> bad = cb;
        putBe32(bad, 156, size);
        EXPECT_THROW(parseFxb(bad.data(), bad.size()), FormatError) << size;
    }
}

TEST(FxFile, InconsistentBankProgramsAreRejected) {
    FxBank mixed = paramBank(2);
    mixed.programs[1].params.push_back(0.25f);
    std::vector<uint8_t> bytes = writeFxb(mixed);
    EXPECT_THROW(parseFxb(bytes.data(), bytes.size()), FormatError);

    std::vector<uint8_t> foreign = writeFxb(paramBank(2));
    size_t second = 156 + 56 + 2 * 4; // the second program record
    putBe32(foreign, second + 16, 0x5A5A5A5A);
    EXPECT_THROW(parseFxb(foreign.data(), foreign.size()), FormatError);
}

TEST(FxFile, FourCCShowsOnlyPrintableCharacters) {
    EXPECT_EQ(fourCC(0x4D567262), "MVrb");
    EXPECT_EQ(fourCC(0x00410A42), "?A?B");
}

// ---- MIDI files

TEST(MidiFile, TempoMapTurnsTicksIntoSeconds) {
    // 480 ticks per quarter; 150 bpm for the first quarter, then 60 bpm.
    auto file = smf(0, 480,
                    {smfTrack({{0, tempoEvent(400000)},
                               {240, {0xB0, 7, 10}},
                               {240, tempoEvent(1000000)},
                               {240, {0xB3, 7, 20}},
                               {480, {0xC3, 5}}})});
    MidiFile midi = parseMidiFile(file.data(), file.size());
    ASSERT_EQ(midi.messages.size(), 3u);
    EXPECT_DOUBLE_EQ(midi.messages[0].seconds, 0.2);
    EXPECT_DOUBLE_EQ(midi.messages[1].seconds, 0.4 + 0.5);
    EXPECT_DOUBLE_EQ(midi.messages[2].seconds, 0.4 + 1.5);
    EXPECT_EQ(midi.messages[1].bytes[0], 0xB3);
    EXPECT_EQ(midi.messages[1].bytes[2], 20);
    EXPECT_EQ(midi.messages[2].length, 2);
    EXPECT_EQ(midi.messages[2].bytes[1], 5);
}

TEST(MidiFile, RunningStatusSysexAndMetaEvents) {
    auto file = smf(0, 96,
                    {smfTrack({{0, {0xB0, 1, 2}},
                               {10, {3, 4}}, // running status
                               {0, {0xF0, 0x02, 0x7E, 0xF7}},
                               {0, {0xFF, 0x01, 0x03, 'a', 'b', 'c'}},
                               {5, {0x90, 60, 100}},
                               {0, {61, 0}}})});
    MidiFile midi = parseMidiFile(file.data(), file.size());
    ASSERT_EQ(midi.messages.size(), 4u);
    EXPECT_EQ(midi.messages[1].bytes[0], 0xB0);
    EXPECT_EQ(midi.messages[1].bytes[1], 3);
    EXPECT_EQ(midi.messages[1].tick, 10u);
    EXPECT_EQ(midi.messages[3].bytes[0], 0x90);
    EXPECT_EQ(midi.messages[3].bytes[1], 61);
}

TEST(MidiFile, FormatOneSharesTheTempoTrackAndMergesInTime) {
    auto file = smf(1, 100,
                    {smfTrack({{0, tempoEvent(250000)}}),
                     smfTrack({{100, {0xB0, 1, 1}}, {100, {0xB0, 1, 3}}}),
                     smfTrack({{150, {0xB1, 2, 2}}})});
    MidiFile midi = parseMidiFile(file.data(), file.size());
    ASSERT_EQ(midi.messages.size(), 3u);
    EXPECT_DOUBLE_EQ(midi.messages[0].seconds, 0.25);
    EXPECT_DOUBLE_EQ(midi.messages[1].seconds, 0.375);
    EXPECT_EQ(midi.messages[1].track, 2);
    EXPECT_DOUBLE_EQ(midi.messages[2].seconds, 0.5);
}

TEST(MidiFile, SmpteDivisionCountsFramesPerSecond) {
    uint16_t division = uint16_t((uint8_t(-25) << 8) | 40); // 25 fps, 40 ticks per frame
    auto file = smf(0, division, {smfTrack({{1000, {0xB0, 20, 51}}})});
    MidiFile midi = parseMidiFile(file.data(), file.size());
    ASSERT_EQ(midi.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(midi.messages[0].seconds, 1.0);
}

TEST(MidiFile, MalformedFilesAreRejected) {
    auto good = smf(0, 96, {smfTrack({{0, {0xB0, 1, 2}}, {300, {0xC0, 1}}})});
    // Every prefix that cuts into the track chunk is truncated.
    for (size_t n = 0; n < good.size() - 4; ++n)
        EXPECT_THROW(parseMidiFile(good.data(), n), FormatError) << n;
    auto bad = good;
    bad[0] = 'R';
    EXPECT_THROW(parseMidiFile(bad.data(), bad.size()), FormatError);
    // Far more tracks than the file holds, and a track longer than the file.
    bad = good;
    bad[10] = 0xFF, bad[11] = 0xFF;
    EXPECT_THROW(parseMidiFile(bad.data(), bad.size()), FormatError);
    bad = good;
    putBe32(bad, 18, 0x7FFFFFFF);
    EXPECT_THROW(parseMidiFile(bad.data(), bad.size()), FormatError);
    auto runningWithoutStatus = smf(0, 96, {smfTrack({{0, {0x10, 0x20}}})});
    EXPECT_THROW(parseMidiFile(runningWithoutStatus.data(), runningWithoutStatus.size()), FormatError);
    auto overlong = smf(0, 96, {smfTrack({{0, {0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}}})});
    EXPECT_THROW(parseMidiFile(overlong.data(), overlong.size()), FormatError);
    auto zeroDivision = smf(0, 0, {smfTrack({})});
    EXPECT_THROW(parseMidiFile(zeroDivision.data(), zeroDivision.size()), FormatError);
}

TEST(MidiFile, FramesRoundToTheNearest) {
    EXPECT_EQ(frameAt(0.9, 44100), 39690);
    EXPECT_EQ(frameAt(1.0 / 48000 * 0.49, 48000), 0);
    EXPECT_EQ(frameAt(1.0 / 48000 * 0.51, 48000), 1);
    EXPECT_EQ(frameAt(1e300, 48000), INT64_MAX);
}

// ---- option values

TEST(Options, SettingsNeedANameAndANormalisedNumber) {
    ParameterSetting s = parseSetting(" Master = 0.25");
    EXPECT_EQ(s.parameter, "Master");
    EXPECT_FLOAT_EQ(s.value, 0.25f);
    EXPECT_EQ(parseSetting("12=1").parameter, "12");
    for (const char* bad : {"Master", "=0.5", "Master=", "Master=abc", "Master=1.5", "Master=-0.1", "Master=nan",
                            "Master=0.5x"})
        EXPECT_THROW(parseSetting(bad), UsageError) << bad;
}

TEST(Options, AutomationSkipsHeaderAndCommentsAndNamesBadLines) {
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
