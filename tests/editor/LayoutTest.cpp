#include "editor/LearnOverlay.h"
#include "editor/PanelLayout.h"
#include "gui/Buttons.h"
#include "gui/Frame.h"
#include "gui/Knob.h"
#include "gui/OptionMenu.h"
#include "gui/Slider.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

namespace zktest {
namespace {

namespace panel = zk::panel;
namespace gui = zk::gui;

// The view a left press at a point reaches: the frame offers it last view first.
gui::View* viewUnder(gui::Frame& frame, Point where) {
    for (int32_t i = frame.viewCount() - 1; i >= 0; --i) {
        gui::View* view = frame.viewAt(i);
        if (view->isClickable() && view->hitTest(where, gui::buttonLeft)) return view;
    }
    return nullptr;
}

TEST(PanelLayout, EveryControlSitsAtItsPlaceUnderAnOverlayOfTheSameRectangle) {
    PanelHarness h;
    h.effect().setParameter(12, 0.25f);
    ASSERT_TRUE(h.open());
    zk::PluginEditor& editor = h.editor();
    gui::Frame& frame = *editor.frame();
    for (const panel::ControlPlace& place : panel::kControls) {
        SCOPED_TRACE(place.tag);
        const gui::Rect rect{place.left, place.top, place.left + place.width, place.top + place.height};
        gui::Control* control = editor.control(place.tag);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->size(), rect);
        EXPECT_EQ(control->getTag(), place.tag);
        gui::View* top = viewUnder(frame, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
        if (place.kind == panel::ControlKind::lamp) {
            EXPECT_EQ(top, control);
            EXPECT_EQ(editor.overlay(place.tag), nullptr);
            continue;
        }
        EXPECT_FLOAT_EQ(control->getValue(), h.effect().getParameter(place.tag));
        auto* overlay = dynamic_cast<zk::LearnOverlay*>(top);
        ASSERT_NE(overlay, nullptr);
        EXPECT_EQ(overlay, editor.overlay(place.tag));
        EXPECT_EQ(overlay->target(), control);
        EXPECT_EQ(overlay->getTag(), 65);
        EXPECT_EQ(overlay->size(), rect);
        switch (place.kind) {
        case panel::ControlKind::knob: EXPECT_NE(dynamic_cast<gui::Knob*>(control), nullptr); break;
        case panel::ControlKind::button:
            ASSERT_NE(dynamic_cast<gui::OnOffButton*>(control), nullptr);
            EXPECT_EQ(control->getWheelStep(), 10.0f);
            break;
        default: {
            auto* slider = dynamic_cast<gui::Slider*>(control);
            ASSERT_NE(slider, nullptr);
            const bool vertical = place.kind == panel::ControlKind::verticalSlider;
            EXPECT_EQ(slider->style(), place.style | (vertical ? gui::sliderVertical : gui::sliderHorizontal));
            EXPECT_EQ(slider->travel(), place.maximumPosition - place.minimumPosition);
        }
        }
    }
    EXPECT_FLOAT_EQ(editor.control(12)->getValue(), 0.25f);
    // Parameter 53 has no control; every other parameter has exactly one.
    EXPECT_EQ(editor.control(53), nullptr);
    for (int32_t tag = 0; tag < 53; ++tag) EXPECT_NE(editor.control(tag), nullptr) << tag;
    // 53 controls with their overlays, three lamps, the splash square, the read-out, the
    // panel menu last.
    EXPECT_EQ(frame.viewCount(), 53 * 2 + 3 + 3);
    EXPECT_EQ(frame.viewAt(frame.viewCount() - 1), editor.panelMenu());
    EXPECT_EQ(viewUnder(frame, {15, 447}), editor.splash());
    EXPECT_EQ(editor.splash()->size(), (gui::Rect{6, 438, 24, 456}));
    EXPECT_EQ(editor.panelMenu()->size(), (gui::Rect{8, 301, 275, 387}));
}

} // namespace
} // namespace zktest
