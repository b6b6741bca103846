// The factory set: sixteen named sounds, each loading into the current program as a preset
// does, and the files VST 2 hosts take (presets/*.fxp, factory.fxb) holding the same sounds.

#include "core/FactoryPresets.h"
#include "core/PluginEffect.h"
#include "core/SilentHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace zktest {
namespace {

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FactoryPresets, SixteenNamedSoundsThatLoadIntoTheCurrentProgramAlone) {
    zk::SilentHost host;
    zk::PluginEffect effect(host);
    effect.initialise();
    ASSERT_EQ(effect.factoryPresetCount(), 16);
    const void* bytes = nullptr;
    effect.selectProgram(3);
    const int32_t size = effect.saveChunk(zk::ChunkKind::bank, &bytes);
    const std::vector<uint8_t> before(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    std::set<std::string> names;
    for (int32_t i = 0; i < 16; ++i) {
        const char *name = nullptr, *description = nullptr;
        ASSERT_TRUE(effect.factoryPresetInfo(i, &name, &description));
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_LE(std::strlen(name), 24u);
        EXPECT_GT(std::strlen(description), 20u) << name;
        ASSERT_TRUE(effect.loadFactoryPreset(i));
        char current[32] = {};
        effect.programName(3, current);
        EXPECT_STREQ(current, name);
        const uint8_t* record = zk::factoryPreset(i)->chunk;
        for (int32_t p = 0; p < zk::kNumParameters; ++p) {
            float value = 0.0f;
            std::memcpy(&value, record + 24 + 4 * p, 4);
            EXPECT_EQ(effect.parameter(p), value) << name << " " << p;
        }
    }
    EXPECT_FALSE(effect.loadFactoryPreset(16));
    EXPECT_FALSE(effect.factoryPresetInfo(-1, nullptr, nullptr));
    // Every other program, the shared values and the bindings are as they were.
    effect.saveChunk(zk::ChunkKind::bank, &bytes);
    const auto* after = static_cast<const uint8_t*>(bytes);
    const size_t program3 = 54 * 36 + 3 * 240;
    EXPECT_EQ(std::memcmp(after, before.data(), program3), 0);
    EXPECT_EQ(std::memcmp(after + program3 + 240, before.data() + program3 + 240, before.size() - program3 - 240), 0);
}

TEST(FactoryPresets, TheFilesForVst2HostsHoldTheSameSounds) {
    const std::filesystem::path folder = ZK_PRESETS_DIR;
    const std::vector<uint8_t> bank = readFile(folder / "factory.fxb");
    ASSERT_EQ(bank.size(), 160u + 32664u);
    std::vector<std::filesystem::path> fxps;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".fxp") fxps.push_back(entry.path());
    std::sort(fxps.begin(), fxps.end());
    ASSERT_EQ(fxps.size(), 16u);
    for (int32_t i = 0; i < 16; ++i) {
        const uint8_t* record = zk::factoryPreset(i)->chunk;
        EXPECT_EQ(std::memcmp(bank.data() + 160 + 54 * 36 + 240 * i, record, 240), 0) << i;
        const std::vector<uint8_t> fxp = readFile(fxps[static_cast<size_t>(i)]);
        ASSERT_EQ(fxp.size(), 60u + 240u) << fxps[static_cast<size_t>(i)];
        EXPECT_EQ(std::memcmp(fxp.data() + 60, record, 240), 0) << fxps[static_cast<size_t>(i)];
    }
}

} // namespace
} // namespace zktest
