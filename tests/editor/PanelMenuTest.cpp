#include "editor/AboutView.h"
#include "gui/Frame.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

namespace zktest {
namespace {

constexpr Point kPanelMenu{100, 340};
constexpr Point kSplash{15, 447};
constexpr Point kClear{600, 10}; // panel picture only
constexpr int32_t kLeft = zk::gui::buttonLeft;

int aboutViewsIn(zk::gui::Frame& frame) {
    int count = 0;
    for (int32_t i = 0; i < frame.viewCount(); ++i) count += dynamic_cast<zk::AboutView*>(frame.viewAt(i)) != nullptr;
    return count;
}

TEST(PanelMenu, AboutShowsOnceAndAClickHidesItAtOnce) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    zk::gui::Frame& frame = *h.editor().frame();
    const int32_t views = frame.viewCount();
    h.chooseFromMenu(kPanelMenu, kLeft, 0);
    h.chooseFromMenu(kPanelMenu, kLeft, 0);
    EXPECT_EQ(h.pixel(kClear), picture::background); // nothing before the idle
    h.idle();
    h.idle();
    EXPECT_EQ(aboutViewsIn(frame), 1);
    EXPECT_EQ(frame.modalView(), h.editor().aboutView());
    EXPECT_EQ(h.pixel(kClear), picture::about);
    int letters = 0; // the version line, in black inside its rectangle only
    for (int32_t y = 180; y < 212; ++y)
        for (int32_t x = 200; x < 600; ++x)
            if (h.pixel({x, y}) == 0) {
                ++letters;
                EXPECT_TRUE(x >= 228 && x < 572 && y >= 189 && y < 203) << x << "," << y;
            }
    EXPECT_GT(letters, 20);

    // The shown view takes every click: a right one does nothing.
    h.press({450, 474}, zk::gui::buttonRight);
    EXPECT_EQ(h.menusShown(), 2u);
    EXPECT_EQ(frame.modalView(), h.editor().aboutView());

    h.press({300, 200}, kLeft);
    EXPECT_EQ(frame.modalView(), nullptr);
    EXPECT_EQ(aboutViewsIn(frame), 0);
    EXPECT_EQ(frame.viewCount(), views);
    EXPECT_TRUE(h.reportsPastParameters().empty()); // the panel's commands are its own
    EXPECT_EQ(h.pixel(kClear), picture::background); // redrawn without waiting for idle
    EXPECT_EQ(h.pixel({300, 200}), picture::background);
    h.idle();
    EXPECT_EQ(h.pixel({300, 200}), picture::background);
    EXPECT_FALSE(h.editor().aboutRequested());
}

TEST(PanelMenu, SplashShowsTheLargePictureAndThePanelMenuStillOpens) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    zk::gui::Frame& frame = *h.editor().frame();
    h.press(kSplash, kLeft);
    EXPECT_EQ(frame.modalView(), nullptr);
    EXPECT_EQ(h.pixel(kClear), picture::about);

    h.press(kPanelMenu, kLeft);
    EXPECT_EQ(h.lastMenu(), (std::vector<std::string>{"About", "Default", "MidiForget", "Zoom"}));
    h.press({450, 474}, zk::gui::buttonRight); // the Master control under the picture
    EXPECT_EQ(h.lastMenu(), std::vector<std::string>{"MidiLearn"});

    h.press({300, 200}, kLeft);
    EXPECT_TRUE(h.reportsPastParameters().empty());
    EXPECT_EQ(h.pixel(kClear), picture::background);
}

TEST(PanelMenu, DefaultSavesTheBindingsToTheSettings) {
    PanelHarness h;
    h.effect().setParameter(zk::CommandLearn, 0.0f);
    h.controlChange(7, 0);
    ASSERT_TRUE(h.open());
    h.messages.answers = {true};
    h.chooseFromMenu(kPanelMenu, kLeft, 1);
    EXPECT_TRUE(h.reportsPastParameters().empty());
    EXPECT_EQ(h.settings.values.at("MidiCC-Master"), 8u);
    EXPECT_EQ(h.messages.shown.back(), "Ok!|Default Values Saved!");
    EXPECT_EQ(h.editor().frame()->modalView(), nullptr);
    h.idle();
    EXPECT_FALSE(h.editor().aboutRequested());
}

} // namespace
} // namespace zktest
