#include "tests/core/EffectFixture.h"

#include <string>

namespace zktest {
namespace {

using ProgramsTest = EffectTest;

std::string programName(HostedEffect& effect, int32_t index) {
    char text[64] = {};
    if (!effect.getProgramNameIndexed(0, index, text)) return "<none>";
    return text;
}

TEST_F(ProgramsTest, EachProgramKeepsItsOwnValues) {
    effect->setProgram(2);
    effect->setParameter(1, 0.25f);
    effect->setProgram(3);
    EXPECT_EQ(effect->getParameter(1), 0.0f);
    effect->setProgram(2);
    EXPECT_EQ(effect->getParameter(1), 0.25f);
    EXPECT_EQ(effect->dispatch(vst2::effGetProgram), 2);
}

TEST_F(ProgramsTest, ProgramChangeAppliesEveryValueThenTellsHostAndPanel) {
    editor->parameters.clear();
    editor->idles = 0;
    effect->dispatch(vst2::effSetProgram, 0, 9);
    ASSERT_EQ(editor->parameters.size(), static_cast<size_t>(zk::kNumParameters));
    for (int32_t i = 0; i < zk::kNumParameters; ++i) EXPECT_EQ(editor->parameters[i].first, i);
    EXPECT_EQ(countHostCalls(vst2::audioMasterUpdateDisplay), 1);
    EXPECT_EQ(editor->idles, 1);
}

TEST_F(ProgramsTest, ProgramIndicesOutsideTheBankChangeNothing) {
    effect->dispatch(vst2::effSetProgram, 0, 4);
    effect->dispatch(vst2::effSetProgram, 0, 128);
    effect->dispatch(vst2::effSetProgram, 0, -1);
    EXPECT_EQ(effect->dispatch(vst2::effGetProgram), 4);
    EXPECT_EQ(programName(*effect, 128), "<none>");
    EXPECT_EQ(programName(*effect, -1), "<none>");
    EXPECT_EQ(effect->dispatch(vst2::effCopyProgram, 128), 0);
    EXPECT_EQ(effect->dispatch(vst2::effCopyProgram, -1), 0);
}

TEST_F(ProgramsTest, NamesAreInitAndCutAtTwentyFourCharacters) {
    for (int32_t p = 0; p < zk::kNumPrograms; ++p) ASSERT_EQ(programName(*effect, p), "Init") << p;
    effect->setProgram(7);
    char longName[] = "A name of thirty characters!!!";
    effect->dispatch(vst2::effSetProgramName, 0, 0, longName);
    EXPECT_EQ(programName(*effect, 7), "A name of thirty charact");
    char text[64];
    effect->dispatch(vst2::effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "A name of thirty charact");
    char shortName[] = "Pad";
    effect->dispatch(vst2::effSetProgramName, 0, 0, shortName);
    EXPECT_EQ(programName(*effect, 7), "Pad"); // the rest of the old name is gone
}

TEST_F(ProgramsTest, CopyProgramMakesAnExactCopyAndKeepsTheCurrentProgram) {
    effect->setProgram(2);
    char name[] = "Source";
    effect->dispatch(vst2::effSetProgramName, 0, 0, name);
    effect->setParameter(39, 0.8f);
    EXPECT_EQ(effect->dispatch(vst2::effCopyProgram, 5), 1);
    EXPECT_EQ(effect->dispatch(vst2::effGetProgram), 2);
    EXPECT_EQ(programName(*effect, 5), "Source");
    effect->setProgram(5);
    EXPECT_EQ(effect->getParameter(39), 0.8f);
}

} // namespace
} // namespace zktest
