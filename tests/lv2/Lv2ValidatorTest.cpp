// The checks an LV2 validator makes, on the built DSP binary loaded with dlopen and driven
// through its descriptor: instances with and without the host's features and rates it
// cannot take refused, the bypass port, state carried across hosts' URIDs, damaged state
// refused with nothing changed, MIDI at frames, what the plug-in tells its UI and the host,
// and the worker. (What every format shares is the conformance suite's.)

#include "core/PluginEffect.h"
#include "tests/lv2/Lv2TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

using namespace lv2test;
using zk::lv2::Message;
using zk::CommandDefaults;
using zk::CommandLearn;

namespace {

std::vector<uint8_t> bankOf(Instance& instance) {
    const State state = instance.save();
    const auto at = state.find(instance.urids().ours().stateBank);
    return at == state.end() ? std::vector<uint8_t>{} : at->second.bytes;
}

float programValue(const std::vector<uint8_t>& bank, int32_t program, int32_t parameter) {
    float value = 0;
    std::memcpy(&value, bank.data() + 1944 + 240 * program + 24 + 4 * parameter, 4);
    return value;
}

// A copy: the messages are often a temporary list.
std::optional<Message> find(const std::vector<Message>& messages, Message::Kind kind) {
    for (const Message& m : messages)
        if (m.kind == kind) return m;
    return std::nullopt;
}

} // namespace

TEST(Lv2Instance, PlaysWithoutAnyFeatureOfTheHostAndRefusesRatesItCannotTake) {
    // lv2apply offers no feature at all: the instance plays, with no MIDI, messages or state.
    Instance bare({.rate = 44100, .map = false, .options = false, .worker = false});
    ASSERT_TRUE(bare.made());
    // It sounds as an instance given every feature, which sounds as the VST 2 module
    // (tests/conformance).
    const Stereo input = noise(20000, 3);
    Instance featured({.rate = 44100});
    EXPECT_EQ(bare.render(input, 500), featured.render(input, 500));
    EXPECT_TRUE(bare.messages().empty());
    EXPECT_TRUE(bare.save().empty());

    for (double rate : {0.0, -44100.0, 0.5, 2.0e7, double(NAN), double(INFINITY)})
        EXPECT_FALSE(Instance({.rate = rate}).made()) << rate; // (1 to 768 kHz: tests/conformance)
}

// The host's bypass switch: unconnected or on, the plug-in plays; off, once the fade is done
// the output is the input; on again, it plays again.
TEST(Lv2Bypass, TheEnabledPortSwitchesTheEffectOutAndIn) {
    const Stereo input = noise(24000, 21);
    Instance plain({.rate = 48000});
    plain.activate();
    const Stereo played = plain.render(input, 480);
    Instance switched({.rate = 48000});
    float enabled = 1.0f;
    switched.connectEnabled(&enabled);
    switched.activate();
    Stereo out(input.frames());
    for (size_t f = 0; f < input.frames(); f += 480) {
        enabled = f >= 4800 && f < 14400 ? 0.0f : 1.0f;
        switched.run(&input.left[f], &input.right[f], &out.left[f], &out.right[f], 480);
    }
    const size_t fade = 240; // 5 ms
    EXPECT_TRUE(std::equal(out.left.begin(), out.left.begin() + 4800, played.left.begin()));
    EXPECT_TRUE(std::equal(out.left.begin() + 4800 + fade, out.left.begin() + 14400, input.left.begin() + 4800 + fade));
    EXPECT_TRUE(std::equal(out.right.begin() + 4800 + fade, out.right.begin() + 14400, input.right.begin() + 4800 + fade));
    EXPECT_FALSE(std::equal(out.left.begin() + 14400 + fade, out.left.end(), input.left.begin() + 14400 + fade));
}

TEST(Lv2State, SavedStateIsCarriedByUriToAHostOfOtherUrids) {
    Instance first;
    first.control(zk::paramMaster) = 0.3f;
    first.control(zk::paramDelay) = 0.8f;
    first.midi(0, {0xC0, 9}); // program 9 from here on
    const Stereo input = noise(8000, 7);
    first.render(input, 256);
    first.control(zk::paramDry) = 0.6f;
    first.render(input, 256);
    const State saved = first.save();
    ASSERT_EQ(saved.size(), 3u);
    int32_t program = -1;
    std::memcpy(&program, saved.at(first.urids().ours().stateProgram).bytes.data(), 4);
    EXPECT_EQ(program, 9);
    EXPECT_EQ(saved.at(first.urids().ours().stateBank).bytes.size(), size_t(zk::PluginEffect::kBankChunkSize));

    // URIDs are the host's: a new host gives other numbers, so the state is carried by URI.
    // (Restored, it sounds as the VST 2 module's restored bank: tests/conformance.)
    Instance second;
    State carried;
    for (const auto& [key, value] : saved) {
        StateValue moved = value;
        moved.type = second.urids().map(first.urids().unmap(value.type));
        carried[second.urids().map(first.urids().unmap(key))] = moved;
    }
    ASSERT_EQ(second.restore(carried), LV2_STATE_SUCCESS);
    EXPECT_EQ(second.save(), carried);
}

// A host that sets a port with nothing running (the plug-in not active) and saves finds the
// value in the state.
TEST(Lv2State, APortSetWithNothingRunningIsInTheNextState) {
    Instance first;
    first.control(zk::paramDelay) = 0.8125f;
    const State saved = first.save();
    Instance second;
    ASSERT_EQ(second.restore(saved), LV2_STATE_SUCCESS);
    second.activate();
    second.render(noise(64, 1), 64); // the ports as the host restores them stay its own
    second.panelOpened();
    second.render(noise(64, 1), 64);
    const std::optional<Message> values = find(second.messages(), Message::Kind::values);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->values[zk::paramDelay], 0.8125f);
}

TEST(Lv2State, DamagedStateOrOneOfAnotherVersionIsRefusedWithNothingChanged) {
    Instance source;
    source.control(zk::paramMaster) = 0.25f;
    source.render(noise(64, 1), 64);
    const State good = source.save();
    const zk::lv2::Urids& u = source.urids().ours();
    auto with = [&](LV2_URID key, StateValue value) {
        State s = good;
        s[key] = std::move(value);
        return s;
    };
    auto without = [&](LV2_URID key) {
        State s = good;
        s.erase(key);
        return s;
    };
    auto intValue = [&](int32_t v) {
        StateValue value{u.atomInt, std::vector<uint8_t>(4)};
        std::memcpy(value.bytes.data(), &v, 4);
        return value;
    };
    StateValue shortBank = good.at(u.stateBank);
    shortBank.bytes.pop_back();
    StateValue longBank = good.at(u.stateBank);
    longBank.bytes.push_back(0);
    StateValue stringBank = good.at(u.stateBank);
    stringBank.type = u.atomString;
    const std::vector<State> damaged = {with(u.stateVersion, intValue(2)), with(u.stateVersion, intValue(0)),
                                        with(u.stateProgram, intValue(128)), with(u.stateProgram, intValue(-1)),
                                        with(u.stateBank, shortBank),        with(u.stateBank, longBank),
                                        with(u.stateBank, stringBank),       without(u.stateVersion),
                                        without(u.stateProgram),             without(u.stateBank)};
    Instance target;
    target.control(zk::paramDry) = 0.5f;
    target.midi(0, {0xC0, 3});
    const Stereo input = noise(4000, 2);
    target.render(input, 128);
    const State before = target.save();
    for (size_t i = 0; i < damaged.size(); ++i) EXPECT_NE(target.restore(damaged[i]), LV2_STATE_SUCCESS) << i;
    EXPECT_EQ(target.save(), before);
    // ... and it sounds as one that was never offered them.
    Instance twin;
    twin.control(zk::paramDry) = 0.5f;
    twin.midi(0, {0xC0, 3});
    twin.render(input, 128);
    twin.deactivate(); // as the host did around the restores
    EXPECT_EQ(target.render(input, 128), twin.render(input, 128));
}

TEST(Lv2State, AnEmptyStateResetsToANewInstance) {
    Instance fresh, used;
    used.control(zk::paramMaster) = 0.1f;
    used.midi(0, {0xC0, 5});
    used.render(noise(256, 4), 256);
    ASSERT_EQ(used.restore({}), LV2_STATE_SUCCESS);
    EXPECT_EQ(used.save(), fresh.save());
}

// A learned controller moved a parameter inside the plug-in, so the state and the host's
// port disagree; the host restores both, in either order, and gets the saved sound.
TEST(Lv2State, StateAndPortsRestoredInEitherOrderGiveTheSavedState) {
    Instance source;
    source.panelCommand(CommandLearn, float(zk::paramMaster)); // learn Master ...
    source.midi(10, {0xB0, 7, 20});                             // ... from controller 7
    source.render(noise(512, 1), 512);
    const State saved = source.save();
    ASSERT_FLOAT_EQ(programValue(saved.at(source.urids().ours().stateBank).bytes, 0, zk::paramMaster), 20 / 127.0f);
    ASSERT_EQ(source.control(zk::paramMaster), 0.9f); // the host's port never heard of it

    Instance portsFirst, stateFirst;
    for (int32_t p = 0; p < 54; ++p) portsFirst.control(p) = source.control(p);
    ASSERT_EQ(portsFirst.restore(saved), LV2_STATE_SUCCESS);
    ASSERT_EQ(stateFirst.restore(saved), LV2_STATE_SUCCESS);
    stateFirst.control(zk::paramMaster) = 0.9f; // the host sets its ports after the state
    const Stereo input = noise(2048, 8);
    const Stereo a = portsFirst.render(input, 256), b = stateFirst.render(input, 256);
    EXPECT_EQ(a, b);
    EXPECT_EQ(portsFirst.save(), saved);
    EXPECT_EQ(stateFirst.save(), saved);
    // From then on a port the host moves is the host's change again.
    stateFirst.control(zk::paramMaster) = 0.5f;
    stateFirst.render(input, 256);
    EXPECT_FLOAT_EQ(programValue(bankOf(stateFirst), 0, zk::paramMaster), 0.5f);
}

// (Port changes, learned controllers and program changes at their frames, as every format:
// tests/conformance.)
TEST(Lv2Midi, EventsAtTheirFramesAndOnlyChannelMessagesThatPlayAPart) {
    Instance instance;
    instance.panelCommand(CommandLearn, float(zk::paramMaster));
    instance.midi(0, {0xB3, 7, 0}); // binds controller 7 (on any channel), Master 0
    instance.run(nullptr, nullptr, nullptr, nullptr, 16);
    const Stereo input = noise(4096, 12);
    // A sysex, a note, and events past the block's end: none of them may upset the block.
    instance.midi(5, {0xF0, 0x7E, 0xF7});
    instance.midi(6, {0x90, 60, 100});
    instance.midi(100, {0xB0, 7, 127}); // Master back to 1 at frame 100
    instance.midi(900000, {0xC0, 2});   // past the block: taken at its last frame
    Stereo out(input.frames());
    instance.run(&input.left[0], &input.right[0], &out.left[0], &out.right[0], 1024);
    for (size_t f = 0; f < 100; ++f) ASSERT_EQ(out.left[f], 0.0f) << f;
    const std::vector<uint8_t> bank = bankOf(instance);
    int32_t program = -1;
    std::memcpy(&program, instance.save().at(instance.urids().ours().stateProgram).bytes.data(), 4);
    EXPECT_EQ(program, 2);
    EXPECT_FLOAT_EQ(programValue(bank, 0, zk::paramMaster), 1.0f);
}

TEST(Lv2Notify, TheUiHearsWhatChangedInsideAndTheHostThatTheStateChanged) {
    Instance instance;
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    EXPECT_TRUE(instance.messages().empty()) << "nothing is told before a UI is there";
    EXPECT_EQ(instance.stateChangedCount(), 0) << "making and activating the instance changes no state";

    instance.panelOpened();
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    const std::vector<Message> opened = instance.messages();
    const std::optional<Message> values = find(opened, Message::Kind::values);
    ASSERT_TRUE(values);
    EXPECT_FLOAT_EQ(values->values[zk::paramMod2], 0.633f);
    EXPECT_TRUE(find(opened, Message::Kind::controllers));
    EXPECT_TRUE(find(opened, Message::Kind::lamps));
    EXPECT_EQ(instance.stateChangedCount(), 0);

    instance.panelCommand(CommandLearn, float(zk::paramPan2));
    instance.midi(3, {0xB0, 21, 127});
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    std::vector<Message> learned = instance.messages();
    const std::optional<Message> value = find(learned, Message::Kind::value);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->index, zk::paramPan2);
    EXPECT_EQ(value->value, 1.0f);
    const std::optional<Message> controllers = find(learned, Message::Kind::controllers);
    ASSERT_TRUE(controllers);
    EXPECT_EQ(controllers->controllers[zk::paramPan2], 21);
    EXPECT_EQ(instance.stateChangedCount(), 1);

    instance.midi(0, {0xC0, 4});
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    EXPECT_TRUE(find(instance.messages(), Message::Kind::values)) << "a program change tells every value";
    EXPECT_EQ(instance.stateChangedCount(), 1);

    // A full notify port keeps the news for a later block; a port too small for the
    // sequence's header is not written at all.
    instance.midi(0, {0xC0, 5});
    instance.setNotifyBytes(8);
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    EXPECT_TRUE(instance.messages().empty());
    instance.setNotifyBytes(64);
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    EXPECT_FALSE(find(instance.messages(), Message::Kind::values)) << "every value does not fit 64 bytes";
    instance.setNotifyBytes(8192);
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    EXPECT_TRUE(find(instance.messages(), Message::Kind::values));

    instance.panelClosed();
    instance.midi(0, {0xB0, 21, 0});
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    EXPECT_FALSE(find(instance.messages(), Message::Kind::value)) << "no UI, no values";
    EXPECT_EQ(instance.stateChangedCount(), 1) << "but the host still hears the state changed";

    instance.connectEvents(false, false); // hosts may leave both unconnected
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
}

// The UI passes the plug-in's own changes on to the host's ports; those come back as port
// changes blocks later, when the plug-in may have moved on.
TEST(Lv2Notify, EchoesOfReportedValuesAreNotTheHostsChanges) {
    Instance instance;
    instance.panelOpened();
    instance.panelCommand(CommandLearn, float(zk::paramMaster));
    instance.midi(0, {0xB0, 7, 10});
    instance.run(nullptr, nullptr, nullptr, nullptr, 32);
    instance.midi(0, {0xB0, 7, 40});
    instance.run(nullptr, nullptr, nullptr, nullptr, 32);
    instance.midi(0, {0xB0, 7, 90});
    instance.run(nullptr, nullptr, nullptr, nullptr, 32);
    // The UI's writes of 10 and 40 arrive now: the plug-in stays at 90.
    for (int data : {10, 40}) {
        instance.control(zk::paramMaster) = float(data) * 0.007874016f;
        instance.run(nullptr, nullptr, nullptr, nullptr, 32);
        EXPECT_FLOAT_EQ(programValue(bankOf(instance), 0, zk::paramMaster), 90 * 0.007874016f) << data;
    }
    // The user moves the host's control: that is applied.
    instance.control(zk::paramMaster) = 0.2f;
    instance.run(nullptr, nullptr, nullptr, nullptr, 32);
    EXPECT_FLOAT_EQ(programValue(bankOf(instance), 0, zk::paramMaster), 0.2f);
    // ... and the echo of 90 that comes after it is stale: the host's value stands.
    instance.control(zk::paramMaster) = 90 * 0.007874016f;
    instance.run(nullptr, nullptr, nullptr, nullptr, 32);
    EXPECT_FLOAT_EQ(programValue(bankOf(instance), 0, zk::paramMaster), 90 * 0.007874016f);
}

TEST(Lv2Worker, SavingDefaultsRunsOnTheWorkerAndTellsTheUiHowItWent) {
    const std::string config = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    ASSERT_FALSE(config.empty()) << "the tests run with settings of their own";
    const std::filesystem::path file = std::filesystem::path(config) / "zephyrkettledrome.org/Zephyrkettledrome/settings";
    std::filesystem::remove(file);

    Instance instance;
    instance.panelOpened();
    instance.panelCommand(CommandLearn, float(zk::paramDelay));
    instance.midi(1, {0xB0, 30, 64});
    instance.panelCommand(CommandDefaults, 1.0f);
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    EXPECT_FALSE(std::filesystem::exists(file)) << "the audio thread writes no file";
    EXPECT_EQ(instance.runWorker(), 1);
    std::ifstream saved(file);
    const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"MidiCC-Delay\" 31"), std::string::npos) << text;
    instance.run(nullptr, nullptr, nullptr, nullptr, 64);
    const std::optional<Message> notice = find(instance.messages(), Message::Kind::notice);
    ASSERT_TRUE(notice);
    EXPECT_STREQ(notice->text, "Default Values Saved!");
    EXPECT_STREQ(notice->title, "Ok!");

    // A new instance starts with the stored binding; forgetting every binding (said Yes to
    // on the panel) clears it at once, in the audio thread.
    Instance next;
    next.panelOpened();
    next.run(nullptr, nullptr, nullptr, nullptr, 64);
    const std::optional<Message> stored = find(next.messages(), Message::Kind::controllers);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->controllers[zk::paramDelay], 30);
    next.panelCommand(CommandDefaults, 2.0f);
    next.run(nullptr, nullptr, nullptr, nullptr, 64);
    const std::optional<Message> forgotten = find(next.messages(), Message::Kind::controllers);
    ASSERT_TRUE(forgotten);
    EXPECT_EQ(forgotten->controllers[zk::paramDelay], 0);

    Instance noWorker({.worker = false});
    noWorker.panelOpened();
    noWorker.panelCommand(CommandDefaults, 1.0f);
    noWorker.run(nullptr, nullptr, nullptr, nullptr, 64);
    const std::optional<Message> refused = find(noWorker.messages(), Message::Kind::notice);
    ASSERT_TRUE(refused);
    EXPECT_STREQ(refused->title, "Error!");
    std::filesystem::remove(file);
}
