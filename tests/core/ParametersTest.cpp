#include "tests/core/EffectFixture.h"

#include <cmath>
#include <limits>

namespace zktest {
namespace {

using ParametersTest = EffectTest;

TEST_F(ParametersTest, ValuesAreClampedToTheUnitRangeAndNaNBecomesZero) {
    effect->setParameter(4, 1.5f);
    EXPECT_EQ(effect->getParameter(4), 1.0f);
    effect->setParameter(4, -0.2f);
    EXPECT_EQ(effect->getParameter(4), 0.0f);
    effect->setParameter(4, std::numeric_limits<float>::infinity());
    EXPECT_EQ(effect->getParameter(4), 1.0f);
    effect->setParameter(4, std::nanf(""));
    EXPECT_EQ(effect->getParameter(4), 0.0f);
    effect->setParameter(4, 0.25f);
    EXPECT_EQ(effect->getParameter(4), 0.25f);
}

TEST_F(ParametersTest, IndicesOutsideTheTableReadZeroAndWriteNothing) {
    for (int32_t index : {54, 100, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()})
        EXPECT_EQ(effect->getParameter(index), 0.0f) << index;
    editor->parameters.clear();
    effect->setParameter(-1, 0.5f);
    effect->setParameter(std::numeric_limits<int32_t>::min(), 0.5f);
    EXPECT_TRUE(editor->parameters.empty());
    char text[32] = "untouched";
    effect->dispatch(vst2::effGetParamName, -5, 0, text, 0.0f);
    EXPECT_STREQ(text, "");
    effect->dispatch(vst2::effGetParamDisplay, 54, 0, text, 0.0f);
    EXPECT_STREQ(text, "");
}

TEST_F(ParametersTest, EverySetReachesTheEditorWithTheStoredValue) {
    editor->parameters.clear();
    effect->setParameter(0, 2.0f);
    effect->setParameter(56, 1.0f); // panel-only tags pass through unchanged
    effect->setParameter(57, 0.0f);
    ASSERT_EQ(editor->parameters.size(), 3u);
    EXPECT_EQ(editor->parameters[0], std::make_pair(0, 1.0f));
    EXPECT_EQ(editor->parameters[1], std::make_pair(56, 1.0f));
    EXPECT_EQ(editor->parameters[2], std::make_pair(57, 0.0f));
    EXPECT_EQ(effect->getParameter(56), 0.0f);
}

TEST_F(ParametersTest, AutomationFromThePanelIsReportedToTheHostAfterTheChange) {
    effect->setParameterAutomated(13, 0.75f);
    EXPECT_EQ(effect->getParameter(13), 0.75f);
    ASSERT_EQ(countHostCalls(vst2::audioMasterAutomate), 1);
    EXPECT_EQ(calls.back().index, 13);
    EXPECT_EQ(calls.back().opt, 0.75f);
}

// The panel's commands (About 56, Default and MidiForget 57, learning 65) are carried out,
// but a host knows only the 54 parameters and may index an array of its own with what it
// is told: nothing past them is reported.
TEST_F(ParametersTest, PanelCommandsAreCarriedOutButOnlyParametersAreReported) {
    for (int32_t tag : {56, 57, 65, 68}) {
        effect->beginEdit(tag);
        effect->setParameterAutomated(tag, 0.0f);
        effect->endEdit(tag);
    }
    effect->setParameterAutomated(zk::CommandLearn, 7.0f);
    EXPECT_EQ(effect->learnTarget(), 7);
    EXPECT_EQ(editor->parameters.back(), std::make_pair(zk::CommandLearn, 7.0f));
    EXPECT_TRUE(calls.empty());

    effect->beginEdit(53);
    effect->setParameterAutomated(53, 0.5f);
    effect->endEdit(53);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, vst2::audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, vst2::audioMasterAutomate);
    EXPECT_EQ(calls[2].opcode, vst2::audioMasterEndEdit);
    for (const RecordedHostCall& call : calls) EXPECT_EQ(call.index, 53);
}

} // namespace
} // namespace zktest
