// The panel at a scale: its size, every control where the scaled table puts it, the mouse
// reaching the control under it, a knob's drag as long in hand movement, and pictures made
// once per scale. The pictures here are flat stand-ins of the scaled sizes.
#include "editor/PanelPictures.h"
#include "editor/PanelScale.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <tuple>

namespace zktest {
namespace {

std::unique_ptr<sw::SoftPixmap> noPicture(int32_t, float) { return nullptr; }

using Drawer = PictureDrawerScope;
std::atomic<int32_t>& drawn = flatPicturesDrawn;

Point centreOf(const zk::panel::ControlPlace& p) { return {p.left + p.width / 2, p.top + p.height / 2}; }

zk::panel::ControlPlace placeOf(int32_t tag, float scale) {
    for (const zk::panel::ControlPlace& c : zk::panel::kControls)
        if (c.tag == tag)
            return zk::panel::scaledPlace(c, scale);
    return {};
}

TEST(PanelScale, AtTwoThePanelAndEveryControlAreTwiceAsLarge) {
    Drawer drawer(&flatScaledPicture);
    PanelHarness h;
    EXPECT_TRUE(h.editor().setScale(2.0f));
    EXPECT_EQ(std::tuple(h.editor().size().width, h.editor().size().height), std::tuple(1224, 972));
    ASSERT_TRUE(h.open());
    EXPECT_EQ(std::tuple(h.pixels().width(), h.pixels().height()), std::tuple(1224, 972));
    EXPECT_EQ(std::tuple(h.editor().background()->width(), h.editor().background()->height()), std::tuple(1224, 972));
    for (const zk::panel::ControlPlace& c : zk::panel::kControls) {
        const zk::gui::Rect r = h.editor().control(c.tag)->size();
        EXPECT_EQ(std::tuple(r.left, r.top, r.right, r.bottom),
                  std::tuple(2 * c.left, 2 * c.top, 2 * (c.left + c.width), 2 * (c.top + c.height)))
            << c.tag;
    }
    // A key shows the lower half of its picture when on, at its own size.
    h.effect().setParameter(zk::paramFmButton1, 1.0f);
    h.idle();
    EXPECT_EQ(h.pixel(centreOf(placeOf(zk::paramFmButton1, 2.0f))), picture::on);
}

TEST(PanelScale, TheMouseReachesTheControlUnderItAtTwo) {
    Drawer drawer(&flatScaledPicture);
    PanelHarness h;
    h.editor().setScale(2.0f);
    ASSERT_TRUE(h.open());
    // A click on a key's scaled place switches it; one beside its 1 x place does nothing.
    h.effect().setParameter(zk::paramLeft2, 0.0f);
    h.press(centreOf(placeOf(zk::paramLeft2, 2.0f)), 1);
    EXPECT_EQ(h.effect().getParameter(zk::paramLeft2), 1.0f);
    // The Master slider follows the handle's centre over its scaled travel (546 pixels,
    // with a handle 40 wide).
    const zk::panel::ControlPlace master = placeOf(zk::paramMaster, 2.0f);
    const int32_t row = master.top + 30, centre = 40 / 2 - 1;
    ASSERT_EQ(master.maximumPosition - master.minimumPosition, 546);
    h.drag({master.minimumPosition + centre, row}, {master.minimumPosition + centre + 273, row});
    EXPECT_NEAR(h.effect().getParameter(zk::paramMaster), 0.5f, 1e-6);
    h.drag({master.minimumPosition + centre, row}, {master.maximumPosition + centre, row});
    EXPECT_NEAR(h.effect().getParameter(zk::paramMaster), 1.0f, 1e-6);
    // A knob's linear drag covers the range in 400 pixels: 200 give half of it.
    h.effect().setParameter(zk::paramBand1, 0.0f);
    const Point knob = centreOf(placeOf(zk::paramBand1, 2.0f));
    h.drag(knob, {knob.h + 200, knob.v});
    EXPECT_NEAR(h.effect().getParameter(zk::paramBand1), 0.5f, 1e-5);
    // A right click opens the learn menu of the control under the pointer.
    h.chooseFromMenu(centreOf(placeOf(zk::paramVolume3, 2.0f)), 4, -1);
    EXPECT_EQ(h.menusShown(), 1u);
}

TEST(PanelScale, WithoutPicturesAtTheScaleThePanelStaysAtOne) {
    {
        Drawer none(nullptr); // a platform that cannot draw at other scales
        PanelHarness h;
        EXPECT_FALSE(h.editor().setScale(2.0f));
        EXPECT_EQ(h.editor().scale(), 1.0f);
        EXPECT_EQ(h.editor().size().width, 612);
    }
    Drawer failing(&noPicture); // one that says it can, then draws nothing
    PanelHarness h;
    EXPECT_TRUE(h.editor().setScale(1.5f));
    ASSERT_TRUE(h.open());
    EXPECT_EQ(h.editor().scale(), 1.0f);
    EXPECT_EQ(std::tuple(h.editor().size().width, h.pixels().width()), std::tuple(612, 612));
}

// The window's system scale (Windows: its monitor's DPI) when the host gives none: the
// panel is rebuilt at the next host idle and asks the host to resize (audioMasterSizeWindow).
TEST(PanelScale, TheWindowsSystemScaleIsFollowedWhenTheHostGivesNone) {
    Drawer drawer(&flatScaledPicture);
    {
        PanelHarness h;
        h.hostCanSizeWindow = true;
        ASSERT_TRUE(h.open());
        EXPECT_EQ(h.pixels().width(), 612);
        h.window().scaleChanged(2.0f); // inside the window's own event: nothing is rebuilt yet
        EXPECT_EQ(h.editor().size().width, 612);
        h.idle();
        EXPECT_EQ(std::tuple(h.editor().size().width, h.editor().size().height), std::tuple(1224, 972));
        EXPECT_EQ(std::tuple(h.pixels().width(), h.pixels().height()), std::tuple(1224, 972));
        const zk::panel::ControlPlace knob = placeOf(zk::paramBand1, 2.0f);
        EXPECT_EQ(h.editor().control(zk::paramBand1)->size().left, knob.left);
        auto resizes = h.callsOf(vst2::audioMasterSizeWindow);
        ASSERT_EQ(resizes.size(), 1u);
        EXPECT_EQ(std::tuple(resizes[0].index, resizes[0].data), std::tuple(1224, 972));
        h.window().scaleChanged(2.0f); // the same again: nothing to do
        h.idle();
        h.window().scaleChanged(1.0f);
        h.idle();
        resizes = h.callsOf(vst2::audioMasterSizeWindow);
        ASSERT_EQ(resizes.size(), 2u);
        EXPECT_EQ(std::tuple(resizes[1].index, resizes[1].data), std::tuple(612, 486));
    }
    {
        // The desktop's scale was 1, the window's monitor says 1.5: the monitor wins.
        PanelHarness h;
        h.hostCanSizeWindow = true;
        h.system.setNewWindowScale(1.5f);
        ASSERT_TRUE(h.open());
        h.idle();
        EXPECT_EQ(std::tuple(h.editor().size().width, h.pixels().width()), std::tuple(918, 918));
        EXPECT_EQ(h.callsOf(vst2::audioMasterSizeWindow).size(), 1u);
    }
    PanelHarness h;
    h.hostCanSizeWindow = true;
    EXPECT_TRUE(h.editor().setScale(1.5f)); // the host's scale is kept
    ASSERT_TRUE(h.open());
    h.window().scaleChanged(2.0f);
    h.idle();
    EXPECT_EQ(std::tuple(h.editor().size().width, h.pixels().width()), std::tuple(918, 918));
    EXPECT_TRUE(h.callsOf(vst2::audioMasterSizeWindow).empty());
}

TEST(PanelScale, PicturesAreMadeOncePerScaleAndShared) {
    Drawer drawer(&flatScaledPicture);
    PanelHarness h; // its platform is the current one
    drawn = 0;
    const auto first = zk::PanelPictures::acquire(2.0f);
    const auto second = zk::PanelPictures::acquire(2.0f);
    EXPECT_EQ(first, second);
    EXPECT_EQ(drawn.load(), 2); // the background and the About picture
    const auto atOne = zk::PanelPictures::acquire(1.0f);
    EXPECT_NE(atOne->background(), first->background());
    EXPECT_EQ(std::tuple(first->scale(), atOne->scale()), std::tuple(2.0f, 1.0f));
    const auto other = zk::PanelPictures::acquire(3.0f);
    EXPECT_EQ(other->background()->width(), 1836);
    EXPECT_EQ(drawn.load(), 4);
    // Scales outside 1 to 3 are brought inside.
    EXPECT_TRUE(h.editor().setScale(7.0f));
    EXPECT_EQ(h.editor().scale(), 3.0f);
}

} // namespace
} // namespace zktest
