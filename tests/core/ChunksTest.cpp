#include "tests/core/EffectFixture.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace zktest {
namespace {

using ChunksTest = EffectTest;
using zk::ChunkKind;

void load(zk::PluginEffect& effect, const std::vector<uint8_t>& bytes, ChunkKind kind) {
    EXPECT_TRUE(effect.restoreChunk(kind, bytes.data(), static_cast<int32_t>(bytes.size())));
}

uint32_t little32(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 | uint32_t{bytes[offset + 2]} << 16 |
           uint32_t{bytes[offset + 3]} << 24;
}

TEST_F(ChunksTest, BankLayoutIsDescriptorsThenProgramsLittleEndian) {
    effect->selectProgram(3);
    effect->setParameter(12, 0.75f);
    renameProgram(*effect, "Three");
    learn(50);
    effect->handleMidiMessage({0xB0, 0x55, 0});

    const std::vector<uint8_t> bank = saved(*effect, ChunkKind::bank);
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

    const std::vector<uint8_t> preset = saved(*effect, ChunkKind::preset);
    ASSERT_EQ(preset.size(), 240u);
    EXPECT_TRUE(std::equal(preset.begin(), preset.end(), bank.begin() + three));
}

// A host may hold the bank while it asks for the preset, and the other way round.
TEST_F(ChunksTest, BankAndPresetEachKeepTheirBytesUntilTheNextOfTheirKind) {
    effect->setParameter(1, 0.25f);
    const void* bank = nullptr;
    const void* preset = nullptr;
    const int32_t bankSize = effect->saveChunk(ChunkKind::bank, &bank);
    const std::vector<uint8_t> bankBytes(static_cast<const uint8_t*>(bank), static_cast<const uint8_t*>(bank) + bankSize);
    effect->saveChunk(ChunkKind::preset, &preset);
    const std::vector<uint8_t> presetBytes(static_cast<const uint8_t*>(preset), static_cast<const uint8_t*>(preset) + 240);
    EXPECT_EQ(0, std::memcmp(bank, bankBytes.data(), bankBytes.size()));
    effect->setParameter(1, 0.5f);
    const void* again = nullptr;
    effect->saveChunk(ChunkKind::bank, &again);
    EXPECT_EQ(0, std::memcmp(preset, presetBytes.data(), presetBytes.size()));
}

// A preset into the current program applies it; into another, only stores it.
TEST_F(ChunksTest, APresetGoesIntoTheProgramItNames) {
    effect->selectProgram(4);
    host.calls.clear();
    std::vector<uint8_t> preset = saved(*effect, ChunkKind::preset);
    std::memcpy(preset.data(), "Lead\0\0\0", 7);
    putFloat(preset, 24 + 4 * 1, 0.6f);
    ASSERT_TRUE(effect->restoreChunk(ChunkKind::preset, preset.data(), 240, 7));
    EXPECT_EQ(effect->parameter(1), 0.0f);
    EXPECT_EQ(programName(*effect, 4), "Init");
    EXPECT_EQ(programName(*effect, 7), "Lead");
    EXPECT_TRUE(host.calls.empty());
    editor->parameters.clear();
    load(*effect, preset, ChunkKind::preset);
    EXPECT_EQ(effect->parameter(1), 0.6f);
    EXPECT_EQ(programName(*effect, 4), "Lead");
    EXPECT_EQ(editor->parameters.size(), static_cast<size_t>(zk::kNumParameters));
    effect->selectProgram(5);
    EXPECT_EQ(effect->parameter(1), 0.0f);
    effect->selectProgram(7);
    EXPECT_EQ(effect->parameter(1), 0.6f);
}

TEST_F(ChunksTest, LoadedValuesAreSanitisedAndNamesStayBounded) {
    std::vector<uint8_t> bank = saved(*effect, ChunkKind::bank);
    putFloat(bank, 1944 + 24 + 4 * 0, std::nanf(""));   // program 0, Master: NaN
    bank[36 * 1 + 1] = 1;                                 // Dry is unclamped...
    putFloat(bank, 1944 + 24 + 4 * 1, 5.0f);              // ...and keeps 5.0
    bank[36 * 2 + 1] = 1;                                 // Left1 unclamped but infinite
    putFloat(bank, 1944 + 24 + 4 * 2, std::numeric_limits<float>::infinity());
    std::memset(&bank[36 * 3 + 12], 'N', 24);             // a name with no terminator
    std::memset(&bank[1944], 'P', 24);
    load(*effect, bank, ChunkKind::bank);
    EXPECT_EQ(effect->parameter(0), 0.0f);
    EXPECT_EQ(effect->parameter(1), 5.0f);
    EXPECT_EQ(effect->parameter(2), 0.0f);
    char text[64];
    effect->parameterShortName(3, text);
    EXPECT_STREQ(text, "NNNNNNNN");
    EXPECT_EQ(programName(*effect, 0), std::string(24, 'P'));
}

TEST_F(ChunksTest, ASharedParameterLivesInItsDescriptor) {
    std::vector<uint8_t> bank = saved(*effect, ChunkKind::bank);
    bank[36 * 39] = 0;                 // Delay no longer lives in the programs
    putFloat(bank, 36 * 39 + 4, 0.7f); // its shared value
    load(*effect, bank, ChunkKind::bank);
    EXPECT_EQ(effect->parameter(39), 0.7f);
    effect->selectProgram(9);
    EXPECT_EQ(effect->parameter(39), 0.7f);
    effect->setParameter(39, 0.2f);
    effect->selectProgram(0);
    EXPECT_EQ(effect->parameter(39), 0.2f);
}

} // namespace
} // namespace zktest
