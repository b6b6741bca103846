// The reference scenarios through the built VST 2 module, loaded by zkhost as a host loads
// it, in blocks of 512, of one frame and of random sizes: the expected renders' samples.

#include "tests/zkhost/FormatChecks.h"
#include "tests/zkhost/TestTools.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

class Reference : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

TEST_P(Reference, MatchesTheExpectedRender) {
    const auto [scenario, block] = GetParam();
    zkhosttest::expectReferenceScenarioAsThroughVst2(zkhosttest::modulePath(), ZK_REFERENCE_DIR, scenario, block);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Reference,
                         ::testing::Combine(::testing::Values("default-speech-44k", "three-bands-drums-48k"),
                                            ::testing::Values("512", "1", "random")),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param);
                             name += std::string("_blocks_") + std::get<1>(info.param);
                             for (char& c : name) c = c == '-' ? '_' : c;
                             return name;
                         });

} // namespace
