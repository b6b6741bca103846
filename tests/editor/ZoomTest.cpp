// The panel menu's "Zoom" entries: a choice applies at once, is kept per user and taken by
// every panel opened later; "Automatic" leaves the scale to the host, else the desktop.
#include "editor/PanelScale.h"
#include "editor/PanelZoom.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

#include <tuple>

namespace zktest {
namespace {

constexpr Point kMenuArea{140, 340};

// Command ids of the panel menu: About 0, Default 1, MidiForget 2, the Zoom entry 3, then
// the Zoom entries in order.
int32_t zoomCommand(int32_t percent) { return 4 + zk::panel::zoomEntry(percent); }

std::tuple<int32_t, int32_t> sizeOf(PanelHarness& h) { return {h.editor().size().width, h.editor().size().height}; }
std::tuple<int32_t, int32_t> windowSize(PanelHarness& h) { return {h.pixels().width(), h.pixels().height()}; }

// The Zoom entries of the last panel menu shown, with the checked one.
std::vector<sw::MenuItemRecord> zoomEntries(PanelHarness& h) {
    const auto& showings = h.system.menuService().showings();
    if (showings.empty()) return {};
    const auto& items = showings.back().items;
    return items.size() == 4 ? items[3].subMenu : std::vector<sw::MenuItemRecord>{};
}

std::string checkedZoom(PanelHarness& h) {
    for (const sw::MenuItemRecord& item : zoomEntries(h))
        if (item.flags & zk::gui::platform::menuChecked) return item.text;
    return "";
}

TEST(Zoom, AChoiceAppliesAtOnceIsStoredAndNewPanelsOpenAtIt) {
    PictureDrawerScope drawer(&flatScaledPicture);
    std::map<std::string, uint32_t> stored;
    {
        PanelHarness a;
        ASSERT_TRUE(a.open());
        a.chooseFromMenu(kMenuArea, 1, -1); // every zoom offered, the current one checked
        std::vector<std::string> texts;
        for (const sw::MenuItemRecord& item : zoomEntries(a)) texts.push_back(item.text);
        EXPECT_EQ(texts, (std::vector<std::string>{"Automatic", "100 %", "125 %", "150 %", "175 %", "200 %", "250 %",
                                                   "300 %"}));
        EXPECT_EQ(checkedZoom(a), "Automatic");
        a.chooseFromMenu(kMenuArea, 1, zoomCommand(150));
        a.idle(); // rebuilt there, outside the menu's own handling
        EXPECT_EQ(sizeOf(a), std::tuple(918, 729));
        EXPECT_EQ(windowSize(a), std::tuple(918, 729));
        const zk::panel::ControlPlace knob = zk::panel::scaledPlace(zk::panel::kControls[3], 1.5f);
        const zk::gui::Rect r = a.editor().control(knob.tag)->size();
        EXPECT_EQ(std::tuple(r.left, r.top, r.width()), std::tuple(knob.left, knob.top, knob.width));
        // The rebuilt panel works: a click on a key at its new place switches it.
        const zk::panel::ControlPlace key = zk::panel::scaledPlace(zk::panel::kControls[0], 1.5f);
        a.effect().setParameter(key.tag, 0.0f);
        a.press({key.left + key.width / 2, key.top + key.height / 2}, 1);
        EXPECT_EQ(a.effect().getParameter(key.tag), 1.0f);
        stored = a.settings.values;
    }
    EXPECT_EQ(stored[zk::panel::kZoomSettingName], 151u);

    PanelHarness b; // another instance of the same user
    b.settings.values = stored;
    b.system.setSystemScale(2.0f);
    EXPECT_TRUE(b.editor().setScale(1.25f)); // the user's choice wins over the host's
    EXPECT_EQ(sizeOf(b), std::tuple(918, 729));
    ASSERT_TRUE(b.open());
    EXPECT_EQ(windowSize(b), std::tuple(918, 729));
    b.chooseFromMenu({210, 510}, 1, -1);
    EXPECT_EQ(checkedZoom(b), "150 %");
}

TEST(Zoom, AutomaticGoesBackToTheHostsScaleElseTheDesktops) {
    PictureDrawerScope drawer(&flatScaledPicture);
    std::map<std::string, uint32_t> stored;
    {
        PanelHarness h;
        h.settings.values[zk::panel::kZoomSettingName] = 201; // 200 %
        h.system.setSystemScale(1.5f);
        h.editor().setScale(1.25f);
        ASSERT_TRUE(h.open());
        EXPECT_EQ(windowSize(h), std::tuple(1224, 972));
        h.chooseFromMenu({280, 680}, 1, zoomCommand(0));
        h.idle();
        EXPECT_EQ(sizeOf(h), std::tuple(765, 608)); // the host's 1.25
        EXPECT_EQ(windowSize(h), std::tuple(765, 608));
        stored = h.settings.values;
    }
    EXPECT_EQ(stored[zk::panel::kZoomSettingName], 0u); // nothing stored
    PanelHarness next; // a host that gives no scale: the desktop's
    next.settings.values = stored;
    next.system.setSystemScale(1.5f);
    EXPECT_EQ(sizeOf(next), std::tuple(918, 729));
}

// A VST 2 host learns the new size from effEditGetRect, and through audioMasterSizeWindow
// where it says it can resize.
TEST(Zoom, AVst2HostThatCanSizeItsWindowIsAskedTo) {
    PictureDrawerScope drawer(&flatScaledPicture);
    for (bool can : {false, true}) {
        PanelHarness h;
        h.hostCanSizeWindow = can;
        ASSERT_TRUE(h.open());
        h.chooseFromMenu(kMenuArea, 1, zoomCommand(200));
        EXPECT_TRUE(h.callsOf(vst2::audioMasterSizeWindow).empty()) << "not from inside the menu's handling";
        h.idle();
        const std::vector<HostCall> asked = h.callsOf(vst2::audioMasterSizeWindow);
        if (can) {
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(std::tuple(asked[0].index, asked[0].value), std::tuple(1224, 1224.0f * 486 / 612));
        } else {
            EXPECT_TRUE(asked.empty());
        }
        vst2::ERect* rect = nullptr;
        ASSERT_EQ(h.effect().dispatch(vst2::effEditGetRect, 0, 0, &rect, 0.0f), 1);
        EXPECT_EQ(std::tuple(rect->right - rect->left, rect->bottom - rect->top), std::tuple(1224, 972));
        h.idle();
        EXPECT_EQ(h.callsOf(vst2::audioMasterSizeWindow).size(), asked.size()) << "asked once";
    }
}

TEST(Zoom, NumbersThatAreNoChoiceReadAsAutomatic) {
    MemorySettings store;
    for (uint32_t raw : {0u, 1u, 100u, 124u, 1001u, 0xFFFFFFFFu}) {
        store.values[zk::panel::kZoomSettingName] = raw;
        EXPECT_EQ(zk::panel::readZoom(store), 0) << raw;
    }
    EXPECT_TRUE(zk::panel::writeZoom(store, 250));
    EXPECT_EQ(zk::panel::readZoom(store), 250);
    EXPECT_FALSE(zk::panel::writeZoom(store, 120));
    EXPECT_EQ(zk::panel::readZoom(store), 250);
}

} // namespace
} // namespace zktest
