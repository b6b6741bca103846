// The module as a host loads it, on a machine with a display.

#include "core/Parameters.h" // before the X headers, whose macros clash with its names
#include "tests/support/LoadedModule.h"

#include "X11TestSupport.h"

namespace zk::gui::test {
namespace {

// With a display but no panel, a host's call never waits for a person: a bank of the wrong
// size and the save command return at once, the one told on stderr, the other answered No.
TEST_F(X11Test, WithoutAPanelNothingWaitsForAnAnswer) {
    zktest::LoadedModule module(zktest::builtModulePath());
    zktest::HostedEffect plugin(module);
    testing::internal::CaptureStderr();
    char empty = 0;
    EXPECT_LT(timeHostCall([&] { plugin.dispatch(vst2::effSetChunk, 0, 0, &empty); }), 200ms); // a bank of 0 bytes
    EXPECT_LT(timeHostCall([&] { plugin.setParameter(CommandDefaults, 1.0f); }), 200ms);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("Error! Can't load bank, wrong file size!\n"), std::string::npos) << told;
    EXPECT_NE(told.find("Warning! Save Actual Values as Defaults? [answered No]\n"), std::string::npos) << told;
}

} // namespace
} // namespace zk::gui::test
