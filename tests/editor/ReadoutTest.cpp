// The read-out in the title display: the name and value text of the control under the
// pointer or in the hand, the text hosts get for that value, gone once the pointer leaves.
#include "core/Parameters.h"
#include "editor/PanelLayout.h"
#include "editor/ValueReadout.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

#include <string>

namespace zktest {
namespace {

struct Case {
    const char* what;
    int32_t tag;
    Point centre;
    Point dragTo; // up and right, past the control's edge
    const char* quarter; // the value texts at 0.25 and at 0.75, in real units
    const char* threeQuarters;
};

// The Band 1 Frequency knob (68, 42, 40 x 40) and the Master slider (306, 459, 293 x 30).
const Case kCases[] = {
    {"knob", zk::paramBand1, {88, 62}, {140, 20}, "107 Hz", "1853 Hz"},
    {"slider", zk::paramMaster, {400, 474}, {630, 474}, "0.0 dB", "+9.5 dB"}, // ends off the panel
};

std::string hostText(PanelHarness& h, int32_t tag) {
    char text[32];
    h.effect().effect().valueToText(tag, h.effect().effect().parameter(tag), text, sizeof text);
    return text;
}

// Pixels of the read-out's area that are not the (flat) background picture.
int32_t inkedPixels(PanelHarness& h) {
    const zk::panel::PanelRect r = zk::panel::kReadoutRect;
    int32_t inked = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            inked += h.pixel({x, y}) != picture::background;
    return inked;
}

class Readout : public ::testing::TestWithParam<Case> {};

TEST_P(Readout, HoverShowsTheNameAndTheHostsTextUntilThePointerLeaves) {
    const Case& c = GetParam();
    PanelHarness h;
    ASSERT_TRUE(h.open());
    h.effect().setParameter(c.tag, 0.25f);
    h.idle();
    EXPECT_EQ(inkedPixels(h), 0);

    h.window().pointerMove(c.centre);
    h.idle();
    const zk::ValueReadout& readout = *h.editor().readout();
    EXPECT_STREQ(readout.name(), zk::kParameterTable[c.tag].fullName);
    EXPECT_EQ(readout.value(), hostText(h, c.tag));
    EXPECT_EQ(std::string(readout.value()), c.quarter);
    EXPECT_GT(inkedPixels(h), 100) << "drawn in the title display";

    // The host moves the value while the pointer rests there.
    h.effect().setParameter(c.tag, 0.75f);
    h.idle();
    EXPECT_EQ(std::string(readout.value()), c.threeQuarters);

    h.window().pointerLeave();
    h.idle();
    EXPECT_FALSE(readout.showing());
    EXPECT_EQ(inkedPixels(h), 0) << "the plain picture is back";

    // Off every control inside the panel is no control either.
    h.window().pointerMove(c.centre);
    h.window().pointerMove({300, 5});
    h.idle();
    EXPECT_FALSE(readout.showing());
}

TEST_P(Readout, ADragShowsTheControlInTheHandUntilThePointerIsElsewhere) {
    const Case& c = GetParam();
    PanelHarness h;
    ASSERT_TRUE(h.open());
    h.effect().setParameter(c.tag, 0.5f);
    h.window().pointerMove(c.centre);
    h.idle();
    // The drag ends beyond the control's edge.
    h.drag(c.centre, c.dragTo);
    const zk::ValueReadout& readout = *h.editor().readout();
    EXPECT_NE(h.effect().effect().parameter(c.tag), 0.5f);
    EXPECT_STREQ(readout.name(), zk::kParameterTable[c.tag].fullName);
    EXPECT_EQ(readout.value(), hostText(h, c.tag)) << "the value at the drag's end";
    // The next move after the release: away from the control.
    h.window().pointerMove(c.dragTo);
    h.idle();
    EXPECT_FALSE(readout.showing());
    EXPECT_EQ(inkedPixels(h), 0);
}

INSTANTIATE_TEST_SUITE_P(Controls, Readout, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.what); });

TEST(ReadoutOthers, ADragHeldOutsideItsControlKeepsShowingIt) {
    // Hovering another control during a drag (moves a system may still report) does not
    // take the read-out from the control in the hand.
    PanelHarness h;
    ASSERT_TRUE(h.open());
    h.editor().beginEdit(zk::paramBand1);
    h.window().pointerMove({400, 474}); // over Master
    EXPECT_STREQ(h.editor().readout()->name(), zk::kParameterTable[zk::paramBand1].fullName);
    h.editor().endEdit(zk::paramBand1);
    EXPECT_STREQ(h.editor().readout()->name(), zk::kParameterTable[zk::paramMaster].fullName);
}

TEST(ReadoutOthers, LampsTheSplashAndTheMenuAreaShowNothing) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    for (Point p : {Point{115, 60}, Point{15, 447}, Point{140, 340}}) {
        h.window().pointerMove(p);
        EXPECT_FALSE(h.editor().readout()->showing()) << p.h << "," << p.v;
    }
}

} // namespace
} // namespace zktest
