#include "GuiTestSupport.h"
#include "ProbeView.h"

#include "gui/Buttons.h"

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef offColor = rgb(10, 10, 10), onColor = rgb(250, 0, 0), splashColor = rgb(0, 0, 250);
const Rect spot{5, 120, 15, 130}, picture{0, 0, 100, 100};

class ButtonsTest : public ControlTest {
protected:
    ~ButtonsTest() override { frame.reset(); } // before the log its views write to
    int32_t splashPixels() { return countColor(pixels(), {0, 0, 700, 300}, splashColor); }
    Bitmap* twoState = strip(70, 20, 40, offColor, onColor);
    Log log;
    ProbeView* under = add(new ProbeView({0, 0, 200, 150}, "under", log));
    SplashControl* splash = add(new SplashControl(spot, &listener, 56, solid(71, 200, 150, splashColor), picture, {0, 0}));
};

TEST_F(ButtonsTest, OnOffButtonAtAHalfShowsOnAndClicksToOne) {
    auto* button = add(new OnOffButton({10, 10, 30, 30}, &listener, 12, twoState));
    button->setValue(0.5f);
    windowOf(*frame).paintAll();
    EXPECT_EQ(countColor(pixels(), {10, 10, 30, 30}, onColor), 400);
    click({20, 20}, buttonLeft);
    EXPECT_EQ(button->getValue(), 1.0f);
    click({20, 20}, buttonLeft);
    click({20, 20}, buttonRight); // the left button only
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(listener.reports, (std::vector<std::pair<int32_t, float>>{{12, 1.0f}, {12, 0.0f}}));
    EXPECT_TRUE(editor.events.empty()); // a click is no edit gesture
    EXPECT_EQ(countColor(pixels(), {10, 10, 30, 30}, offColor), 400); // redrawn by the listener
}

TEST_F(ButtonsTest, ToggleSwitchReleasedInsideFlipsAndOutsideRestores) {
    auto* toggle = add(new ToggleSwitch({10, 10, 30, 30}, &listener, 21, 20, twoState, {0, 0}));
    windowOf(*frame).paintAll();
    click({20, 20}, buttonLeft, {at(25, 25, buttonLeft), at(25, 25, 0)});
    EXPECT_EQ(toggle->getValue(), 1.0f);
    EXPECT_EQ(editor.events, gesture(21));
    EXPECT_EQ(countColor(pixels(), {10, 10, 30, 30}, onColor), 400);

    listener.reports.clear();
    click({20, 20}, buttonLeft, {at(60, 20, buttonLeft), at(60, 20, 0)});
    EXPECT_EQ(toggle->getValue(), 1.0f); // released outside: as it was
    EXPECT_EQ(listener.reports, (std::vector<std::pair<int32_t, float>>{{21, 0.0f}, {21, 1.0f}}));
    EXPECT_EQ(editor.events.size(), 4u);
}

TEST_F(ButtonsTest, SplashShowsAsModalAndTheNextClickHidesIt) {
    windowOf(*frame).paintAll();
    EXPECT_EQ(splashPixels(), 0); // an invisible hot spot
    click({5, 120}, buttonRight); // the left button only
    EXPECT_EQ(splash->getValue(), 0.0f);
    click({10, 125}, buttonLeft);
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(frame->modalView(), splash);
    EXPECT_EQ(splash->size(), picture);
    EXPECT_EQ(countColor(pixels(), picture, splashColor), 10000);
    EXPECT_EQ(listener.reports, (std::vector<std::pair<int32_t, float>>{{56, 1.0f}}));

    log.clear();
    click({150, 140}, buttonLeft); // outside the picture: nobody
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(splash->getValue(), 1.0f);
    click({50, 50}, buttonLeft);
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(frame->modalView(), nullptr);
    EXPECT_EQ(splash->size(), spot);
    EXPECT_EQ(listener.reports.size(), 2u);
    EXPECT_EQ(splashPixels(), 0); // the frame drew itself again
}

TEST_F(ButtonsTest, SplashIsRefusedWhileAnotherViewIsModal) {
    windowOf(*frame).paintAll();
    frame->setModal(under);
    const std::vector<platform::ColorRef> before = pixels().pixels();
    system.input().set({{10, 125}, buttonLeft, 0});
    DrawContext context(frame.get(), nullptr, frame->platformWindow());
    splash->onMouseDown(&context, {10, 125});
    EXPECT_EQ(frame->modalView(), under);
    EXPECT_TRUE(listener.reports.empty());
    EXPECT_EQ(pixels().pixels(), before);
    // The refused showing never took the picture's rectangle, so hiding keeps the spot.
    splash->hide();
    EXPECT_EQ(splash->size(), spot);
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(frame->modalView(), under);
}

} // namespace
} // namespace zk::gui::test
