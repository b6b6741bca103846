#include "core/SilentHost.h"
#include "core/StoredSettings.h"
#include "tests/core/EffectFixture.h"
#include "tests/core/MemorySettings.h"

namespace zktest {
namespace {

class StoredSettingsTest : public ::testing::Test {
protected:
    std::unique_ptr<zk::PluginEffect> newInstance() {
        auto effect = std::make_unique<zk::PluginEffect>(host, zk::EffectServices{&messages, &store});
        effect->initialise();
        return effect;
    }
    static void learn(zk::PluginEffect& effect, int32_t index, uint8_t controller) {
        effect.panelCommand(zk::PanelCommand::learnController, index);
        effect.handleMidiMessage({0xB0, controller, 0});
    }
    void save(zk::PluginEffect& effect, bool answer) {
        messages.answers = {answer};
        effect.panelCommand(zk::PanelCommand::saveDefaults);
    }
    zk::SilentHost host;
    MemorySettings store;
    ScriptedMessages messages;
};

TEST_F(StoredSettingsTest, SavedBindingsReachEveryNewInstance) {
    auto first = newInstance();
    learn(*first, 0, 7);
    save(*first, true);
    EXPECT_EQ(store.values.at("MidiCC-Master"), 8u);
    EXPECT_EQ(store.values.at("MidiCC-Right1 "), 1u); // unbound, trailing blank kept
    EXPECT_EQ(store.values.at("MidiCC-Fine1   "), 1u);
    EXPECT_EQ(store.values.at("MidiCC-NonUsed "), 1u);
    EXPECT_EQ(store.values.size(), 54u - 4u); // FMbutton and Sensivit are shared by three
    EXPECT_EQ(store.batches, 1);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0], "Warning!|Save Actual Values as Defaults?");
    EXPECT_EQ(messages.shown[1], "Ok!|Default Values Saved!");

    auto second = newInstance();
    EXPECT_EQ(second->learnedController(0), 7);
    for (int32_t i = 1; i < zk::kNumParameters; ++i) EXPECT_EQ(second->learnedController(i), 0) << i;
}

// The answer may come long after the question (a box over the panel): nothing is written
// before it, nor after a No.
TEST_F(StoredSettingsTest, TheSaveWaitsForItsAnswerAndNoWritesNothing) {
    auto effect = newInstance();
    learn(*effect, 0, 7);
    messages.answerLater = true;
    effect->panelCommand(zk::PanelCommand::saveDefaults);
    effect->panelCommand(zk::PanelCommand::saveDefaults);
    EXPECT_EQ(store.batches, 0);
    messages.answerNext(false);
    EXPECT_EQ(store.batches, 0);
    EXPECT_EQ(messages.shown.size(), 2u); // the two questions, no notice
    messages.answerNext(true);
    EXPECT_EQ(store.values.at("MidiCC-Master"), 8u);
}

TEST_F(StoredSettingsTest, SharedNamesKeepTheLastParametersBinding) {
    auto effect = newInstance();
    learn(*effect, 8, 20); // band 1's FMbutton only: band 3's unbound one is saved after it
    save(*effect, true);
    EXPECT_EQ(store.values.at("MidiCC-FMbutton"), 1u);
    learn(*effect, 32, 20); // band 3's
    save(*effect, true);
    auto next = newInstance();
    for (int32_t index : {8, 20, 32}) EXPECT_EQ(next->learnedController(index), 20) << index;
}

TEST_F(StoredSettingsTest, ForgetAllChangesOnlyTheBindingsInMemory) {
    auto effect = newInstance();
    learn(*effect, 5, 33);
    save(*effect, true);
    messages.answers = {true};
    effect->panelCommand(zk::PanelCommand::forgetAllControllers);
    EXPECT_EQ(effect->learnedController(5), 0);
    EXPECT_EQ(newInstance()->learnedController(5), 33);
}

TEST_F(StoredSettingsTest, EveryFailedWriteShowsItsMessageAndTheNoticeStillFollows) {
    auto effect = newInstance();
    // A bank can mark values saved-as-default; they are stored under the name alone.
    std::vector<uint8_t> bank = saved(*effect, zk::ChunkKind::bank);
    bank[36 * 1 + 2] = 1; // Dry
    bank[36 * 1 + 4 + 3] = 0x3F; // descriptor value 0.5 (0x3F000000)
    ASSERT_TRUE(effect->restoreChunk(zk::ChunkKind::bank, bank.data(), 32664));
    save(*effect, true);
    EXPECT_EQ(store.values.at("Dry"), 5001u);

    store.failWrites = true;
    messages.shown.clear();
    save(*effect, true);
    ASSERT_EQ(messages.shown.size(), 1u + 1u + 54u + 1u);
    EXPECT_EQ(messages.shown[1], "Error!|Error saving Midi-CC registery!");
    EXPECT_EQ(messages.shown[2], "Error!|Error saving registery!"); // Dry's value, after Master's binding
    for (std::size_t i = 3; i < 1 + 1 + 54; ++i) EXPECT_EQ(messages.shown[i], "Error!|Error saving Midi-CC registery!");
    EXPECT_EQ(messages.shown.back(), "Ok!|Default Values Saved!");
}

TEST_F(StoredSettingsTest, StoredNumbersAreKeptPlusOne) {
    EXPECT_TRUE(zk::writeStoredNumber(store, "x", 7));
    EXPECT_EQ(zk::readStoredNumber(store, "x"), 8u);
    EXPECT_EQ(zk::readStoredNumber(store, "missing"), 0u);
    EXPECT_TRUE(zk::writeStoredNumber(store, "y", -1));
    EXPECT_EQ(zk::readStoredNumber(store, "y"), 0u); // -1 + 1: nothing stored
    store.failWrites = true;
    EXPECT_FALSE(zk::writeStoredNumber(store, "x", 1));
}

} // namespace
} // namespace zktest
