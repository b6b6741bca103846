// The effect as every format's wrapper drives it, with no VST 2 in between: what it tells
// a host about its parameters, the strict state load, events at their frames, and what it
// reports through HostServices, from which thread and with which origin.

#include "tests/core/EffectFixture.h"

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace zktest {
namespace {

using zk::ChangeOrigin;

class EffectInterfaceTest : public ::testing::Test {
protected:
    EffectInterfaceTest() : effect(host, zk::EffectServices{&messages, nullptr}) {
        effect.initialise();
        effect.activate();
        host.calls.clear();
    }
    std::vector<uint8_t> save(zk::ChunkKind kind) {
        const void* data = nullptr;
        const int32_t size = effect.saveChunk(kind, &data);
        const auto* bytes = static_cast<const uint8_t*>(data);
        return {bytes, bytes + size};
    }
    // A block of loud input, `frames` long, with `events`.
    std::vector<float> render(int32_t frames, const std::vector<zk::BlockEvent>& events = {}) {
        std::vector<float> in(static_cast<size_t>(frames)), outL(in.size()), outR(in.size());
        uint32_t seed = 7;
        for (float& sample : in) {
            seed = seed * 1664525u + 1013904223u;
            sample = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
        }
        const float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        zk::EventArray list(events.data(), static_cast<int32_t>(events.size()));
        effect.process(inputs, outputs, frames, events.empty() ? nullptr : &list);
        return outL;
    }
    static zk::BlockEvent midi(int32_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
        zk::BlockEvent event;
        event.frame = frame;
        event.kind = zk::BlockEvent::Kind::midi;
        event.midi[0] = status;
        event.midi[1] = data1;
        event.midi[2] = data2;
        return event;
    }
    static zk::BlockEvent change(int32_t frame, int32_t index, float value) {
        zk::BlockEvent event;
        event.frame = frame;
        event.kind = zk::BlockEvent::Kind::parameter;
        event.parameter = index;
        event.value = value;
        return event;
    }

    RecordingHost host;
    ScriptedMessages messages;
    zk::PluginEffect effect;
};

TEST_F(EffectInterfaceTest, EveryParameterHasAFullUniqueNameAStableSymbolAndItsShortName) {
    std::set<std::string> names, symbols;
    for (int32_t index = 0; index < effect.parameterCount(); ++index) {
        zk::ParameterDescription description;
        ASSERT_TRUE(effect.describeParameter(index, description));
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
    ASSERT_TRUE(effect.describeParameter(zk::paramSensitivity2, sensitivity));
    EXPECT_STREQ(sensitivity.name, "Band 2 Sensitivity");
    EXPECT_STREQ(sensitivity.symbol, "band2_sensitivity");
    EXPECT_STREQ(sensitivity.shortName, "Sensivit"); // what VST 2 hosts keep showing
    zk::ParameterDescription untouched;
    untouched.name = "untouched";
    EXPECT_FALSE(effect.describeParameter(zk::kNumParameters, untouched));
    EXPECT_FALSE(effect.describeParameter(-1, untouched));
    EXPECT_STREQ(untouched.name, "untouched");
}

TEST_F(EffectInterfaceTest, TheStrictLoadRefusesWhatDoesNotFitAndChangesNothing) {
    effect.setParameter(zk::paramDry, 0.25f);
    effect.selectProgram(4);
    const std::vector<uint8_t> bank = save(zk::ChunkKind::bank);
    const std::vector<uint8_t> preset = save(zk::ChunkKind::preset);
    host.calls.clear();

    std::vector<uint8_t> longer = bank;
    longer.push_back(0);
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()) - 1));
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::bank, longer.data(), static_cast<int32_t>(longer.size())));
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::bank, nullptr, static_cast<int32_t>(bank.size())));
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()), 128));
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()), -2));
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::preset, preset.data(), 100));
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::preset, preset.data(), 0));
    EXPECT_FALSE(effect.restoreChunk(zk::ChunkKind::preset, preset.data(), -240));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(save(zk::ChunkKind::bank), bank);
    EXPECT_EQ(effect.currentProgram(), 4);
}

TEST_F(EffectInterfaceTest, TheStrictLoadRestoresAnotherInstancesStateAndProgram) {
    effect.selectProgram(6);
    effect.setParameter(zk::paramOffset2, 0.75f);
    effect.panelCommand(zk::PanelCommand::learnController, zk::paramPan1);
    render(8, {midi(0, 0xB0, 33, 64)}); // binds controller 33
    const std::vector<uint8_t> bank = save(zk::ChunkKind::bank);

    RecordingHost otherHost;
    zk::PluginEffect other(otherHost, zk::EffectServices{&messages, nullptr});
    other.initialise();
    otherHost.calls.clear();
    ASSERT_TRUE(other.restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size()), 6));
    EXPECT_EQ(other.currentProgram(), 6);
    EXPECT_EQ(other.parameter(zk::paramOffset2), 0.75f);
    EXPECT_EQ(other.learnedController(zk::paramPan1), 33);
    const void* data = nullptr;
    const int32_t size = other.saveChunk(zk::ChunkKind::bank, &data);
    EXPECT_EQ(std::vector<uint8_t>(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size), bank);
    ASSERT_EQ(otherHost.names(), (std::vector<std::string>{"all", "display"}));
    EXPECT_EQ(otherHost.calls[0].origin, ChangeOrigin::state);

    std::vector<uint8_t> preset = save(zk::ChunkKind::preset);
    std::memcpy(preset.data(), "Strict", 7);
    other.selectProgram(2);
    ASSERT_TRUE(other.restoreChunk(zk::ChunkKind::preset, preset.data(), static_cast<int32_t>(preset.size())));
    char name[32];
    other.programName(2, name);
    EXPECT_STREQ(name, "Strict");
    EXPECT_EQ(other.parameter(zk::paramOffset2), 0.75f);
}

// A parameter change among a block's events is heard from its frame on, as if the block
// had been split there and the host had set it in between.
TEST_F(EffectInterfaceTest, AParameterChangeInABlockIsHeardFromItsFrame) {
    RecordingHost splitHost;
    zk::PluginEffect split(splitHost, zk::EffectServices{&messages, nullptr});
    split.initialise();
    split.activate();
    for (zk::PluginEffect* each : {&effect, &split}) {
        each->setParameter(zk::paramLeft2, 1.0f);
        each->setParameter(zk::paramRight2, 1.0f);
    }
    const std::vector<float> whole = render(300, {change(120, zk::paramVolume2, 1.0f), change(120, 999, 1.0f)});
    EXPECT_EQ(effect.parameter(zk::paramVolume2), 1.0f);

    std::vector<float> in(300), outL(300), outR(300);
    uint32_t seed = 7;
    for (float& sample : in) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    for (auto [from, to] : {std::pair{0, 120}, std::pair{120, 300}}) {
        if (from) split.setParameter(zk::paramVolume2, 1.0f);
        const float* inputs[2] = {&in[from], &in[from]};
        float* outputs[2] = {&outL[from], &outR[from]};
        split.process(inputs, outputs, to - from);
    }
    EXPECT_EQ(whole, outL);
    EXPECT_NE(whole[150], 0.0f);
    for (const RecordingHost::Call& call : host.calls) EXPECT_NE(call.what, "changed"); // the host's own change
}

// What the effect reports, with which origin, and on which thread: MIDI inside the
// process call on the audio thread, the panel's edits inside their gesture.
TEST_F(EffectInterfaceTest, ChangesTheEffectMakesReachTheHostWithTheirOrigin) {
    effect.panelCommand(zk::PanelCommand::learnController, zk::paramMod1);
    std::thread audio([this] { render(64, {midi(3, 0xB2, 21, 127), midi(10, 0xC0, 5, 0)}); });
    const std::thread::id audioThread = audio.get_id();
    audio.join();
    ASSERT_EQ(host.names(), (std::vector<std::string>{"changed", "all", "display"}));
    EXPECT_EQ(host.calls[0].index, zk::paramMod1);
    EXPECT_EQ(host.calls[0].value, 1.0f);
    EXPECT_EQ(host.calls[0].origin, ChangeOrigin::controller);
    EXPECT_EQ(host.calls[1].origin, ChangeOrigin::program);
    for (const RecordingHost::Call& call : host.calls) EXPECT_EQ(call.thread, audioThread);
    EXPECT_EQ(effect.currentProgram(), 5);

    host.calls.clear();
    effect.setParameter(zk::paramMod1, 0.5f); // the host's own: not reported
    effect.beginEdit(zk::paramPan3);
    effect.editParameter(zk::paramPan3, 2.0f);
    effect.endEdit(zk::paramPan3);
    effect.beginEdit(zk::CommandLearn); // a command: no gesture, no change for the host
    effect.panelCommand(zk::PanelCommand::learnController, -1);
    effect.endEdit(zk::CommandLearn);
    ASSERT_EQ(host.names(), (std::vector<std::string>{"begin", "changed", "end"}));
    EXPECT_EQ(host.calls[1].index, zk::paramPan3);
    EXPECT_EQ(host.calls[1].value, 1.0f); // what the effect holds
    EXPECT_EQ(host.calls[1].origin, ChangeOrigin::panel);

    host.calls.clear();
    effect.selectProgram(2);
    const std::vector<uint8_t> preset = save(zk::ChunkKind::preset);
    ASSERT_TRUE(effect.restoreChunk(zk::ChunkKind::preset, preset.data(), static_cast<int32_t>(preset.size())));
    effect.deactivate();
    effect.activate();
    ASSERT_EQ(host.names(), (std::vector<std::string>{"all", "display", "all", "display", "midi", "all", "display"}));
    EXPECT_EQ(host.calls[0].origin, ChangeOrigin::program);
    EXPECT_EQ(host.calls[2].origin, ChangeOrigin::state);
}

} // namespace
} // namespace zktest
