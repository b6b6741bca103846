// The VST3 view in a real X11 parent: while attached, the host's run loop gets a timer and a
// watch on the panel's own connection (a new one for each attach) and both go when the view
// is removed; a parent the host destroys first is survived. Needs a display: scripts/test-x11
// runs it on Xvfb with ZK_TEST_X11_DISPLAY=1.

#include "tests/vst3/Vst3TestHost.h"

#include <gtest/gtest.h>
#include "tests/support/SuiteDisplay.h" // after the test framework: Xlib's macros

namespace zkvst3test {
namespace {

class Vst3ViewX11 : public zktest::SuiteParentWindowTest {
protected:
    void SetUp() override {
        SuiteParentWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(view);
        view->setFrame(&frame);
    }
    // The run loop's handlers called as a host's main loop calls them.
    void runLoop() {
        for (int i = 0; i < 5; ++i) {
            for (const auto& watch : frame.watches) watch.handler->onFDIsSet(watch.fd);
            for (const auto& timer : frame.timers) timer.handler->onTimer();
        }
    }

    Instance instance;
    zkhost::Vst3PlugFrame frame; // outlives the view, which holds it
    Vst3Ref<vst3::IPlugView> view{instance.controller()->createView(vst3::kEditorViewType)};
};

TEST_F(Vst3ViewX11, TheRunLoopWatchesTheConnectionWhileTheViewIsAttached) {
    void* window = reinterpret_cast<void*>(static_cast<uintptr_t>(parent));
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_EQ(view->attached(window, vst3::kPlatformTypeX11EmbedWindowID), vst3::kResultOk);
        ASSERT_EQ(frame.watches.size(), 1u);
        ASSERT_EQ(frame.timers.size(), 1u);
        EXPECT_NE(frame.watches[0].fd, ConnectionNumber(display));
        EXPECT_EQ(children(), 1u);
        runLoop();
        EXPECT_EQ(view->removed(), vst3::kResultOk);
        EXPECT_TRUE(frame.watches.empty());
        EXPECT_TRUE(frame.timers.empty());
        EXPECT_EQ(children(), 0u);
    }
}

TEST_F(Vst3ViewX11, AParentDestroyedFirstIsSurvived) {
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)), vst3::kPlatformTypeX11EmbedWindowID),
              vst3::kResultOk);
    ASSERT_EQ(frame.watches.size(), 1u);
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = 0;
    runLoop();
    view->removed();
    EXPECT_TRUE(frame.watches.empty());
}

} // namespace
} // namespace zkvst3test
