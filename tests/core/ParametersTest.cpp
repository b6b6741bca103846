#include "tests/core/EffectFixture.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace zktest {
namespace {

using ParametersTest = EffectTest;

TEST_F(ParametersTest, ValuesAreClampedToTheUnitRangeAndNaNBecomesZero) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const std::pair<float, float> cases[] = {
        {1.5f, 1.0f}, {-0.2f, 0.0f}, {kInfinity, 1.0f}, {std::nanf(""), 0.0f}, {0.25f, 0.25f}};
    for (const auto& [set, held] : cases) {
        effect->setParameter(4, set);
        EXPECT_EQ(effect->parameter(4), held) << set;
    }
}

TEST_F(ParametersTest, IndicesOutsideTheTableReadZeroAndWriteNothing) {
    for (int32_t index : {54, 56, 65, 100, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()})
        EXPECT_EQ(effect->parameter(index), 0.0f) << index;
    editor->parameters.clear();
    for (int32_t index : {-1, 54, 56, 57, 65, std::numeric_limits<int32_t>::min()}) effect->setParameter(index, 0.5f);
    EXPECT_TRUE(editor->parameters.empty());
    char text[32] = "untouched";
    effect->parameterShortName(-5, text);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "untouched");
    EXPECT_FALSE(effect->valueToText(54, 0.5f, text, sizeof text));
    EXPECT_STREQ(text, "");
    EXPECT_STREQ(effect->parameterName(54), "");
}

TEST_F(ParametersTest, EverySetReachesTheEditorWithTheStoredValueAndEveryCommandAsItsTag) {
    editor->parameters.clear();
    effect->setParameter(0, 2.0f);
    effect->panelCommand(zk::PanelCommand::closeAbout);
    effect->panelCommand(zk::PanelCommand::openAbout);
    effect->panelCommand(zk::PanelCommand::forgetController, 3);
    ASSERT_EQ(editor->parameters.size(), 4u);
    EXPECT_EQ(editor->parameters[0], std::make_pair(0, 1.0f));
    EXPECT_EQ(editor->parameters[1], std::make_pair(56, 1.0f));
    EXPECT_EQ(editor->parameters[2], std::make_pair(57, 0.0f));
    EXPECT_EQ(editor->parameters[3], std::make_pair(65, 1003.0f));
    EXPECT_TRUE(host.calls.empty()); // the host's own change and the commands: not reported
}

// The panel's edits are the only changes reported with origin panel, after the change and
// inside their gesture; a command is carried out but never reported, since a host knows
// only the 54 parameters and may index an array of its own with what it is told.
TEST_F(ParametersTest, PanelEditsAreReportedAfterTheChangeAndCommandsNever) {
    for (int32_t tag : {56, 57, 65, 68}) {
        effect->beginEdit(tag);
        panelSets(tag, 0.0f);
        effect->endEdit(tag);
    }
    effect->panelCommand(zk::PanelCommand::learnController, 7);
    EXPECT_EQ(effect->learnTarget(), 7);
    EXPECT_EQ(editor->parameters.back(), std::make_pair(zk::CommandLearn, 7.0f));
    EXPECT_TRUE(host.calls.empty());

    effect->beginEdit(53);
    effect->editParameter(53, 2.0f);
    effect->endEdit(53);
    EXPECT_EQ(effect->parameter(53), 1.0f);
    ASSERT_EQ(host.names(), (std::vector<std::string>{"begin", "changed", "end"}));
    for (const RecordingHost::Call& call : host.calls) EXPECT_EQ(call.index, 53);
    EXPECT_EQ(host.calls[1].value, 1.0f); // what the effect holds
    EXPECT_EQ(host.calls[1].origin, zk::ChangeOrigin::panel);
}

} // namespace
} // namespace zktest
