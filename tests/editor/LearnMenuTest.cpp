#include "editor/LearnOverlay.h"
#include "editor/PanelLayout.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

namespace zktest {
namespace {

using Texts = std::vector<std::string>;
constexpr Point kMaster{450, 474};
constexpr Point kFine3{87, 287};
constexpr Point kPanelMenu{100, 340};
constexpr int32_t kRight = zk::gui::buttonRight;

Texts learnMenuAt(PanelHarness& h, Point where) {
    const std::size_t before = h.menusShown();
    h.press(where, kRight); // no answer: dismissed
    return h.menusShown() == before ? Texts{} : h.lastMenu();
}

TEST(LearnMenu, LearnBindAndForgetOnMaster) {
    PanelHarness h;
    ASSERT_TRUE(h.open());
    EXPECT_EQ(learnMenuAt(h, kMaster), Texts{"MidiLearn"});
    EXPECT_EQ(h.effect().learnTarget(), -1); // dismissed: nothing armed

    h.chooseFromMenu(kMaster, kRight, 0);
    EXPECT_EQ(h.effect().learnTarget(), 0);
    h.controlChange(20, 64);
    EXPECT_EQ(h.effect().learnedController(0), 20);
    EXPECT_EQ(learnMenuAt(h, kMaster), (Texts{"MidiLearn New", "Forget CC 20"}));

    h.chooseFromMenu(kMaster, kRight, 1);
    EXPECT_EQ(h.effect().learnedController(0), 0);
    EXPECT_EQ(learnMenuAt(h, kMaster), Texts{"MidiLearn"});

    h.chooseFromMenu(kFine3, kRight, 0);
    EXPECT_EQ(h.effect().learnTarget(), 52);
    h.controlChange(21, 1);
    EXPECT_EQ(h.effect().learnedController(52), 21);
    h.chooseFromMenu(kFine3, kRight, 1);
    EXPECT_EQ(h.effect().learnedController(52), 0);
    // The commands are the effect's own: the host hears of none of them.
    EXPECT_TRUE(h.reportsPastParameters().empty());
}

// Bindings made while the panel is closed show when it opens; MidiForget frees them all.
TEST(LearnMenu, BindingsMadeWhileClosedShowAndMidiForgetFreesEveryControl) {
    PanelHarness h;
    for (int32_t index : {0, 7, 52}) {
        h.effect().setParameter(zk::CommandLearn, float(index));
        h.controlChange(uint8_t(30 + index), 0);
    }
    ASSERT_TRUE(h.open());
    EXPECT_EQ(learnMenuAt(h, kMaster), (Texts{"MidiLearn New", "Forget CC 30"}));
    EXPECT_EQ(h.editor().overlay(7)->learnedCC(), 37);
    h.messages.answers = {true};
    h.chooseFromMenu(kPanelMenu, zk::gui::buttonLeft, 2);
    EXPECT_EQ(h.messages.shown, Texts{"Warning!|Forget Learned MidiCC?"});
    for (const zk::panel::ControlPlace& place : zk::panel::kControls) {
        const Point centre{place.left + place.width / 2, place.top + place.height / 2};
        EXPECT_EQ(learnMenuAt(h, centre), place.kind == zk::panel::ControlKind::lamp ? Texts{} : Texts{"MidiLearn"})
            << place.tag;
    }
    // The splash square and the panel menu have no learn menu either.
    EXPECT_EQ(learnMenuAt(h, {15, 447}), Texts{});
    EXPECT_EQ(learnMenuAt(h, kPanelMenu), (Texts{"About", "Default", "MidiForget", "Zoom"}));
    EXPECT_EQ(h.effect().learnTarget(), -1);
}

} // namespace
} // namespace zktest
