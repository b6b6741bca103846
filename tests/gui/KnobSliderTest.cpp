#include "GuiTestSupport.h"

#include "gui/Knob.h"
#include "gui/Slider.h"

#include <cmath>

namespace zk::gui::test {
namespace {

constexpr float pi = 3.14159265f;

class ControlTest : public GuiTest {
protected:
    RecordingEditor editor;
    RecordingListener listener;
    std::unique_ptr<Frame> frame = makeFrame({0, 0, 700, 300}, &editor);

    Knob* addKnob(int32_t tag = 7) {
        auto* knob = new Knob({0, 0, 40, 40}, &listener, tag, nullptr, nullptr, {0, 0});
        frame->appendView(knob);
        windowOf(*frame).paintAll(); // drawn once: clean
        return knob;
    }
    // A point at angle degrees (counter-clockwise from 3 o'clock) on a circle round the
    // 40 x 40 knob's centre.
    static sw::InputState onCircle(float degrees, int32_t buttons, float radius = 18.0f) {
        const float a = degrees * pi / 180.0f;
        return at(int32_t(std::lround(20.0f + radius * std::cos(a))), int32_t(std::lround(20.0f - radius * std::sin(a))),
                  buttons);
    }
    void pressAt(const sw::InputState& s, const std::vector<sw::InputState>& then) {
        press(*frame, s.cursor, s.buttons, then);
    }
};

// ---- the value model of every control

TEST_F(ControlTest, DirtyFollowsTheDrawnValue) {
    auto* knob = new Knob({0, 0, 40, 40}, &listener, 7, nullptr, nullptr, {0, 0});
    frame->appendView(knob);
    EXPECT_TRUE(knob->isDirty()); // value 0, drawn value 1
    windowOf(*frame).paintAll();
    EXPECT_FALSE(knob->isDirty());
    knob->setDirty(true);
    EXPECT_TRUE(knob->isDirty());
    knob->setValue(-1.0f);
    knob->setDirty(false);
    EXPECT_FALSE(knob->isDirty());
    knob->setDirty(true); // also when the value is -1
    EXPECT_TRUE(knob->isDirty());
    knob->setDirty(false);
    knob->setValue(0.25f); // a value set from elsewhere is drawn at the next idle
    EXPECT_TRUE(knob->isDirty());
    frame->idle();
    EXPECT_FALSE(knob->isDirty());
    EXPECT_FLOAT_EQ(knob->getDrawnValue(), 0.25f);
}

TEST_F(ControlTest, ClampValueKeepsTheRange) {
    Knob* knob = addKnob();
    knob->setValue(1.3f);
    knob->clampValue();
    EXPECT_EQ(knob->getValue(), 1.0f);
    knob->setValue(-0.2f);
    knob->clampValue();
    EXPECT_EQ(knob->getValue(), 0.0f);
    knob->setValue(0.4f);
    knob->clampValue();
    EXPECT_EQ(knob->getValue(), 0.4f);
}

TEST_F(ControlTest, ControlClickResetsToTheDefaultWithoutAnEditGesture) {
    Knob* knob = addKnob();
    knob->setValue(0.9f);
    knob->setDefaultValue(0.3f);
    pressAt(at(20, 20, buttonLeft | modifierControl), {});
    EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].first, 7);
    EXPECT_TRUE(editor.events.empty());
    EXPECT_EQ(frame->focusView(), nullptr);

    knobMode = knobModeLinear; // Control + Shift is an ordinary (fine) drag
    pressAt(at(20, 20, buttonLeft | modifierControl | modifierShift), {at(50, 20, buttonLeft | modifierControl | modifierShift)});
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 7", "end 7"}));
    EXPECT_NEAR(knob->getValue(), 0.3f + 30.0f / 300.0f, 1e-5);
}

TEST_F(ControlTest, WheelAndArrowKeysStepTheValue) {
    Knob* knob = addKnob();
    knob->setValue(0.5f);
    DrawContext context(frame.get(), nullptr, nullptr);
    EXPECT_TRUE(knob->onWheel(&context, {0, 0}, 1.0f));
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    system.input().set({{0, 0}, modifierShift, 0});
    EXPECT_TRUE(knob->onWheel(&context, {0, 0}, -2.0f));
    EXPECT_NEAR(knob->getValue(), 0.58f, 1e-6);
    system.input().set({});
    EXPECT_TRUE(knob->onWheel(&context, {0, 0}, 10.0f));
    EXPECT_EQ(knob->getValue(), 1.0f);
    EXPECT_EQ(listener.reports.size(), 3u);
    knob->setClickable(false);
    EXPECT_FALSE(knob->onWheel(&context, {0, 0}, -1.0f));
    EXPECT_EQ(knob->getValue(), 1.0f);

    knob->setValue(0.5f);
    EXPECT_EQ(knob->onKeyDown({0, virtualKeyLeft, 0}), 1);
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-6);
    EXPECT_EQ(knob->onKeyDown({0, virtualKeyUp, 1}), 1);
    EXPECT_NEAR(knob->getValue(), 0.41f, 1e-6);
    EXPECT_EQ(knob->onKeyDown({'a', 0, 0}), -1);
    EXPECT_EQ(listener.contexts.back(), nullptr);
}

TEST_F(ControlTest, DoubleClickDelayIsNeverBelowAQuarterSecond) {
    system.setDoubleClickTime(100);
    Knob quick({0, 0, 10, 10}, nullptr, 0, nullptr, nullptr, {0, 0});
    EXPECT_EQ(quick.doubleClickDelay(), 250);
    system.setDoubleClickTime(400);
    Knob slow({0, 0, 10, 10}, nullptr, 0, nullptr, nullptr, {0, 0});
    EXPECT_EQ(slow.doubleClickDelay(), 400);
}

TEST_F(ControlTest, ControlsHoldTheirBackgroundBitmap) {
    registerSolid(50, 4, 4, 0);
    auto* bitmap = new Bitmap(50);
    auto* knob = new Knob({0, 0, 4, 4}, nullptr, 0, bitmap, bitmap, {0, 0});
    EXPECT_EQ(bitmap->refCount(), 3);
    knob->setBackgroundBitmap(nullptr);
    EXPECT_EQ(bitmap->refCount(), 2);
    knob->release();
    EXPECT_EQ(bitmap->refCount(), 1);
    bitmap->release();
}

// ---- knob

TEST_F(ControlTest, KnobAnglesForMinimumMiddleAndMaximum) {
    Knob* knob = addKnob();
    // Radius 20, handle 3 in: r = 17, point = (trunc(20 + 17 cos a + 0.5), trunc(20 - 17 sin a + 0.5)).
    Point p;
    knob->setValue(0.0f);
    knob->pointForValue(p);
    EXPECT_EQ(p, (Point{8, 32})); // 225 degrees, lower left
    knob->setValue(0.5f);
    knob->pointForValue(p);
    EXPECT_EQ(p, (Point{20, 3})); // straight up
    knob->setValue(1.0f);
    knob->pointForValue(p);
    EXPECT_EQ(p, (Point{32, 32})); // -45 degrees, lower right
    EXPECT_NEAR(knob->halfDeadAngle(), pi / 4, 1e-6);

    EXPECT_NEAR(knob->valueAtPoint({20, 0}), 0.5f, 1e-6);
    EXPECT_NEAR(knob->valueAtPoint({0, 20}), 1.0f / 6.0f, 1e-5); // 180 degrees: 45 of 270
    EXPECT_NEAR(knob->valueAtPoint({40, 20}), 5.0f / 6.0f, 1e-5);
    // The bottom dead zone: its half next to the minimum gives min, the other half max.
    EXPECT_EQ(knob->valueAtPoint({15, 40}), 0.0f);
    EXPECT_EQ(knob->valueAtPoint({25, 40}), 1.0f);
}

TEST_F(ControlTest, KnobHandleImageSetsTheInset) {
    registerSolid(51, 9, 9, 0);
    auto* handle = new Bitmap(51);
    Knob knob({0, 0, 40, 40}, nullptr, 0, nullptr, handle, {0, 0});
    EXPECT_EQ(knob.handleInset(), 7); // 9 * 0.5 + 2.5
    knob.setHandleImage(nullptr);
    EXPECT_EQ(handle->refCount(), 1);
    handle->release();
}

TEST_F(ControlTest, CircularDragAcrossTheDeadZoneIsPinned) {
    Knob* knob = addKnob();
    // From near the maximum across the gap towards the minimum: pinned at max.
    pressAt(onCircle(-30, buttonLeft), {onCircle(-40, buttonLeft), onCircle(-80, buttonLeft),
                                        onCircle(-100, buttonLeft), onCircle(230, buttonLeft),
                                        onCircle(200, 0)});
    EXPECT_EQ(knob->getValue(), 1.0f);
    ASSERT_GE(listener.reports.size(), 2u);
    EXPECT_NEAR(listener.reports[0].second, (225.0f + 30.0f) / 270.0f, 0.02f);
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 7", "end 7"}));
    EXPECT_EQ(frame->focusView(), knob);

    // From near the minimum the other way: pinned at min.
    listener.reports.clear();
    pressAt(onCircle(220, buttonLeft), {onCircle(260, buttonLeft), onCircle(300, buttonLeft),
                                        onCircle(-30, buttonLeft), onCircle(0, 0)});
    EXPECT_EQ(knob->getValue(), 0.0f);
    EXPECT_EQ(frame->focusView(), knob);
}

TEST_F(ControlTest, CircularDragFollowsThePointer) {
    Knob* knob = addKnob();
    pressAt(onCircle(90, buttonLeft), {onCircle(180, buttonLeft), onCircle(90, buttonLeft), onCircle(0, 0)});
    ASSERT_EQ(listener.reports.size(), 4u);
    EXPECT_NEAR(listener.reports[0].second, 0.5f, 0.01f);
    EXPECT_NEAR(listener.reports[1].second, 1.0f / 6.0f, 0.01f);
    EXPECT_NEAR(listener.reports[2].second, 0.5f, 0.01f);
    EXPECT_NEAR(knob->getValue(), 5.0f / 6.0f, 0.01f);

    // A jump of more than half the range in one step counts as crossing the dead zone.
    pressAt(onCircle(180, buttonLeft), {onCircle(0, 0)});
    EXPECT_EQ(knob->getValue(), 0.0f);
}

TEST_F(ControlTest, LinearDragCoversTheRangeIn200PixelsOr300WithShift) {
    knobMode = knobModeLinear;
    Knob* knob = addKnob();
    pressAt(at(20, 20, buttonLeft), {at(120, 20, buttonLeft), at(170, -30, buttonLeft), at(170, -30, 0)});
    ASSERT_EQ(listener.reports.size(), 2u); // the first pass changes nothing
    EXPECT_NEAR(listener.reports[0].second, 0.5f, 1e-6);
    EXPECT_NEAR(knob->getValue(), 1.0f, 1e-6); // 150 right + 50 up
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 7", "end 7"}));

    knob->setValue(0.0f);
    pressAt(at(20, 20, buttonLeft | modifierShift), {at(170, 20, buttonLeft | modifierShift), at(170, 20, 0)});
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-6);

    knob->setValue(0.9f);
    pressAt(at(20, 20, buttonLeft), {at(-500, 20, buttonLeft)});
    EXPECT_EQ(knob->getValue(), 0.0f); // clamped
}

TEST_F(ControlTest, PressingShiftMidDragDoesNotMakeTheValueJump) {
    knobMode = knobModeLinear;
    Knob* knob = addKnob();
    pressAt(at(20, 20, buttonLeft), {at(120, 20, buttonLeft), at(121, 20, buttonLeft | modifierShift),
                                     at(151, 20, buttonLeft | modifierShift), at(152, 20, buttonLeft),
                                     at(152, 20, 0)});
    // At the sample where Shift changes the value still follows the old step; from there
    // on the new one applies, continuing from that value.
    ASSERT_EQ(listener.reports.size(), 4u);
    EXPECT_NEAR(listener.reports[0].second, 0.5f, 1e-5);
    EXPECT_NEAR(listener.reports[1].second, 0.505f, 1e-5);
    EXPECT_NEAR(listener.reports[2].second, 0.505f + 30.0f / 300.0f, 1e-5);
    EXPECT_NEAR(knob->getValue(), 0.605f + 1.0f / 300.0f, 1e-5); // Shift let go
}

TEST_F(ControlTest, AltInvertsTheKnobModeForOneDrag) {
    Knob* knob = addKnob();
    knobMode = knobModeLinear;
    knob->setValue(0.2f);
    pressAt(at(20, 2, buttonLeft | modifierAlt), {}); // circular: the top sets 0.5 at once
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    pressAt(at(20, 2, buttonLeft), {}); // linear again: no movement, no change
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);

    knobMode = 0;
    knob->setValue(0.2f);
    pressAt(at(20, 2, buttonLeft | modifierAlt), {at(60, 2, buttonLeft | modifierAlt)}); // linear
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5);
}

TEST_F(ControlTest, KnobIgnoresRightClicksAndClicksWhenDisabled) {
    Knob* knob = addKnob();
    knob->setValue(0.3f);
    pressAt(at(20, 2, buttonRight), {});
    knob->setClickable(false);
    knob->onMouseDown(nullptr, {20, 2});
    EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
    EXPECT_TRUE(editor.events.empty());
}

// ---- sliders

class SliderTest : public ControlTest {
protected:
    SliderTest() {
        registerSolid(60, 20, 20, rgb(0, 255, 0));
        registerSolid(61, 4, 4, rgb(0, 255, 0));
        registerSolid(62, 700, 300, rgb(40, 40, 40));
        handle = new Bitmap(60);
        smallHandle = new Bitmap(61);
        background = new Bitmap(62);
    }
    ~SliderTest() override {
        frame.reset();
        handle->release();
        smallHandle->release();
        background->release();
    }
    // The panel's master slider: track 306..579, handle 20 wide, control 306..599.
    HorizontalSlider* addHorizontal(int32_t style = sliderMinLeft) {
        auto* s = new HorizontalSlider({306, 100, 599, 120}, &listener, 3, 306, 579, handle, background,
                                       {306, 100}, style);
        frame->appendView(s);
        return s;
    }
    // A panel amount slider: top 26, handle 4 high, bottom 64.
    VerticalSlider* addVertical(int32_t style = sliderMinBottom) {
        auto* s = new VerticalSlider({10, 26, 30, 64}, &listener, 46, 26, 60, smallHandle, background, {10, 26}, style);
        frame->appendView(s);
        return s;
    }
    Bitmap* handle;
    Bitmap* smallHandle;
    Bitmap* background;
};

TEST_F(SliderTest, HandlePositionsFollowTheStyle) {
    HorizontalSlider* h = addHorizontal();
    EXPECT_EQ(h->style(), sliderMinLeft | sliderHorizontal);
    EXPECT_EQ(h->minPos(), 0);
    EXPECT_EQ(h->maxPos(), 293); // travel 273 plus the handle
    h->setValue(0.0f);
    EXPECT_EQ(h->handleRect(), (Rect{0, 0, 20, 20}));
    h->setValue(1.0f);
    EXPECT_EQ(h->handleRect(), (Rect{273, 0, 293, 20}));
    h->setValue(0.5f);
    EXPECT_EQ(h->handleRect().left, 136);

    VerticalSlider* v = addVertical();
    EXPECT_EQ(v->style(), sliderMinBottom | sliderVertical);
    v->setValue(1.0f);
    EXPECT_EQ(v->handleRect(), (Rect{0, 0, 4, 4})); // value 1 at the top
    v->setValue(0.0f);
    EXPECT_EQ(v->handleRect(), (Rect{0, 34, 4, 38}));

    VerticalSlider* topMin = addVertical(sliderMinTop);
    topMin->setValue(1.0f);
    EXPECT_EQ(topMin->handleRect().top, 34);
}

TEST_F(SliderTest, DraggingReachesOneAtTheRightOrTheTop) {
    HorizontalSlider* h = addHorizontal();
    // With clickAnywhere the handle centres on the pointer: base = 306 + 20 / 2 - 1.
    press(*frame, {315, 110}, buttonLeft, {at(315 + 273, 110, buttonLeft), at(700, 110, 0)});
    ASSERT_GE(listener.reports.size(), 2u);
    EXPECT_NEAR(listener.reports[0].second, 0.0f, 1e-6);
    EXPECT_NEAR(listener.reports[1].second, 1.0f, 1e-6);
    EXPECT_EQ(h->getValue(), 1.0f);
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 3", "end 3"}));
    EXPECT_EQ(frame->focusView(), h);

    VerticalSlider* v = addVertical();
    press(*frame, {20, 61}, buttonLeft, {at(20, 27, 0)}); // base = 26 + 4 / 2 - 1
    EXPECT_EQ(v->getValue(), 1.0f);
    EXPECT_EQ(listener.reports[listener.reports.size() - 2].second, 0.0f);
}

TEST_F(SliderTest, ShiftSlowsTheDragTenfold) {
    HorizontalSlider* h = addHorizontal();
    press(*frame, {315, 110}, buttonLeft | modifierShift, {at(315 + 273, 110, buttonLeft | modifierShift), at(0, 0, 0)});
    EXPECT_NEAR(listener.reports[1].second, 0.1f, 1e-5);
    (void)h;
}

TEST_F(SliderTest, WithoutClickAnywhereOnlyTheHandleGrabs) {
    HorizontalSlider* h = addHorizontal();
    h->setClickAnywhere(false);
    h->setValue(0.5f);
    press(*frame, {330, 110}, buttonLeft, {at(400, 110, 0)}); // beside the handle
    EXPECT_EQ(h->getValue(), 0.5f);
    EXPECT_TRUE(editor.events.empty());
    // The handle spans 442..462; grabbed at 450 it keeps that distance.
    press(*frame, {450, 110}, buttonLeft, {at(450 + 91, 110, buttonLeft), at(0, 0, 0)});
    ASSERT_GE(listener.reports.size(), 2u);
    EXPECT_NEAR(listener.reports[0].second, 136.0f / 273.0f, 1e-5);
    EXPECT_NEAR(listener.reports[1].second, 227.0f / 273.0f, 1e-5);
}

TEST_F(SliderTest, ControlClickResetsWithoutAnEditGesture) {
    HorizontalSlider* h = addHorizontal();
    h->setValue(0.8f);
    press(*frame, {400, 110}, buttonLeft | modifierControl);
    EXPECT_EQ(h->getValue(), 0.5f);
    EXPECT_TRUE(editor.events.empty());
    EXPECT_EQ(listener.reports.size(), 1u);
}

TEST_F(SliderTest, TheOffscreenCopyLivesWhileAttached) {
    HorizontalSlider* h = addHorizontal();
    ASSERT_NE(h->offscreen(), nullptr);
    EXPECT_EQ(h->offscreen()->width(), 293);
    EXPECT_EQ(h->offscreen()->height(), 20);
    h->setValue(1.0f);
    windowOf(*frame).paintAll();
    const sw::SoftPixmap& pixels = windowOf(*frame).pixels();
    EXPECT_EQ(countColor(pixels, {306 + 273, 100, 306 + 293, 120}, rgb(0, 255, 0)), 400);
    EXPECT_EQ(countColor(pixels, {306, 100, 306 + 273, 120}, rgb(40, 40, 40)), 273 * 20);
    frame->detachView(h, false);
    EXPECT_EQ(h->offscreen(), nullptr);
    h->release();
}

} // namespace
} // namespace zk::gui::test
