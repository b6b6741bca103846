#include "gui/Frame.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace zktest {
namespace {

// A drag whose events the window fetches in the host's idle (as on X11): one edit gesture of
// the knob's parameter, the host hears of every step, and at each one the panel is free for any other thread (the host's own GUI
// thread closing it, say) and for the host's calls back into it from there.
TEST(PanelThreads, TheHostHearsOfADragWithThePanelFree) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    std::vector<bool> panelFree;
    std::vector<std::future<int32_t>> others; // kept: a panel held would make them wait to the end
    int32_t idlesInside = 0;
    h.onCall = [&](const HostCall& call) {
        if (!PanelHarness::isGesture(call)) return;
        others.push_back(std::async(std::launch::async, [&] { return h.editor().eventDescriptor(); }));
        panelFree.push_back(others.back().wait_for(std::chrono::milliseconds(300)) == std::future_status::ready);
        h.idle(); // effEditIdle from inside the callback
        ++idlesInside;
    };
    const Point knob{88, 62}; // Band 1's knob, parameter 4
    h.effect().setParameter(4, 0.5f);
    h.window().atNextIdle([&] {
        h.press(knob, 1, {{{knob.h + 10, knob.v}, 1, 0}, {{knob.h + 20, knob.v}, 1, 0}, {{knob.h + 20, knob.v}, 0, 0}});
    });
    h.calls.clear();
    h.idle();
    h.onCall = nullptr;
    others.clear();
    const std::vector<HostCall> gesture = h.gestureCalls();
    ASSERT_GE(gesture.size(), 4u);
    EXPECT_EQ(gesture.front().opcode, vst2::audioMasterBeginEdit);
    EXPECT_EQ(gesture.back().opcode, vst2::audioMasterEndEdit);
    for (std::size_t i = 0; i < gesture.size(); ++i) {
        EXPECT_EQ(gesture[i].index, 4) << i;
        if (i > 0 && i + 1 < gesture.size()) {
            EXPECT_EQ(gesture[i].opcode, vst2::audioMasterAutomate) << i;
        }
    }
    EXPECT_FLOAT_EQ(gesture[gesture.size() - 2].value, h.effect().getParameter(4));
    EXPECT_EQ(panelFree, std::vector<bool>(gesture.size(), true));
    EXPECT_EQ(idlesInside, int32_t(gesture.size()));
    EXPECT_NEAR(h.effect().getParameter(4), 0.5f + 20.0f / 200.0f, 1e-6) << "the knob's parameter";
}

// A program change on another thread, or inside a block on the panel's own (a host that
// processes there): the controls get their values, the panel draws them at its next idle.
TEST(PanelThreads, AProgramChangeElsewhereOrInsideABlockIsDrawnAtTheNextIdle) {
    for (bool insideABlock : {false, true}) {
        PanelHarness h;
        h.effect().setProgram(1);
        h.effect().setParameter(0, 0.3f); // the default is 0.9
        h.effect().setProgram(0);
        ASSERT_TRUE(h.open());
        h.idle();
        const std::vector<uint32_t> before = h.pixels().pixels();
        if (insideABlock) {
            vst2::VstMidiEvent change{vst2::kVstMidiType, int32_t(sizeof(vst2::VstMidiEvent)), 100, 0, 0, 0,
                                      {char(0xC0), 1, 0, 0}, 0, 0, 0, 0};
            vst2::VstEvents list{1, 0, {reinterpret_cast<vst2::VstEvent*>(&change), nullptr}};
            std::vector<float> left(256, 0.1f), right(256, -0.1f), outLeft(256), outRight(256);
            float* inputs[2] = {left.data(), right.data()};
            float* outputs[2] = {outLeft.data(), outRight.data()};
            h.effect().processEvents(&list);
            h.effect().processReplacing(inputs, outputs, 256);
        } else {
            std::thread([&] { h.effect().setProgram(1); }).join(); // runs the editor's idle there
        }
        ASSERT_EQ(h.effect().getProgram(), 1);
        EXPECT_FLOAT_EQ(h.editor().control(0)->getValue(), 0.3f) << insideABlock;
        EXPECT_TRUE(h.pixels().pixels() == before) << insideABlock;
        h.idle();
        EXPECT_FALSE(h.pixels().pixels() == before) << insideABlock;
        EXPECT_FALSE(h.editor().control(0)->isDirty()) << insideABlock;
        h.effect().setProgram(0); // outside processing, on the panel's thread: drawn at once
        EXPECT_FALSE(h.editor().control(0)->isDirty()) << insideABlock;
    }
}

// A box belongs over the panel only where the panel's idle will handle it: while the panel
// is open, and for a call on the panel's own thread.
TEST(PanelThreads, MessagesNameThePanelsWindowOnlyOnItsThreadWhileItIsOpen) {
    PanelHarness h;
    h.effect().setParameter(zk::CommandDefaults, 2.0f);
    ASSERT_TRUE(h.open());
    void* panel = h.editor().frame()->platformWindow()->nativeHandle();
    h.effect().setParameter(zk::CommandDefaults, 2.0f);
    std::thread([&] { h.effect().setParameter(zk::CommandDefaults, 2.0f); }).join();
    char empty = 0;
    h.effect().dispatch(vst2::effSetChunk, 0, 0, &empty);
    h.close();
    h.effect().setParameter(zk::CommandDefaults, 2.0f);
    EXPECT_EQ(h.messages.windows, (std::vector<void*>{nullptr, panel, nullptr, panel, nullptr}));
    EXPECT_EQ(h.messages.shown[3], "Error!|Can't load bank, wrong file size!");
}

// Hosts that idle from a timer thread of their own (X11EditorTest checks the panel is drawn
// there): opening and closing on the host's main thread never meets a drawing in progress.
TEST(PanelThreads, HostIdleFromATimerThreadNeverMeetsAnOpeningOrClosing) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    std::atomic<bool> stop{false};
    std::thread timer([&] {
        for (uint32_t n = 0; !stop.load(std::memory_order_relaxed); ++n) {
            h.effect().setParameter(int32_t(n % 53), float(n % 10) / 10.0f);
            h.idle();
        }
    });
    for (int i = 0; i < 30; ++i) {
        h.close();
        ASSERT_TRUE(h.editor().open(h.hostWindow()));
        h.idle(); // the main thread idles too now and then
    }
    stop = true;
    timer.join();
}

} // namespace
} // namespace zktest
