#pragma once

// For suites that need the display scripts/test-x11 runs them on (ZK_TEST_X11_DISPLAY=1):
// a connection of the suite's own, held for the whole suite, since a server whose last
// client leaves resets itself and refuses the next connection while it does. Tests skip
// without such a display. Include after the test framework, which has names that Xlib
// defines as macros.

#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace zktest {

class SuiteDisplayTest : public ::testing::Test {
protected:
    static bool wanted() { return std::getenv("ZK_TEST_X11_DISPLAY") && std::getenv("DISPLAY"); }
    static void SetUpTestSuite() {
        // The previous client may have just left.
        for (int attempt = 0; wanted() && attempt < 50 && !display; ++attempt) {
            display = XOpenDisplay(nullptr);
            if (!display) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    static void TearDownTestSuite() {
        if (display) XCloseDisplay(display);
        display = nullptr;
    }
    void SetUp() override {
        if (!wanted()) GTEST_SKIP() << "needs a display of its own (scripts/test-x11)";
        ASSERT_NE(display, nullptr) << "cannot open the display " << std::getenv("DISPLAY");
    }
    inline static Display* display = nullptr;
};

// With a mapped top-level window of the panel's size for the test to embed a panel in, as a
// host's editor window; the test may destroy it first (then sets `parent` to 0).
class SuiteParentWindowTest : public SuiteDisplayTest {
protected:
    void SetUp() override {
        SuiteDisplayTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 612, 486, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (display && parent) XDestroyWindow(display, parent);
    }
    // The windows inside the parent (the panel's).
    unsigned children() {
        ::Window root = 0, up = 0, *list = nullptr;
        unsigned count = 0;
        XSync(display, False);
        if (!XQueryTree(display, parent, &root, &up, &list, &count)) return 0;
        if (list) XFree(list);
        return count;
    }

    ::Window parent = 0;
};

} // namespace zktest
