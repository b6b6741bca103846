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

} // namespace zktest
