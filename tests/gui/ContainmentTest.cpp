#include "GuiTestSupport.h"

#include "gui/Buttons.h"
#include "gui/Knob.h"
#include "gui/OptionMenu.h"
#include "gui/Slider.h"
#include "gui/TextEdit.h"

#include <functional>

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef sentinel = rgb(1, 2, 3);
const Rect place{50, 40, 90, 80};

// Every control, drawn on its own over a sentinel background, changes only pixels of its
// rectangle (right and bottom edges included).
class ContainmentTest : public ControlTest {
protected:
    ContainmentTest() {
        std::vector<platform::ColorRef> noise(300 * 300);
        for (std::size_t i = 0; i < noise.size(); ++i)
            noise[i] = rgb(uint8_t(i * 7), uint8_t(i * 13), uint8_t(i * 3 + 1));
        system.registerBitmap(90, 300, 300, noise);
        big = new Bitmap(90);
    }
    ~ContainmentTest() override { big->release(); }

    void expectContained(Control* control, const std::function<void(Control&)>& prepare = {}) {
        add(control);
        for (bool transparent : {false, true})
            for (float value : {0.0f, 0.5f, 1.0f}) {
                windowOf(*frame).pixels().fill(sentinel);
                control->setTransparent(transparent);
                control->setValue(value);
                if (prepare)
                    prepare(*control);
                frame->drawViewNow(control);
                const Rect changed = boundsOfNot(pixels(), sentinel);
                if (changed.right < 0)
                    continue; // drew nothing
                EXPECT_GE(changed.left, place.left) << value;
                EXPECT_GE(changed.top, place.top) << value;
                EXPECT_LE(changed.right, place.right) << value;
                EXPECT_LE(changed.bottom, place.bottom) << value;
            }
    }
    Bitmap* big;
    Bitmap* handle = solid(91, 9, 9, rgb(0, 250, 0));
};

TEST_F(ContainmentTest, KnobsSlidersAndButtons) {
    expectContained(new Knob(place, &listener, 1, big, nullptr, {3, 4}));
    expectContained(new Knob(place, &listener, 2, nullptr, handle, {0, 0}));
    expectContained(new HorizontalSlider(place, &listener, 1, 50, 81, handle, big, {0, 0}));
    expectContained(new VerticalSlider(place, &listener, 2, 40, 71, handle, big, {5, 5}));
    expectContained(new OnOffButton(place, &listener, 1, big));
    expectContained(new ToggleSwitch(place, &listener, 2, 40, big, {0, 0}));
    expectContained(new SplashControl(place, &listener, 3, big, place, {0, 0}));
}

TEST_F(ContainmentTest, TextControls) {
    for (int32_t style : {0, styleShadowText, style3DIn, style3DOut, style3DIn | styleShadowText}) {
        expectContained(new ParamDisplay(place, nullptr, style),
                        [](Control& c) { static_cast<ParamDisplay&>(c).setFont(fontBig); });
        expectContained(new TextEdit(place, &listener, 1, "A text much wider than its box", nullptr, style),
                        [](Control& c) { static_cast<TextEdit&>(c).setTextTransparent(false); });
    }
    auto* menu = new OptionMenu(place, &listener, 1, big, nullptr, styleShadowText);
    menu->insertEntry("An entry much wider than its box");
    expectContained(menu);
}

} // namespace
} // namespace zk::gui::test
