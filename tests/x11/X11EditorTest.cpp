// The plug-in's own panel on the X11 back end, as a Linux host would show it.

#include "tests/editor/PanelHarness.h" // before the X headers, whose macros clash with its names

#include "X11TestSupport.h"

#include "gui/platform/x11/X11Menus.h"

namespace zk::gui::test {
namespace {

constexpr Point band1{88, 62}; // the knob of parameter 4

using EditorTest = X11Test;

TEST_F(EditorTest, PanelShowsItsPictureAndTakesDragsAndMenus) {
    zktest::PanelHarness h(false); // the module's own pictures
    ASSERT_TRUE(h.open());
    const sw::SoftPixmap expected = h.pixels();
    h.close();
    platform::install(x11.get()); // the harness puts its own platform back when it goes
    XResizeWindow(display, host, 700, 550); // room for the whole panel
    XSync(display, False);

    // Opened here, idled from a timer thread of the host's own: the panel is painted there.
    ASSERT_TRUE(h.editor().open(reinterpret_cast<void*>(uintptr_t(host))));
    const auto idle = [&] { h.idle(); };
    std::thread([&] { test::idleFor(idle, 200ms); }).join();
    const ::Window panel = hostChildren().at(0);
    EXPECT_EQ(readBack(panel, 612, 486).pixels(), expected.pixels());

    const Point knob = onHostScreen(band1);
    h.calls.clear();
    test::withInput(idle, [&](FakeInput& input) {
        input.moveTo(knob);
        input.button(1, true);
        for (int step = 1; step <= 5; ++step) {
            input.moveTo({knob.h + 4 * step, knob.v - 4 * step});
            std::this_thread::sleep_for(40ms);
        }
        input.button(1, false);
    });
    const auto begins = h.callsOf(vst2::audioMasterBeginEdit), ends = h.callsOf(vst2::audioMasterEndEdit);
    const auto automated = h.callsOf(vst2::audioMasterAutomate);
    ASSERT_EQ(begins.size(), 1u);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(begins[0].index, 4);
    EXPECT_EQ(ends[0].index, 4);
    ASSERT_GE(automated.size(), 2u);
    for (std::size_t i = 0; i < automated.size(); ++i) {
        EXPECT_EQ(automated[i].index, 4);
        if (i > 0) {
            EXPECT_GT(automated[i].value, automated[i - 1].value);
        }
    }
    EXPECT_NE(readBack(panel, 612, 486).pixels(), expected.pixels()); // the knob turned

    // A right click opens the learn menu at the pointer; Escape leaves without a choice.
    h.calls.clear();
    test::withInput(idle, [&](FakeInput& input) {
        input.click(knob, 3);
        ASSERT_TRUE(waitFor([] { return platform::x11::X11MenuService::openLevels() > 0; }));
        input.key(XK_Escape);
    });
    EXPECT_EQ(platform::x11::X11MenuService::openLevels(), 0);
    EXPECT_TRUE(h.callsOf(vst2::audioMasterAutomate).empty());

    // Close twice; open over an open panel.
    h.editor().close();
    h.editor().close();
    EXPECT_EQ(hostChildren().size(), 0u);
    ASSERT_TRUE(h.editor().open(reinterpret_cast<void*>(uintptr_t(host))));
    ASSERT_TRUE(h.editor().open(reinterpret_cast<void*>(uintptr_t(host))));
    test::idleFor(idle, 50ms);
    EXPECT_EQ(hostChildren().size(), 1u);
}

} // namespace
} // namespace zk::gui::test
