// The CLAP wrapper around an effect built from the libraries, for what the built module
// cannot show without a person at the panel: the panel's edits reaching the host as
// gestures and values, through the flush it asks for or the next process call, in order
// and whole, and the rescans of program changes on the right thread.

#include "core/PluginEffect.h"
#include "formats/clap/ClapPlugin.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/support/ScriptedMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zkclaptest {
namespace {

using namespace clap;

constexpr uint32_t kPan3 = zk::paramPan3, kMaster = zk::paramMaster;

const clap_plugin_descriptor kDescriptor = {CLAP_VERSION, "org.zephyrkettledrome.test", "test", "", "", "", "", "1", "",
                                            nullptr};

struct Sent {
    uint16_t type;
    uint32_t id;
    double value;
    uint32_t time, flags;
    bool operator==(const Sent&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Sent& s) {
    return out << "{type " << s.type << ", id " << s.id << ", value " << s.value << ", time " << s.time << ", flags "
               << s.flags << "}";
}

constexpr uint16_t kBegin = CLAP_EVENT_PARAM_GESTURE_BEGIN, kEnd = CLAP_EVENT_PARAM_GESTURE_END,
                   kValue = CLAP_EVENT_PARAM_VALUE;

std::vector<Sent> sent(const OutputEvents& out) {
    EXPECT_EQ(out.misshapen, 0);
    std::vector<Sent> list;
    for (const OutputEvents::Event& e : out.events) list.push_back({e.type, e.paramId, e.value, e.time, e.flags});
    return list;
}

class ClapWrapper : public ::testing::Test {
protected:
    ClapWrapper() {
        auto* plugin = new zk::ClapPlugin(host.record(), &kDescriptor, [this](zk::HostServices& services) {
            auto made = std::make_unique<zk::PluginEffect>(services, zk::EffectServices{&messages, nullptr});
            effect = made.get();
            return made;
        });
        instance = std::make_unique<Instance>(plugin->record(), host);
    }
    // The user drags a control on the panel: a gesture with these values.
    void drag(uint32_t id, std::initializer_list<float> values) {
        effect->beginEdit(static_cast<int32_t>(id));
        for (float v : values) effect->editParameter(static_cast<int32_t>(id), v);
        effect->endEdit(static_cast<int32_t>(id));
    }

    TestHost host;
    zktest::ScriptedMessages messages;
    zk::PluginEffect* effect = nullptr;
    std::unique_ptr<Instance> instance;
};

TEST_F(ClapWrapper, ThePanelsGestureReachesTheHostThroughTheFlushItAsksFor) {
    drag(kPan3, {0.25f, 0.5f});
    EXPECT_GE(host.flushRequests, 1);
    OutputEvents out;
    instance->flush(InputEvents(), &out);
    EXPECT_EQ(sent(out), (std::vector<Sent>{{kBegin, kPan3, 0, 0, 0}, {kValue, kPan3, 0.25, 0, 0},
                                            {kValue, kPan3, 0.5, 0, 0}, {kEnd, kPan3, 0, 0, 0}}));
    EXPECT_EQ(instance->parameter(kPan3), 0.5);
    OutputEvents again;
    instance->flush(InputEvents(), &again);
    EXPECT_TRUE(again.events.empty()) << "each report goes once";
}

// While processing, the panel's reports open the next block's events, before the changes
// a MIDI controller makes inside it (marked not to be recorded).
TEST_F(ClapWrapper, WhileProcessingThePanelsReportsGoFirstInTheNextBlock) {
    ASSERT_TRUE(instance->activate(44100, 64));
    effect->panelCommand(zk::PanelCommand::learnController, static_cast<int32_t>(kMaster));
    drag(kPan3, {1.0f});
    std::vector<float> block(64, 0.2f);
    InputEvents in;
    in.addMidi(10, 0xB0, 30, 127); // teaches controller 30 to Master and moves it
    OutputEvents out;
    instance->process(block.data(), block.data(), block.data(), block.data(), 64, &in, &out);
    EXPECT_EQ(sent(out), (std::vector<Sent>{{kBegin, kPan3, 0, 0, 0},
                                            {kValue, kPan3, 1.0, 0, 0},
                                            {kEnd, kPan3, 0, 0, 0},
                                            {kValue, kMaster, 1.0, 10, CLAP_EVENT_DONT_RECORD}}));
}

// A host list with room for one event at a time gets the gesture whole, over three calls;
// an end with no beginning sent, or a second beginning, is never sent.
TEST_F(ClapWrapper, GesturesGoWholeAndPairedEvenThroughAFullList) {
    drag(kPan3, {0.75f});
    std::vector<Sent> all;
    for (int call = 0; call < 4; ++call) {
        OutputEvents one(1);
        instance->flush(InputEvents(), &one);
        for (const Sent& s : sent(one)) all.push_back(s);
    }
    EXPECT_EQ(all, (std::vector<Sent>{{kBegin, kPan3, 0, 0, 0}, {kValue, kPan3, 0.75, 0, 0}, {kEnd, kPan3, 0, 0, 0}}));

    effect->endEdit(kPan3); // no gesture open
    effect->beginEdit(kPan3);
    effect->beginEdit(kPan3);
    effect->endEdit(kPan3);
    OutputEvents out;
    instance->flush(InputEvents(), &out);
    EXPECT_EQ(sent(out), (std::vector<Sent>{{kBegin, kPan3, 0, 0, 0}, {kEnd, kPan3, 0, 0, 0}}));
}

// A host that neither processes nor flushes for a long drag: the values that find no room
// are read again through a rescan, and the gesture still ends.
TEST_F(ClapWrapper, ALongDragTheHostDoesNotTakeEndsInARescanAndTheGesturesEnd) {
    effect->beginEdit(kPan3);
    for (int i = 0; i < 3000; ++i) effect->editParameter(kPan3, static_cast<float>(i % 100) / 100.0f);
    effect->endEdit(kPan3);
    EXPECT_GE(host.callbackRequests, 1);
    instance->runMainThreadCallbacks();
    EXPECT_EQ(host.rescans, std::vector<uint32_t>{CLAP_PARAM_RESCAN_VALUES});
    OutputEvents out;
    instance->flush(InputEvents(), &out);
    ASSERT_GE(out.events.size(), 3u);
    EXPECT_EQ(out.events.front().type, kBegin);
    EXPECT_EQ(out.events.back().type, kEnd);
}

// A program change made on the main thread has the host rescan at once; one made on a
// thread the host says is not its main thread waits for on_main_thread.
TEST_F(ClapWrapper, ProgramChangesAreRescannedOnTheMainThread) {
    effect->selectProgram(3);
    EXPECT_EQ(host.rescans, std::vector<uint32_t>{CLAP_PARAM_RESCAN_VALUES});
    EXPECT_EQ(host.callbackRequests, 0);
    std::thread other([this] { effect->selectProgram(4); });
    other.join();
    EXPECT_EQ(host.rescans.size(), 1u);
    EXPECT_EQ(host.callbackRequests, 1);
    instance->runMainThreadCallbacks();
    EXPECT_EQ(host.rescans.size(), 2u);
    EXPECT_EQ(host.rescansOffMain, 0);
}

// The panel's drags on the main thread while the audio thread processes blocks in which a
// controller moves Master: every report arrives once, whole and in order (run under
// ThreadSanitizer by scripts/test-tsan).
TEST_F(ClapWrapper, PanelEditsWhileTheAudioThreadProcessesArriveWholeAndInOrder) {
    ASSERT_TRUE(instance->activate(44100, 64));
    ASSERT_TRUE(instance->load([&] {
        std::vector<uint8_t> state = instance->save();
        state.at(16 + 36 * kMaster + 8) = 30; // controller 30 moves Master
        return state;
    }()));
    constexpr int kDrags = 100; // 700 reports: room in the queue even if no block ran meanwhile
    std::atomic<bool> dragging{true};
    std::vector<Sent> fromPanel, fromController;
    std::thread audio([&] {
        std::vector<float> block(64, 0.2f);
        // Two blocks after the last drag, so that its reports, queued after the block
        // running at the time had sent what it found, go out too.
        for (int i = 0, after = 0; after < 2; ++i) {
            if (!dragging.load()) ++after;
            InputEvents in;
            in.addMidi(static_cast<uint32_t>(i % 64), 0xB0, 30, static_cast<uint8_t>(i % 128));
            OutputEvents out;
            instance->process(block.data(), block.data(), block.data(), block.data(), 64, &in, &out);
            uint32_t lastTime = 0;
            for (const Sent& s : sent(out)) {
                EXPECT_GE(s.time, lastTime);
                lastTime = s.time;
                (s.flags & CLAP_EVENT_DONT_RECORD ? fromController : fromPanel).push_back(s);
            }
        }
    });
    constexpr float kValues[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    for (int d = 0; d < kDrags; ++d) drag(kPan3, {kValues[0], kValues[1], kValues[2], kValues[3], kValues[4]});
    dragging = false;
    audio.join();
    ASSERT_EQ(fromPanel.size(), 7u * kDrags);
    for (size_t i = 0; i < fromPanel.size(); ++i) {
        const size_t step = i % 7;
        const Sent expected = step == 0 ? Sent{kBegin, kPan3, 0, 0, 0}
                              : step == 6 ? Sent{kEnd, kPan3, 0, 0, 0}
                                          : Sent{kValue, kPan3, kValues[step - 1], 0, 0};
        ASSERT_EQ(fromPanel[i], expected) << i;
    }
    EXPECT_FALSE(fromController.empty());
    for (const Sent& s : fromController) EXPECT_EQ(s.id, kMaster);
}

} // namespace
} // namespace zkclaptest
