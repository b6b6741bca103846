#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

#include <random>

namespace zktest {
namespace {

constexpr Point kBand1{88, 62};      // knob, parameter 4
constexpr Point kFmButton1{345, 87}; // button, parameter 8
constexpr int32_t kMasterRow = 469;  // through the Master slider's handle

// Where the Master handle's left edge is drawn: the first handle pixel of its row.
int32_t masterHandleLeft(PanelHarness& h) {
    for (int32_t x = 306; x < 599; ++x)
        if (h.pixel({x, kMasterRow}) == picture::handle) return x;
    return -1;
}

TEST(PanelControls, WheelAndClicksPassThroughTheOverlay) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    h.effect().setParameter(8, 0.0f);
    h.calls.clear();
    EXPECT_TRUE(h.wheel(kFmButton1, 1.0f)); // one notch switches a button fully
    EXPECT_EQ(h.effect().getParameter(8), 1.0f);
    EXPECT_TRUE(h.wheel(kFmButton1, -1.0f));
    EXPECT_EQ(h.effect().getParameter(8), 0.0f);
    const std::vector<HostCall> automated = h.callsOf(vst2::audioMasterAutomate);
    ASSERT_EQ(automated.size(), 2u);
    EXPECT_EQ(automated[0].value, 1.0f); // the host records the clamped value, not 10
    EXPECT_EQ(automated[1].value, 0.0f);
    EXPECT_TRUE(h.callsOf(vst2::audioMasterBeginEdit).empty());

    // With Shift a step is a tenth as large.
    h.effect().setParameter(4, 0.98f);
    h.wheel(kBand1, 1.0f, zk::gui::modifierShift);
    EXPECT_FLOAT_EQ(h.effect().getParameter(4), 0.99f);

    // A left click reaches the button under the overlay; a middle one opens no menu.
    h.press(kFmButton1, zk::gui::buttonLeft);
    EXPECT_EQ(h.effect().getParameter(8), 1.0f);
    h.press(kFmButton1, zk::gui::buttonMiddle);
    EXPECT_EQ(h.menusShown(), 0u);
    h.idle();
    EXPECT_EQ(h.pixel(kFmButton1), picture::on);
}

TEST(PanelControls, HostChangesShowAtTheNextIdleOrTheNextOpen) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    h.effect().setParameter(0, 0.75f);
    h.effect().setParameter(53, 0.5f); // no control: nothing to show
    const int32_t shown = masterHandleLeft(h);
    EXPECT_TRUE(h.editor().control(0)->isDirty());
    h.idle();
    const int32_t moved = masterHandleLeft(h);
    EXPECT_NE(moved, shown);
    EXPECT_NEAR(moved, 306 + 0.75 * 273, 1.0);

    h.close();
    h.effect().setParameter(0, 0.25f);
    ASSERT_TRUE(h.open());
    EXPECT_FLOAT_EQ(h.editor().control(0)->getValue(), 0.25f);
    EXPECT_NEAR(masterHandleLeft(h), 306 + 0.25 * 273, 1.0);
}

TEST(PanelControls, LampsFollowTheBandsAtIdle) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    h.idle();
    for (int32_t band = 1; band <= 3; ++band) EXPECT_EQ(h.editor().control(67 + band)->getValue(), 0.0f);

    std::mt19937 noise(7);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> left(4096), right(4096), outLeft(4096), outRight(4096);
    for (std::size_t i = 0; i < left.size(); ++i) left[i] = right[i] = sample(noise);
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    for (int block = 0; block < 8; ++block) h.effect().processReplacing(inputs, outputs, 4096);
    int active = 0;
    for (int32_t band = 1; band <= 3; ++band) active += h.effect().bandActivity(band);
    ASSERT_GT(active, 0);
    h.idle();
    for (int32_t band = 1; band <= 3; ++band)
        EXPECT_EQ(h.editor().control(67 + band)->getValue(), float(h.effect().bandActivity(band))) << band;
    h.idle();
    EXPECT_EQ(h.pixel({116, 61}), h.effect().bandActivity(1) ? picture::on : picture::off);
}

} // namespace
} // namespace zktest
