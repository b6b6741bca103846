// The effect as every format's wrapper drives it, with no VST 2 in between: what it tells
// a host about its parameters, the strict state load, and what it reports through
// HostServices, from which thread and with which origin.

#include "tests/core/EffectFixture.h"

#include <cctype>
#include <cstring>
#include <set>
#include <thread>

namespace zktest {
namespace {

using zk::ChangeOrigin;

using EffectInterfaceTest = EffectTest;

TEST_F(EffectInterfaceTest, EveryParameterHasAFullUniqueNameAStableSymbolAndItsShortName) {
    std::set<std::string> names, symbols;
    for (int32_t index = 0; index < effect->parameterCount(); ++index) {
        zk::ParameterDescription description;
        ASSERT_TRUE(effect->describeParameter(index, description));
        EXPECT_TRUE(names.insert(description.name).second) << description.name;
        EXPECT_TRUE(symbols.insert(description.symbol).second) << description.symbol;
        const std::string symbol = description.symbol;
        EXPECT_TRUE(!symbol.empty() && !std::isdigit(static_cast<unsigned char>(symbol[0])));
        for (char c : symbol) EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || std::isdigit(c) || c == '_') << symbol;
        EXPECT_LE(std::strlen(description.shortName), 8u);
        EXPECT_EQ(description.defaultValue, zk::kParameterTable[index].defaultValue);
        EXPECT_TRUE(description.minimum == 0.0f && description.maximum == 1.0f);
        EXPECT_EQ(description.automatable, !description.hidden);
    }
    zk::ParameterDescription sensitivity;
    ASSERT_TRUE(effect->describeParameter(zk::paramSensitivity2, sensitivity));
    EXPECT_STREQ(sensitivity.name, "Band 2 Sensitivity");
    EXPECT_STREQ(sensitivity.symbol, "band2_sensitivity");
    EXPECT_STREQ(sensitivity.shortName, "Sensivit"); // what VST 2 hosts keep showing
    zk::ParameterDescription untouched;
    untouched.name = "untouched";
    EXPECT_FALSE(effect->describeParameter(zk::kNumParameters, untouched));
    EXPECT_FALSE(effect->describeParameter(-1, untouched));
    EXPECT_STREQ(untouched.name, "untouched");
}

TEST_F(EffectInterfaceTest, TheStrictLoadRefusesWhatDoesNotFitAndChangesNothing) {
    effect->setParameter(zk::paramDry, 0.25f);
    effect->selectProgram(4);
    const std::vector<uint8_t> bank = saved(*effect, zk::ChunkKind::bank);
    const std::vector<uint8_t> preset = saved(*effect, zk::ChunkKind::preset);
    host.calls.clear();

    std::vector<uint8_t> longer = bank;
    longer.push_back(0);
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()) - 1));
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::bank, longer.data(), static_cast<int32_t>(longer.size())));
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::bank, nullptr, static_cast<int32_t>(bank.size())));
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()), 128));
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()), -2));
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::preset, preset.data(), 100));
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::preset, preset.data(), 0));
    EXPECT_FALSE(effect->restoreChunk(zk::ChunkKind::preset, preset.data(), -240));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(saved(*effect, zk::ChunkKind::bank), bank);
    EXPECT_EQ(effect->currentProgram(), 4);
}

// Another instance's bank, with the program to select, replaces everything this one held;
// its preset goes into the program chosen.
TEST_F(EffectInterfaceTest, TheStrictLoadRestoresAnotherInstancesStateAndProgram) {
    RecordingHost otherHost;
    zk::PluginEffect other(otherHost, zk::EffectServices{&messages, nullptr});
    other.initialise();
    other.selectProgram(6);
    other.setParameter(zk::paramOffset2, 0.75f);
    other.panelCommand(zk::PanelCommand::learnController, zk::paramPan1);
    other.handleMidiMessage({0xB0, 33, 64}); // binds controller 33
    const std::vector<uint8_t> bank = saved(other, zk::ChunkKind::bank);

    effect->setParameter(zk::paramOffset2, 0.1f);
    learn(zk::paramMaster);
    effect->handleMidiMessage({0xB0, 7, 0});
    renameProgram(*effect, "Changed");
    editor->refreshes = 0;
    host.calls.clear();
    ASSERT_TRUE(effect->restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()), 6));
    EXPECT_EQ(effect->currentProgram(), 6);
    EXPECT_EQ(effect->parameter(zk::paramOffset2), 0.75f);
    EXPECT_EQ(effect->learnedController(zk::paramPan1), 33);
    EXPECT_EQ(effect->learnedController(zk::paramMaster), 0);
    EXPECT_EQ(saved(*effect, zk::ChunkKind::bank), bank);
    EXPECT_EQ(editor->refreshes, 1);
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(host.names(), (std::vector<std::string>{"all", "display"}));
    EXPECT_EQ(host.calls[0].origin, ChangeOrigin::state);

    std::vector<uint8_t> preset = saved(other, zk::ChunkKind::preset);
    std::memcpy(preset.data(), "Strict", 7);
    effect->selectProgram(2);
    ASSERT_TRUE(effect->restoreChunk(zk::ChunkKind::preset, preset.data(), static_cast<int32_t>(preset.size())));
    EXPECT_EQ(programName(*effect, 2), "Strict");
    EXPECT_EQ(effect->parameter(zk::paramOffset2), 0.75f);
}

// What the effect reports, with which origin, and on which thread: MIDI inside the
// process call on the audio thread, loads and restarts on the caller's.
TEST_F(EffectInterfaceTest, ChangesTheEffectMakesReachTheHostWithTheirOrigin) {
    effect->panelCommand(zk::PanelCommand::learnController, zk::paramMod1);
    sendMidi({{3, {0xB2, 21, 127}}, {10, {0xC0, 5, 0}}});
    std::thread audio([this] { processFrames(64); });
    const std::thread::id audioThread = audio.get_id();
    audio.join();
    ASSERT_EQ(host.names(), (std::vector<std::string>{"changed", "all", "display"}));
    EXPECT_EQ(host.calls[0].index, zk::paramMod1);
    EXPECT_EQ(host.calls[0].value, 1.0f);
    EXPECT_EQ(host.calls[0].origin, ChangeOrigin::controller);
    EXPECT_EQ(host.calls[1].origin, ChangeOrigin::program);
    for (const RecordingHost::Call& call : host.calls) EXPECT_EQ(call.thread, audioThread);
    EXPECT_EQ(effect->currentProgram(), 5);

    host.calls.clear();
    effect->selectProgram(2);
    const std::vector<uint8_t> preset = saved(*effect, zk::ChunkKind::preset);
    ASSERT_TRUE(effect->restoreChunk(zk::ChunkKind::preset, preset.data(), static_cast<int32_t>(preset.size())));
    effect->deactivate();
    effect->activate();
    ASSERT_EQ(host.names(), (std::vector<std::string>{"all", "display", "all", "display", "midi", "all", "display"}));
    EXPECT_EQ(host.calls[0].origin, ChangeOrigin::program);
    EXPECT_EQ(host.calls[2].origin, ChangeOrigin::state);
}

} // namespace
} // namespace zktest
