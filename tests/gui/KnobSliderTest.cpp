#include "GuiTestSupport.h"

#include "gui/Knob.h"
#include "gui/Slider.h"

#include <cmath>
#include <tuple>

namespace zk::gui::test {
namespace {

constexpr float pi = 3.14159265f;
constexpr int32_t ctrl = modifierControl, shift = modifierShift;

class KnobTest : public ControlTest {
protected:
    KnobTest() { windowOf(*frame).paintAll(); } // drawn once: clean
    // A point at angle degrees (counter-clockwise from 3 o'clock) on a circle round the
    // 40 x 40 knob's centre.
    static sw::InputState onCircle(float degrees, int32_t buttons) {
        const float a = degrees * pi / 180.0f;
        return at(int32_t(std::lround(20.0f + 18.0f * std::cos(a))), int32_t(std::lround(20.0f - 18.0f * std::sin(a))),
                  buttons);
    }
    void drag(const sw::InputState& first, const std::vector<sw::InputState>& then) {
        click(first.cursor, first.buttons, then);
    }
    Knob* knob = add(new Knob({0, 0, 40, 40}, &listener, 7, nullptr, nullptr, {0, 0}));
};

TEST_F(KnobTest, AnglesAndValuesMapBothWays) {
    // Radius 20, handle 3 in: r = 17, point = (trunc(20 + 17 cos a + 0.5), trunc(20 - 17 sin a + 0.5)).
    const std::pair<float, Point> points[] = {{0.0f, {8, 32}}, {0.5f, {20, 3}}, {1.0f, {32, 32}}}; // 225, 90, -45
    for (const auto& [value, expected] : points) {
        knob->setValue(value);
        Point p;
        knob->pointForValue(p);
        EXPECT_EQ(p, expected) << value;
    }
    const std::pair<Point, float> values[] = {{{20, 0}, 0.5f}, {{0, 20}, 1.0f / 6.0f}, {{40, 20}, 5.0f / 6.0f},
                                              {{15, 40}, 0.0f}, {{25, 40}, 1.0f}}; // the dead zone's two halves
    for (const auto& [point, expected] : values)
        EXPECT_NEAR(knob->valueAtPoint(point), expected, 1e-5) << point.h << "," << point.v;
}

TEST_F(KnobTest, CircularDragFollowsThePointerAndIsPinnedAtTheDeadZone) {
    drag(onCircle(90, buttonLeft), {onCircle(180, buttonLeft), onCircle(90, buttonLeft), onCircle(0, 0)});
    ASSERT_EQ(listener.reports.size(), 4u);
    EXPECT_NEAR(listener.reports[0].second, 0.5f, 0.01f);
    EXPECT_NEAR(listener.reports[1].second, 1.0f / 6.0f, 0.01f);
    EXPECT_NEAR(knob->getValue(), 5.0f / 6.0f, 0.01f);
    EXPECT_EQ(editor.events, gesture(7));
    EXPECT_EQ(frame->focusView(), knob);

    // From near the maximum across the gap towards the minimum: pinned at max, and back.
    drag(onCircle(-30, buttonLeft), {onCircle(-40, buttonLeft), onCircle(-80, buttonLeft), onCircle(-100, buttonLeft), onCircle(230, buttonLeft),
                                     onCircle(200, 0)});
    EXPECT_EQ(knob->getValue(), 1.0f);
    drag(onCircle(220, buttonLeft), {onCircle(260, buttonLeft), onCircle(300, buttonLeft), onCircle(-30, buttonLeft), onCircle(0, 0)});
    EXPECT_EQ(knob->getValue(), 0.0f);
    EXPECT_EQ(editor.events.size(), 6u); // a gesture round each drag
}

// A drag is the window's events: the press starts it, moves anywhere follow it and its own
// button's release ends it; nothing waits inside any of them.
TEST_F(KnobTest, ADragFollowsTheWindowsEventsUntilItsButtonIsLetGo) {
    knobMode = knobModeLinear;
    sw::SoftwareWindow& window = windowOf(*frame);
    auto send = [&](Point where, int32_t buttons, auto event) {
        system.input().set({where, buttons, 0});
        event(where);
    };
    send({20, 20}, buttonLeft, [&](Point p) { window.buttonDown(1, p); });
    EXPECT_EQ(frame->pressedView(), knob);
    EXPECT_EQ(editor.events, Log{"begin 7"});
    send({120, 20}, buttonLeft, [&](Point p) { window.pointerMove(p); }); // far outside the knob
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    // Another button pressed and let go meanwhile is no click and no end.
    send({300, 100}, buttonLeft | buttonRight, [&](Point p) { window.buttonDown(4, p); });
    send({300, 100}, buttonLeft, [&](Point p) { window.buttonUp(4, p); });
    EXPECT_EQ(frame->pressedView(), knob);
    EXPECT_EQ(system.menuService().showings().size(), 0u);
    // The release's own place counts, as the last step of the drag.
    send({170, -30}, 0, [&](Point p) { window.buttonUp(1, p); });
    EXPECT_NEAR(knob->getValue(), 1.0f, 1e-6);
    EXPECT_EQ(editor.events, gesture(7));
    EXPECT_EQ(frame->pressedView(), nullptr);
    send({20, 20}, 0, [&](Point p) { window.pointerMove(p); });
    EXPECT_NEAR(knob->getValue(), 1.0f, 1e-6);

    // A drag whose view or window goes first still ends its gesture, once.
    editor.events.clear();
    send({20, 20}, buttonLeft, [&](Point p) { window.buttonDown(1, p); });
    frame->detachView(knob, false);
    EXPECT_EQ(editor.events, gesture(7));
    EXPECT_EQ(frame->pressedView(), nullptr);
    frame->appendView(knob);
    editor.events.clear();
    send({20, 20}, buttonLeft, [&](Point p) { window.buttonDown(1, p); });
    window.destroyedByHost();
    send({60, 20}, 0, [&](Point p) { window.buttonUp(1, p); });
    EXPECT_EQ(editor.events, gesture(7));
}

TEST_F(KnobTest, LinearDragCoversTheRangeIn200PixelsOr300WithShift) {
    knobMode = knobModeLinear;
    drag(at(20, 20, buttonLeft), {at(120, 20, buttonLeft), at(170, -30, buttonLeft), at(170, -30, 0)});
    ASSERT_EQ(listener.reports.size(), 2u); // the first pass changes nothing
    EXPECT_NEAR(listener.reports[0].second, 0.5f, 1e-6);
    EXPECT_NEAR(knob->getValue(), 1.0f, 1e-6); // 150 right + 50 up
    EXPECT_EQ(editor.events, gesture(7));

    knob->setValue(0.0f);
    drag(at(20, 20, buttonLeft | shift), {at(170, 20, buttonLeft | shift), at(170, 20, 0)});
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);
    knob->setValue(0.9f);
    drag(at(20, 20, buttonLeft), {at(-500, 20, buttonLeft)});
    EXPECT_EQ(knob->getValue(), 0.0f); // clamped

    // Where Shift changes the value still follows the old step; from there on the new one
    // applies, continuing from that value.
    listener.reports.clear();
    drag(at(20, 20, buttonLeft), {at(120, 20, buttonLeft), at(121, 20, buttonLeft | shift),
                                  at(151, 20, buttonLeft | shift), at(152, 20, buttonLeft), at(152, 20, 0)});
    ASSERT_EQ(listener.reports.size(), 4u);
    const float expected[] = {0.5f, 0.505f, 0.505f + 30.0f / 300.0f, 0.605f + 1.0f / 300.0f};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(listener.reports[i].second, expected[i], 1e-5) << i;
}

// (The panel's own test at 2 x drags 200 of 400 pixels for half the range.)
TEST_F(KnobTest, ALongerLinearDragForALargerPanel) {
    knobMode = knobModeLinear;
    knob->setLinearDragPixels(400); // a panel at 2 x
    drag(at(20, 20, buttonLeft | shift), {at(320, 20, buttonLeft | shift), at(320, 20, 0)});
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6); // 600 with Shift
    knob->setLinearDragPixels(0);
    EXPECT_EQ(knob->linearDragPixels(), 1);
}

TEST_F(KnobTest, AltInvertsTheKnobModeForOneDrag) {
    knobMode = knobModeLinear;
    knob->setValue(0.2f);
    drag(at(20, 2, buttonLeft | modifierAlt), {}); // circular: the top sets 0.5 at once
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    drag(at(20, 30, buttonLeft), {}); // linear again: no movement, no change
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    knobMode = 0;
    knob->setValue(0.2f);
    drag(at(20, 2, buttonLeft | modifierAlt), {at(60, 2, buttonLeft | modifierAlt)}); // linear
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5);
}

TEST_F(KnobTest, ControlClickResetsToTheDefaultAndControlShiftDrags) {
    knob->setValue(0.9f);
    knob->setDefaultValue(0.3f);
    drag(at(20, 20, buttonLeft | ctrl), {});
    EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
    EXPECT_EQ(listener.reports, (std::vector<std::pair<int32_t, float>>{{7, 0.3f}}));
    EXPECT_TRUE(editor.events.empty());
    EXPECT_EQ(frame->focusView(), nullptr);

    knobMode = knobModeLinear; // Control + Shift is an ordinary (fine) drag
    drag(at(20, 20, buttonLeft | ctrl | shift), {at(50, 20, buttonLeft | ctrl | shift)});
    EXPECT_EQ(editor.events, gesture(7));
    EXPECT_NEAR(knob->getValue(), 0.3f + 30.0f / 300.0f, 1e-5);
}

// ---- sliders

class SliderTest : public ControlTest {
protected:
    // The panel's master slider: track 306..579, handle 20 wide, control 306..599.
    HorizontalSlider* horizontal(int32_t style = sliderMinLeft) {
        return add(new HorizontalSlider({306, 100, 599, 120}, &listener, 3, 306, 579, handle, background, {306, 100},
                                        style));
    }
    // A panel amount slider: top 26, handle 4 high, bottom 64.
    VerticalSlider* vertical(int32_t style = sliderMinBottom) {
        return add(new VerticalSlider({10, 26, 30, 64}, &listener, 46, 26, 60, smallHandle, background, {10, 26}, style));
    }
    Bitmap* handle = solid(60, 20, 20, rgb(0, 255, 0));
    Bitmap* smallHandle = solid(61, 4, 4, rgb(0, 255, 0));
    Bitmap* background = solid(62, 700, 300, rgb(40, 40, 40));
};

TEST_F(SliderTest, HandlePositionsFollowTheStyleBits) {
    HorizontalSlider* h = horizontal();
    VerticalSlider *v = vertical(), *topMin = vertical(sliderMinTop);
    EXPECT_EQ(h->style(), 8 | sliderHorizontal);
    EXPECT_EQ(v->style(), 64 | sliderVertical);
    const std::tuple<Slider*, float, Rect> positions[] = {
        {h, 0.0f, {0, 0, 20, 20}}, {h, 1.0f, {273, 0, 293, 20}}, {h, 0.5f, {136, 0, 156, 20}},
        {v, 1.0f, {0, 0, 4, 4}}, // value 1 at the top
        {v, 0.0f, {0, 34, 4, 38}}, {topMin, 1.0f, {0, 34, 4, 38}}};
    for (const auto& [slider, value, rect] : positions) {
        slider->setValue(value);
        EXPECT_EQ(slider->handleRect(), rect) << "style " << slider->style() << " at " << value;
    }
}

TEST_F(SliderTest, ClickAnywhereCentresTheHandleAndWithoutItOnlyTheHandleGrabs) {
    HorizontalSlider* h = horizontal();
    // The handle centres on the pointer: base = 306 + 20 / 2 - 1.
    click({315, 110}, buttonLeft, {at(315 + 273, 110, buttonLeft), at(700, 110, 0)});
    ASSERT_GE(listener.reports.size(), 2u);
    EXPECT_NEAR(listener.reports[0].second, 0.0f, 1e-6);
    EXPECT_NEAR(listener.reports[1].second, 1.0f, 1e-6);
    EXPECT_EQ(h->getValue(), 1.0f);
    EXPECT_EQ(editor.events, gesture(3));
    VerticalSlider* v = vertical();
    click({20, 61}, buttonLeft, {at(20, 27, 0)}); // base = 26 + 4 / 2 - 1
    EXPECT_EQ(v->getValue(), 1.0f);

    h->setClickAnywhere(false);
    h->setValue(0.5f);
    editor.events.clear();
    listener.reports.clear();
    click({330, 110}, buttonLeft, {at(400, 110, 0)}); // beside the handle
    EXPECT_EQ(h->getValue(), 0.5f);
    EXPECT_TRUE(editor.events.empty());
    // The handle spans 442..462; grabbed at 450 it keeps that distance.
    click({450, 110}, buttonLeft, {at(450 + 91, 110, buttonLeft), at(0, 0, 0)});
    ASSERT_GE(listener.reports.size(), 2u);
    EXPECT_NEAR(listener.reports[0].second, 136.0f / 273.0f, 1e-5);
    EXPECT_NEAR(listener.reports[1].second, 227.0f / 273.0f, 1e-5);
}

TEST_F(SliderTest, ASliderWithoutTravelStaysFinite) {
    auto* s = add(new HorizontalSlider({10, 200, 30, 220}, &listener, 5, 10, 10, handle, background, {0, 0}));
    click({20, 210}, buttonLeft, {at(60, 210, buttonLeft), at(60, 210, 0)});
    EXPECT_EQ(s->getValue(), 0.0f); // at its minimum
    for (const auto& report : listener.reports)
        EXPECT_TRUE(std::isfinite(report.second));
    EXPECT_EQ(s->handleRect().left, 0);
}

} // namespace
} // namespace zk::gui::test
