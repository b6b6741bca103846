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
    ClapModule module{builtClapPath()};
    TestHost host;
};

TEST_F(ClapPanelX11, TheHostWatchesTheConnectionWhileThePanelIsOpen) {
    Instance instance(module, host);
    const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    const auto* descriptors = instance.extension<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
    const auto* timers = instance.extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
    ASSERT_TRUE(gui && descriptors && timers);
    const clap_plugin* p = instance.plugin();
    clap_window window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui->set_parent(p, &window));
    ASSERT_TRUE(gui->show(p));
    ASSERT_EQ(host.descriptors.size(), 1u);
    ASSERT_EQ(host.timers.size(), 1u);
    EXPECT_NE(host.descriptors[0], ConnectionNumber(display));
    EXPECT_EQ(children(), 1u);
    for (int i = 0; i < 5; ++i) {
        descriptors->on_fd(p, host.descriptors[0], CLAP_POSIX_FD_READ);
        timers->on_timer(p, host.timers[0]);
    }
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
    Instance instance(module, host);
    const auto* gui = instance.extension<clap_plugin_gui>(CLAP_EXT_GUI);
    const auto* descriptors = instance.extension<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
    const auto* timers = instance.extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
    const clap_plugin* p = instance.plugin();
    clap_window window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui->set_parent(p, &window));
    ASSERT_EQ(host.descriptors.size(), 1u);
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = 0;
    for (int i = 0; i < 5; ++i) {
        descriptors->on_fd(p, host.descriptors[0], CLAP_POSIX_FD_READ);
        timers->on_timer(p, host.timers[0]);
    }
    gui->hide(p);
    gui->destroy(p);
    EXPECT_TRUE(host.descriptors.empty());
}

} // namespace
} // namespace zkclaptest
