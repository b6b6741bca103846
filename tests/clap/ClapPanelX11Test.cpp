// The .clap's panel in a real X11 parent: the connection's descriptor is handed to the host
// to watch while the panel is open (a new one for each opening) and taken back when it
// closes; a parent the host destroys first is survived. Needs a display: scripts/test-x11
// runs it on Xvfb with ZK_TEST_X11_DISPLAY=1.

#include "tests/clap/ClapTestHost.h"

#include <gtest/gtest.h>
#include "tests/support/SuiteDisplay.h"

namespace zkclaptest {
namespace {

using namespace clap;

class ClapPanelX11 : public zktest::SuiteParentWindowTest {
protected:
    // The panel created and given the suite's parent window.
    void createInParent() {
        ASSERT_TRUE(gui && descriptors && timers);
        clap_window window{CLAP_WINDOW_API_X11, {}};
        window.x11 = parent;
        ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
        ASSERT_TRUE(gui->set_parent(p, &window));
        ASSERT_EQ(host.descriptors.size(), 1u);
    }
    // The descriptor's and the timer's handlers called as a host's main loop calls them.
    void runLoop() {
        for (int i = 0; i < 5; ++i) {
            descriptors->on_fd(p, host.descriptors[0], CLAP_POSIX_FD_READ);
            timers->on_timer(p, host.timers[0]);
        }
    }

    ClapModule module;
    TestHost host;
    Instance instance{module, host};
    const clap_plugin* p = instance.plugin();
    const clap_plugin_gui* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    const clap_plugin_posix_fd_support* descriptors =
        instance.extension<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
    const clap_plugin_timer_support* timers = instance.extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
};

TEST_F(ClapPanelX11, TheHostWatchesTheConnectionWhileThePanelIsOpen) {
    ASSERT_NO_FATAL_FAILURE(createInParent());
    ASSERT_TRUE(gui->show(p));
    ASSERT_EQ(host.timers.size(), 1u);
    EXPECT_NE(host.descriptors[0], ConnectionNumber(display));
    EXPECT_EQ(children(), 1u);
    runLoop();
    EXPECT_TRUE(gui->hide(p));
    EXPECT_TRUE(host.descriptors.empty());
    EXPECT_EQ(children(), 0u);
    EXPECT_TRUE(gui->show(p));
    EXPECT_EQ(host.descriptors.size(), 1u);
    EXPECT_EQ(children(), 1u);
    gui->destroy(p);
    EXPECT_TRUE(host.descriptors.empty());
    EXPECT_TRUE(host.timers.empty());
    EXPECT_EQ(children(), 0u);
}

TEST_F(ClapPanelX11, AParentDestroyedFirstIsSurvived) {
    ASSERT_NO_FATAL_FAILURE(createInParent());
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = 0;
    runLoop();
    gui->hide(p);
    gui->destroy(p);
    EXPECT_TRUE(host.descriptors.empty());
}

} // namespace
} // namespace zkclaptest
