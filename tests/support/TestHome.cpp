// Every test program runs with a home of its own, the build's test-home, so that what the
// tests find there (the factory set where VST3 hosts look for a user's presets) is the
// build's and nothing of the developer's. Compiled into each test program.

#include <cstdlib>

namespace {

struct TestHome {
    TestHome() { setenv("HOME", ZK_TEST_HOME, 1); }
} testHome;

} // namespace
