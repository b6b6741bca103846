#include "tests/core/EffectFixture.h"

#include <limits>

namespace zktest {
namespace {

class MidiTest : public EffectTest {
protected:
    // Hands the list over and walks it frame by frame, as a block does.
    void play(const Midi& events, int32_t frames = 64) {
        sendMidi(events);
        for (int32_t frame = 0; frame < frames; ++frame) effect->handlePendingEvents(frame);
    }
    void learn(int32_t index, uint8_t controller, uint8_t value = 0) {
        EffectTest::learn(index);
        play({{0, {0xB0, controller, value}}});
    }
    using EffectTest::learn;
};

constexpr float kByte = 0.007874016f;

TEST_F(MidiTest, LearningBindsTheNextControllerAndTheMessageMovesTheParameter) {
    learn(5);
    EXPECT_EQ(effect->learnTarget(), 5);
    editor->refreshes = 0;
    play({{0, {0xB0, 20, 64}}});
    EXPECT_EQ(effect->learnedController(5), 20);
    EXPECT_EQ(effect->parameter(5), 64 * kByte);
    EXPECT_EQ(effect->learnTarget(), -1);
    EXPECT_EQ(editor->refreshes, 1);

    play({{0, {0xB0, 20, 127}}});
    EXPECT_EQ(effect->parameter(5), 1.0f);
    play({{0, {0xB0, 21, 0}}}); // learning is no longer armed
    EXPECT_EQ(effect->learnedController(5), 20);
    EXPECT_EQ(host.count("changed"), 2); // the learning message and the move, as controller
    for (const RecordingHost::Call& call : host.calls) EXPECT_EQ(call.origin, zk::ChangeOrigin::controller);
}

TEST_F(MidiTest, BoundControllersFollowOnEveryChannel) {
    learn(41, 7);
    learn(0, 7);
    play({{0, {0xBF, 7, 127}}});
    EXPECT_EQ(effect->parameter(41), 1.0f);
    EXPECT_EQ(effect->parameter(0), 1.0f);
    play({{0, {0xB3, 7, 0}}});
    EXPECT_EQ(effect->parameter(41), 0.0f);
    EXPECT_EQ(effect->parameter(0), 0.0f);
}

TEST_F(MidiTest, ControllerZeroAndDisarmingLeaveParametersUnbound) {
    learn(3, 0, 100);
    EXPECT_EQ(effect->learnedController(3), 0);
    EXPECT_EQ(effect->parameter(3), 1.0f);
    learn(8);
    learn(-1);
    play({{0, {0xB0, 30, 10}}});
    EXPECT_EQ(effect->learnedController(8), 0);
}

TEST_F(MidiTest, ForgettingOneBindingKeepsTheOthers) {
    learn(1, 11);
    learn(2, 12);
    effect->panelCommand(zk::PanelCommand::forgetController, 1);
    EXPECT_EQ(effect->learnedController(1), 0);
    EXPECT_EQ(effect->learnedController(2), 12);
}

// Forgetting them all: the answer may come long after the question (a box over the panel),
// the bindings stay until a Yes comes. The question names the window the editor gives for it.
TEST_F(MidiTest, ForgettingAllWaitsForTheAnswerAskedOverTheEditorsWindow) {
    learn(2, 12);
    int panel = 0;
    editor->window = &panel;
    messages.answerLater = true;
    effect->panelCommand(zk::PanelCommand::forgetAllControllers);
    effect->panelCommand(zk::PanelCommand::forgetAllControllers);
    EXPECT_EQ(effect->learnedController(2), 12);
    messages.answerNext(false);
    EXPECT_EQ(effect->learnedController(2), 12);
    const int refreshes = editor->refreshes;
    messages.answerNext(true);
    EXPECT_EQ(effect->learnedController(2), 0);
    EXPECT_EQ(editor->refreshes, refreshes + 1);
    EXPECT_EQ(messages.windows, (std::vector<void*>{&panel, &panel}));
    EXPECT_EQ(messages.shown.back(), "Warning!|Forget Learned MidiCC?");
}

TEST_F(MidiTest, LearnCommandsThatNameNoParameterChangeNothing) {
    learn(53, 9);
    for (int32_t index : {54, -2, 999, 1054, 5000, std::numeric_limits<int32_t>::min()}) {
        learn(index);
        EXPECT_EQ(effect->learnTarget(), -1) << index;
        effect->panelCommand(zk::PanelCommand::forgetController, index);
    }
    EXPECT_EQ(effect->learnedController(53), 9);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MidiTest, DataBytesAreSevenBit) {
    learn(6, 0xF7); // learns 119
    EXPECT_EQ(effect->learnedController(6), 119);
    play({{0, {0xC0, 200, 0}}});
    EXPECT_EQ(effect->currentProgram(), 200 & 0x7F);
    play({{0, {0xB0, 119, 0xFF}}});
    EXPECT_EQ(effect->parameter(6), 1.0f);
}

// What hosts send on all sixteen channels when the transport stops: All Sound Off, Reset
// All Controllers and All Notes Off, controllers 120, 121 and 123. Channel Mode messages
// are no controllers: they neither teach a binding nor move a bound parameter.
TEST_F(MidiTest, TheBurstAtStopNeitherTeachesNorMovesAnything) {
    // Bindings to those numbers, as a bank from elsewhere may carry them, and one to 64.
    std::vector<uint8_t> bank = saved(*effect, zk::ChunkKind::bank);
    for (auto [index, controller] : {std::pair{3, 121}, std::pair{9, 123}, std::pair{20, 64}})
        bank[36 * static_cast<size_t>(index) + 8] = static_cast<uint8_t>(controller);
    ASSERT_TRUE(effect->restoreChunk(zk::ChunkKind::bank, bank.data(), static_cast<int32_t>(bank.size())));
    effect->setParameter(9, 0.5f);
    learn(5);

    Midi burst;
    for (uint8_t channel = 0; channel < 16; ++channel)
        for (uint8_t controller : {120, 121, 123}) burst.push_back({0, {uint8_t(0xB0 | channel), controller, 0}});
    play(burst);
    EXPECT_EQ(effect->learnTarget(), 5);
    EXPECT_EQ(effect->learnedController(5), 0);
    EXPECT_EQ(effect->parameter(3), 1.0f);
    EXPECT_EQ(effect->parameter(9), 0.5f);
    EXPECT_EQ(effect->learnedController(3), 121); // the stored bindings stay as they came

    // Every other controller, 64 included, still teaches and moves.
    play({{0, {0xBF, 64, 127}}});
    EXPECT_EQ(effect->learnedController(5), 64);
    EXPECT_EQ(effect->parameter(5), 1.0f);
    EXPECT_EQ(effect->parameter(20), 1.0f);
}

// A list still pending when the effect is switched off, or on again, is not read: its
// memory is the host's, which may have freed or reused it by then.
TEST_F(MidiTest, AListPendingWhenTheEffectIsSwitchedOffOrOnIsNotRead) {
    for (bool deactivateFirst : {true, false}) {
        MidiList list({{0, {0xC0, 5, 0}}});
        effect->takeEvents(list.list());
        if (deactivateFirst) effect->deactivate();
        effect->activate();
        list.events()[0].midi[1] = 9; // the host's memory, used for something else
        for (int32_t frame = 0; frame < 64; ++frame) effect->handlePendingEvents(frame);
        processFrames(64);
        EXPECT_EQ(effect->currentProgram(), 0) << deactivateFirst;
    }
}

TEST_F(MidiTest, NotesPitchBendAndOtherEventTypesChangeNothing) {
    learn(12, 40);
    const float before = effect->parameter(12);
    play({{0, {0x90, 40, 100}}, {0, {0x80, 40, 0}}, {0, {0xE0, 40, 100}}, {0, {0xA0, 40, 1}}, {0, {0xD0, 40, 0}}});
    EXPECT_EQ(effect->parameter(12), before);
    EXPECT_EQ(effect->currentProgram(), 0);

    // An event of another kind between two MIDI events is skipped; both are acted on.
    MidiList list({{0, {0xB0, 40, 127}}, {0, {}}, {0, {0xC0, 9, 0}}});
    list.events()[1].kind = zk::BlockEvent::Kind::other;
    effect->takeEvents(list.list());
    effect->handlePendingEvents(0);
    EXPECT_EQ(effect->currentProgram(), 9);
    effect->selectProgram(0);
    EXPECT_EQ(effect->parameter(12), 1.0f);
}

TEST_F(MidiTest, EventsAreActedOnAtTheirFramesOnceEach) {
    learn(1, 50);
    sendMidi({{0, {0xB0, 50, 10}}, {5, {0xB0, 50, 20}}, {9, {0xB0, 50, 30}}});
    effect->handlePendingEvents(0);
    EXPECT_EQ(effect->parameter(1), 10 * kByte);
    effect->handlePendingEvents(4);
    EXPECT_EQ(effect->parameter(1), 10 * kByte);
    effect->handlePendingEvents(5);
    EXPECT_EQ(effect->parameter(1), 20 * kByte);
    effect->setParameter(1, 0.0f);
    effect->handlePendingEvents(5); // consumed already
    EXPECT_EQ(effect->parameter(1), 0.0f);
    effect->handlePendingEvents(9);
    EXPECT_EQ(effect->parameter(1), 30 * kByte);
}

TEST_F(MidiTest, AnUnsortedListNeitherStallsNorActsTwice) {
    learn(1, 50);
    learn(2, 51);
    sendMidi({{6, {0xB0, 50, 60}}, {2, {0xB0, 51, 20}}, {8, {0xB0, 51, 80}}});
    // The engine skips to the frames that nextEventFrame() names.
    EXPECT_TRUE(effect->nextEventFrame(0) == 6 && effect->nextEventFrame(7) == 7); // 7: overdue
    for (int32_t frame = 0; frame < 6; ++frame) effect->handlePendingEvents(frame);
    EXPECT_EQ(effect->parameter(2), 0.0f); // waits behind the event of frame 6
    effect->handlePendingEvents(6);
    EXPECT_EQ(effect->parameter(1), 60 * kByte);
    EXPECT_EQ(effect->parameter(2), 20 * kByte); // overdue: at once
    EXPECT_EQ(effect->nextEventFrame(7), 8);
    effect->handlePendingEvents(8);
    EXPECT_EQ(effect->parameter(2), 80 * kByte);
    EXPECT_EQ(effect->nextEventFrame(9), zk::EngineHost::noPendingEvents);
}

TEST_F(MidiTest, EventsInFramesTheSleepingEngineSkipsStillTakeEffect) {
    learn(1, 50);
    sendMidi({{10, {0xB0, 50, 64}}});
    processFrames(256, 0.0f); // silence: the engine sleeps through the whole block
    EXPECT_EQ(effect->parameter(1), 64 * kByte);
    sendMidi({{20, {0xC0, 3, 0}}});
    processFrames(256, 0.0f);
    EXPECT_EQ(effect->currentProgram(), 3);
}

TEST_F(MidiTest, TheListIsDroppedWhenItsBlockEnds) {
    learn(1, 50);
    sendMidi({{1000, {0xB0, 50, 127}}});
    processFrames(256);
    EXPECT_EQ(effect->parameter(1), 0.0f);
    processFrames(2000); // no list was handed over for this block
    EXPECT_EQ(effect->parameter(1), 0.0f);

    sendMidi({{0, {0xB0, 50, 127}}});
    sendMidi({}); // an empty list drops the one before
    effect->handlePendingEvents(0);
    EXPECT_EQ(effect->parameter(1), 0.0f);
    effect->takeEvents(nullptr);
    effect->handlePendingEvents(0);
}

} // namespace
} // namespace zktest
