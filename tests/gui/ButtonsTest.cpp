#include "GuiTestSupport.h"
#include "ProbeView.h"

#include "gui/Buttons.h"

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef offColor = rgb(10, 10, 10), onColor = rgb(250, 0, 0);
constexpr platform::ColorRef splashColor = rgb(0, 0, 250);

class ButtonsTest : public GuiTest {
protected:
    ButtonsTest() {
        registerStrip(70, 20, 40, offColor, onColor);
        registerSolid(71, 200, 150, splashColor);
        strip = new Bitmap(70);
        picture = new Bitmap(71);
    }
    ~ButtonsTest() override {
        frame.reset();
        strip->release();
        picture->release();
    }
    const sw::SoftPixmap& pixels() { return windowOf(*frame).pixels(); }

    RecordingEditor editor;
    RecordingListener listener;
    std::unique_ptr<Frame> frame = makeFrame({0, 0, 200, 150}, &editor);
    Bitmap* strip;
    Bitmap* picture;
    std::vector<std::string> log;
};

TEST_F(ButtonsTest, OnOffButtonAtAHalfShowsOnAndClicksToOne) {
    auto* button = new OnOffButton({10, 10, 30, 30}, &listener, 12, strip);
    frame->appendView(button);
    button->setValue(0.5f);
    windowOf(*frame).paintAll();
    EXPECT_EQ(countColor(pixels(), {10, 10, 30, 30}, onColor), 400);
    press(*frame, {20, 20}, buttonLeft);
    EXPECT_EQ(button->getValue(), 1.0f);
    press(*frame, {20, 20}, buttonLeft);
    EXPECT_EQ(button->getValue(), 0.0f);
    ASSERT_EQ(listener.reports.size(), 2u); // every click, with no edit gesture
    EXPECT_EQ(listener.reports[0], std::make_pair(12, 1.0f));
    EXPECT_TRUE(editor.events.empty());
    EXPECT_EQ(countColor(pixels(), {10, 10, 30, 30}, offColor), 400); // redrawn by the listener
    EXPECT_EQ(editor.idleRuns, 2);
    press(*frame, {20, 20}, buttonRight);
    EXPECT_EQ(listener.reports.size(), 2u);
}

TEST_F(ButtonsTest, ToggleSwitchReleasedInsideFlipsAndOutsideRestores) {
    auto* toggle = new ToggleSwitch({10, 10, 30, 30}, &listener, 21, 20, strip, {0, 0});
    frame->appendView(toggle);
    windowOf(*frame).paintAll();
    press(*frame, {20, 20}, buttonLeft, {at(25, 25, buttonLeft), at(25, 25, 0)});
    EXPECT_EQ(toggle->getValue(), 1.0f);
    EXPECT_EQ(toggle->lastValue(), 1.0f);
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 21", "end 21"}));
    EXPECT_EQ(countColor(pixels(), {10, 10, 30, 30}, onColor), 400);

    listener.reports.clear();
    press(*frame, {20, 20}, buttonLeft, {at(60, 20, buttonLeft), at(60, 20, 0)});
    EXPECT_EQ(toggle->getValue(), 1.0f); // released outside: as it was
    ASSERT_EQ(listener.reports.size(), 2u); // every change of state during the drag
    EXPECT_EQ(listener.reports[0].second, 0.0f);
    EXPECT_EQ(listener.reports[1].second, 1.0f);
}

TEST_F(ButtonsTest, ToggleSwitchDragEndsWhenAModifierChanges) {
    auto* toggle = new ToggleSwitch({10, 10, 30, 30}, &listener, 21, 20, strip, {0, 0});
    frame->appendView(toggle);
    press(*frame, {20, 20}, buttonLeft, {at(20, 20, buttonLeft | modifierShift), at(60, 60, buttonLeft)});
    EXPECT_EQ(toggle->getValue(), 1.0f); // ended before the pointer left
    EXPECT_EQ(system.input().pending(), 1u);
}

TEST_F(ButtonsTest, SplashShowsAsModalAndTheNextClickHidesIt) {
    auto* under = new ProbeView({0, 0, 200, 150}, "under", log);
    auto* splash = new SplashControl({5, 120, 15, 130}, &listener, 56, picture, {0, 0, 100, 100}, {0, 0});
    frame->appendView(under);
    frame->appendView(splash);
    windowOf(*frame).paintAll();
    EXPECT_EQ(countColor(pixels(), {0, 0, 200, 150}, splashColor), 0); // an invisible hot spot

    press(*frame, {5, 120}, buttonRight); // the hot spot answers the left button only
    EXPECT_EQ(splash->getValue(), 0.0f);
    press(*frame, {10, 125}, buttonLeft);
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(frame->modalView(), splash);
    EXPECT_EQ(splash->size(), (Rect{0, 0, 100, 100}));
    EXPECT_EQ(countColor(pixels(), {0, 0, 100, 100}, splashColor), 10000);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0], std::make_pair(56, 1.0f));

    log.clear();
    press(*frame, {150, 140}, buttonLeft); // outside the picture: nobody
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(splash->getValue(), 1.0f);

    press(*frame, {50, 50}, buttonLeft);
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(frame->modalView(), nullptr);
    EXPECT_EQ(splash->size(), (Rect{5, 120, 15, 130}));
    EXPECT_EQ(listener.reports.size(), 2u);
    EXPECT_EQ(countColor(pixels(), {0, 0, 200, 150}, splashColor), 0); // the frame drew itself again
    EXPECT_TRUE(splash->isDirty());
}

TEST_F(ButtonsTest, SplashIsRefusedWhileAnotherViewIsModal) {
    auto* other = new ProbeView({150, 0, 160, 10}, "other", log);
    auto* splash = new SplashControl({5, 120, 15, 130}, &listener, 56, picture, {0, 0, 100, 100}, {0, 0});
    frame->appendView(other);
    frame->appendView(splash);
    windowOf(*frame).paintAll();
    frame->setModal(other);
    const std::vector<platform::ColorRef> before = pixels().pixels();
    system.input().set({{10, 125}, buttonLeft, 0});
    DrawContext context(frame.get(), nullptr, frame->platformWindow());
    splash->onMouseDown(&context, {10, 125});
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(frame->modalView(), other);
    EXPECT_TRUE(listener.reports.empty());
    EXPECT_EQ(pixels().pixels(), before);
    // The refused showing never took the picture's rectangle, so hiding keeps the spot.
    splash->hide();
    EXPECT_EQ(splash->size(), (Rect{5, 120, 15, 130}));
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(frame->modalView(), other);
}

TEST_F(ButtonsTest, HideClearsTheSplashModality) {
    frame->appendView(new ProbeView({0, 0, 200, 150}, "under", log));
    auto* splash = new SplashControl({5, 120, 15, 130}, &listener, 56, picture, {0, 0, 100, 100}, {0, 0});
    frame->appendView(splash);
    windowOf(*frame).paintAll();
    press(*frame, {10, 125}, buttonLeft);
    ASSERT_EQ(frame->modalView(), splash);
    splash->hide();
    EXPECT_EQ(frame->modalView(), nullptr);
    EXPECT_EQ(splash->size(), (Rect{5, 120, 15, 130}));
    EXPECT_EQ(countColor(pixels(), {0, 0, 200, 150}, splashColor), 0);
}

TEST_F(ButtonsTest, KeysReachTheFocusViewAndThenTheShownSplash) {
    auto* focus = new ProbeView({150, 0, 160, 10}, "focus", log);
    auto* other = new ProbeView({150, 20, 160, 30}, "other", log);
    auto* splash = new SplashControl({5, 120, 15, 130}, &listener, 56, picture, {0, 0, 100, 100}, {0, 0});
    frame->appendView(other);
    frame->appendView(focus);
    frame->appendView(splash);
    press(*frame, {10, 125}, buttonLeft);
    frame->moveFocus(focus);
    log.clear();
    EXPECT_EQ(frame->onKeyDown({'x', 0, 0}), -1);
    EXPECT_EQ(log, (std::vector<std::string>{"focus key"}));
}

} // namespace
} // namespace zk::gui::test
