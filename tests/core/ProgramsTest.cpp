#include "tests/core/EffectFixture.h"

#include <string>

namespace zktest {
namespace {

using ProgramsTest = EffectTest;

TEST_F(ProgramsTest, EachProgramKeepsItsOwnValues) {
    effect->selectProgram(2);
    effect->setParameter(1, 0.25f);
    effect->selectProgram(3);
    EXPECT_EQ(effect->parameter(1), 0.0f);
    effect->selectProgram(2);
    EXPECT_EQ(effect->parameter(1), 0.25f);
    EXPECT_EQ(effect->currentProgram(), 2);
}

TEST_F(ProgramsTest, ProgramChangeAppliesEveryValueThenTellsHostAndPanel) {
    editor->parameters.clear();
    editor->idles = 0;
    effect->selectProgram(9);
    ASSERT_EQ(editor->parameters.size(), static_cast<size_t>(zk::kNumParameters));
    for (int32_t i = 0; i < zk::kNumParameters; ++i) EXPECT_EQ(editor->parameters[i].first, i);
    ASSERT_EQ(host.names(), (std::vector<std::string>{"all", "display"}));
    EXPECT_EQ(host.calls[0].origin, zk::ChangeOrigin::program);
    EXPECT_EQ(editor->idles, 1);
}

TEST_F(ProgramsTest, ProgramIndicesOutsideTheBankChangeNothing) {
    effect->selectProgram(4);
    host.calls.clear();
    effect->selectProgram(128);
    effect->selectProgram(-1);
    EXPECT_EQ(effect->currentProgram(), 4);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(programName(*effect, 128), "<none>");
    EXPECT_EQ(programName(*effect, -1), "<none>");
}

} // namespace
} // namespace zktest
