#include "tests/core/EffectFixture.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace zktest {
namespace {

using ChunksTest = EffectTest;

std::vector<uint8_t> chunk(HostedEffect& effect, bool preset) {
    void* data = nullptr;
    auto size = effect.dispatch(vst2::effGetChunk, preset ? 1 : 0, 0, &data);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

void load(HostedEffect& effect, std::vector<uint8_t> bytes, bool preset, int32_t size = -1) {
    if (size < 0) size = static_cast<int32_t>(bytes.size());
    EXPECT_EQ(effect.dispatch(vst2::effSetChunk, preset ? 1 : 0, size, bytes.data()), 1);
}

uint32_t little32(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 | uint32_t{bytes[offset + 2]} << 16 |
           uint32_t{bytes[offset + 3]} << 24;
}

void putFloat(std::vector<uint8_t>& bytes, size_t offset, float value) {
    uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

TEST_F(ChunksTest, BankLayoutIsDescriptorsThenProgramsLittleEndian) {
    effect->setProgram(3);
    effect->setParameter(12, 0.75f);
    char name[] = "Three";
    effect->dispatch(vst2::effSetProgramName, 0, 0, name);
    effect->setParameter(zk::CommandLearn, 50.0f);
    effect->handleMidiEvent(vst2::VstMidiEvent{vst2::kVstMidiType, 32, 0, 0, 0, 0, {char(0xB0), 0x55, 0, 0}, 0, 0, 0, 0});

    const std::vector<uint8_t> bank = chunk(*effect, false);
    ASSERT_EQ(bank.size(), 32664u);
    for (int i = 0; i < zk::kNumParameters; ++i) {
        const size_t at = 36 * i;
        EXPECT_EQ(bank[at], 1) << i;
        EXPECT_EQ(bank[at + 1] | bank[at + 2] | bank[at + 3], 0) << i;
        EXPECT_EQ(little32(bank, at + 4), std::bit_cast<uint32_t>(zk::kParameterTable[i].defaultValue)) << i;
        EXPECT_EQ(little32(bank, at + 8), i == 50 ? 0x55u : 0u) << i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank[at + 12])), zk::kParameterTable[i].name) << i;
        for (size_t b = at + 12 + std::strlen(zk::kParameterTable[i].name); b < at + 36; ++b) EXPECT_EQ(bank[b], 0);
    }
    const size_t three = 1944 + 240 * 3;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank[three])), "Three");
    EXPECT_EQ(little32(bank, three + 24 + 4 * 12), std::bit_cast<uint32_t>(0.75f));
    EXPECT_EQ(little32(bank, three + 24 + 4 * 13), std::bit_cast<uint32_t>(0.1f));
    const size_t last = 1944 + 240 * 127;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank[last])), "Init");
    EXPECT_EQ(little32(bank, last + 24 + 4 * 53), std::bit_cast<uint32_t>(0.0f));

    const std::vector<uint8_t> preset = chunk(*effect, true);
    ASSERT_EQ(preset.size(), 240u);
    EXPECT_TRUE(std::equal(preset.begin(), preset.end(), bank.begin() + three));
}

// A host may hold the bank while it asks for the preset, and the other way round.
TEST_F(ChunksTest, BankAndPresetEachKeepTheirBytesUntilTheNextOfTheirKind) {
    effect->setParameter(1, 0.25f);
    void* bank = nullptr;
    void* preset = nullptr;
    const auto bankSize = effect->dispatch(vst2::effGetChunk, 0, 0, &bank);
    const std::vector<uint8_t> bankBytes(static_cast<uint8_t*>(bank), static_cast<uint8_t*>(bank) + bankSize);
    effect->dispatch(vst2::effGetChunk, 1, 0, &preset);
    const std::vector<uint8_t> presetBytes(static_cast<uint8_t*>(preset), static_cast<uint8_t*>(preset) + 240);
    EXPECT_EQ(0, std::memcmp(bank, bankBytes.data(), bankBytes.size()));
    effect->setParameter(1, 0.5f);
    void* again = nullptr;
    effect->dispatch(vst2::effGetChunk, 0, 0, &again);
    EXPECT_EQ(0, std::memcmp(preset, presetBytes.data(), presetBytes.size()));
}

TEST_F(ChunksTest, BankRoundTripRestoresEverything) {
    effect->setProgram(1);
    effect->setParameter(zk::CommandLearn, 0.0f);
    effect->handleMidiEvent(vst2::VstMidiEvent{vst2::kVstMidiType, 32, 0, 0, 0, 0, {char(0xB3), 7, 0, 0}, 0, 0, 0, 0});
    effect->setParameter(0, 0.5f);
    const std::vector<uint8_t> saved = chunk(*effect, false);

    effect->setParameter(0, 0.1f);
    effect->setParameter(zk::CommandLearn, 1000.0f);
    char name[] = "Changed";
    effect->dispatch(vst2::effSetProgramName, 0, 0, name);
    editor->refreshes = 0;
    load(*effect, saved, false);
    EXPECT_EQ(chunk(*effect, false), saved);
    EXPECT_EQ(effect->getParameter(0), 0.5f);
    EXPECT_EQ(effect->learnedController(0), 7);
    EXPECT_EQ(editor->refreshes, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ChunksTest, WrongBankSizeShowsAnErrorAndChangesNothing) {
    std::vector<uint8_t> bank = chunk(*effect, false);
    const std::vector<uint8_t> before = bank;
    bank[1944 + 24] ^= 0xFF;
    load(*effect, bank, false, 32663);
    load(*effect, bank, false, 32665);
    EXPECT_EQ(effect->dispatch(vst2::effSetChunk, 0, 32664, nullptr), 1);
    EXPECT_EQ(chunk(*effect, false), before);
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0], "Error!|Can't load bank, wrong file size!");
}

TEST_F(ChunksTest, PresetReplacesTheLeadingBytesOfTheCurrentProgramOnly) {
    effect->setProgram(4);
    std::vector<uint8_t> preset = chunk(*effect, true);
    std::memcpy(preset.data(), "Lead\0\0\0", 7);
    putFloat(preset, 24 + 4 * 1, 0.6f);
    load(*effect, preset, true);
    EXPECT_EQ(effect->getParameter(1), 0.6f);
    char text[64];
    effect->dispatch(vst2::effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "Lead");
    effect->setProgram(5);
    EXPECT_EQ(effect->getParameter(1), 0.0f);

    effect->setProgram(4);
    std::vector<uint8_t> nameOnly(24, 0);
    std::memcpy(nameOnly.data(), "Renamed", 7);
    load(*effect, nameOnly, true);
    effect->dispatch(vst2::effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "Renamed");
    EXPECT_EQ(effect->getParameter(1), 0.6f);

    editor->parameters.clear();
    load(*effect, {}, true, 0);
    EXPECT_EQ(editor->parameters.size(), static_cast<size_t>(zk::kNumParameters)); // re-applied
    EXPECT_EQ(effect->getParameter(1), 0.6f);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ChunksTest, OversizedNegativeOrMissingPresetShowsAnErrorAndChangesNothing) {
    const std::vector<uint8_t> before = chunk(*effect, false);
    std::vector<uint8_t> big(241, 0x41);
    load(*effect, big, true);
    load(*effect, big, true, -1 & 0x7FFFFFFF);
    EXPECT_EQ(effect->dispatch(vst2::effSetChunk, 1, -5, big.data()), 1);
    EXPECT_EQ(effect->dispatch(vst2::effSetChunk, 1, 10, nullptr), 1);
    EXPECT_EQ(chunk(*effect, false), before);
    ASSERT_EQ(messages.shown.size(), 4u);
    for (const std::string& shown : messages.shown) EXPECT_EQ(shown, "Error!|Can't load preset, wrong file size!");
}

TEST_F(ChunksTest, LoadedValuesAreSanitisedAndNamesStayBounded) {
    std::vector<uint8_t> bank = chunk(*effect, false);
    putFloat(bank, 1944 + 24 + 4 * 0, std::nanf(""));   // program 0, Master: NaN
    bank[36 * 1 + 1] = 1;                                 // Dry is unclamped...
    putFloat(bank, 1944 + 24 + 4 * 1, 5.0f);              // ...and keeps 5.0
    bank[36 * 2 + 1] = 1;                                 // Left1 unclamped but infinite
    putFloat(bank, 1944 + 24 + 4 * 2, std::numeric_limits<float>::infinity());
    std::memset(&bank[36 * 3 + 12], 'N', 24);             // a name with no terminator
    std::memset(&bank[1944], 'P', 24);
    load(*effect, bank, false);
    EXPECT_EQ(effect->getParameter(0), 0.0f);
    EXPECT_EQ(effect->getParameter(1), 5.0f);
    EXPECT_EQ(effect->getParameter(2), 0.0f);
    char text[64];
    effect->dispatch(vst2::effGetParamName, 3, 0, text);
    EXPECT_STREQ(text, "NNNNNNNN");
    effect->dispatch(vst2::effGetProgramName, 0, 0, text);
    EXPECT_EQ(std::string(text), std::string(24, 'P'));
}

TEST_F(ChunksTest, ASharedParameterLivesInItsDescriptor) {
    std::vector<uint8_t> bank = chunk(*effect, false);
    bank[36 * 39] = 0;                 // Delay no longer lives in the programs
    putFloat(bank, 36 * 39 + 4, 0.7f); // its shared value
    load(*effect, bank, false);
    EXPECT_EQ(effect->getParameter(39), 0.7f);
    effect->setProgram(9);
    EXPECT_EQ(effect->getParameter(39), 0.7f);
    effect->setParameter(39, 0.2f);
    effect->setProgram(0);
    EXPECT_EQ(effect->getParameter(39), 0.2f);
}

} // namespace
} // namespace zktest
