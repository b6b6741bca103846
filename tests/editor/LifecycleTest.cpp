#include "editor/PanelLayout.h"
#include "gui/Frame.h"
#include "tests/editor/PanelHarness.h"

#include <gtest/gtest.h>

#include <map>

namespace zktest {
namespace {

namespace panel = zk::panel;

// The nine small bitmaps in the order the layout first uses them.
constexpr int32_t kSmallBitmaps[] = {panel::kPreListenButtonBitmap, panel::kLeftButtonBitmap,
                                     panel::kRightButtonBitmap,     panel::kKnobHandleBitmap,
                                     panel::kFmButtonBitmap,        panel::kLargeSliderHandleBitmap,
                                     panel::kAmHandleBitmap,        panel::kFineHandleBitmap,
                                     panel::kLampBitmap};

TEST(PanelLifecycle, OpeningsShareOneLoadOfEachBitmapAndGiveBackEveryReference) {
    PanelHarness h;
    zk::PluginEditor& editor = h.editor();
    ASSERT_TRUE(h.open());
    std::map<int32_t, zk::gui::Bitmap*> loaded;
    for (int32_t id : kSmallBitmaps) loaded[id] = editor.getBitmap(id);
    // The cache's reference and one of each control that draws it.
    EXPECT_EQ(loaded[panel::kKnobHandleBitmap]->refCount(), 1 + 29);
    EXPECT_EQ(loaded[panel::kLampBitmap]->refCount(), 1 + 3);
    EXPECT_EQ(loaded[panel::kKnobHandleBitmap]->keyColor(), zk::gui::colorGreen);
    EXPECT_EQ(editor.background()->refCount(), 1 + 1 + 29 + 12 + 1); // editor, frame, knobs, sliders, read-out
    EXPECT_EQ(editor.aboutPicture()->refCount(), 3);              // editor, About view, splash
    h.close();

    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(h.open());
        h.idle();
        h.close();
    }
    for (int32_t id : kSmallBitmaps) {
        EXPECT_EQ(editor.getBitmap(id), loaded[id]) << id;
        EXPECT_EQ(loaded[id]->refCount(), 1) << id;
    }
    EXPECT_EQ(editor.background()->refCount(), 1);
    EXPECT_EQ(editor.aboutPicture()->refCount(), 1);
    EXPECT_EQ(editor.frame(), nullptr);
    EXPECT_TRUE(h.messages.shown.empty());

    // A tenth distinct id finds no slot: the user is told and slot 0 stands in.
    EXPECT_EQ(editor.getBitmap(300), loaded[panel::kPreListenButtonBitmap]);
    EXPECT_EQ(h.messages.shown, std::vector<std::string>{"Error!|Bitmap Alocation Error!"});
    EXPECT_EQ(editor.getBitmap(0), nullptr);
}

TEST(PanelLifecycle, HeadlessOpenAndRepeatedOpenOrClose) {
    PanelHarness h;
    zk::PluginEditor& editor = h.editor();
    editor.setParameter(0, 0.3f); // closed: no view to touch
    editor.refreshLearnedControllers();
    EXPECT_FALSE(editor.onWheel(1.0f));

    // Without a host window the panel is built all the same, with nothing to draw into.
    ASSERT_TRUE(editor.open(nullptr));
    EXPECT_EQ(editor.frame()->platformWindow(), nullptr);
    h.effect().setParameter(0, 0.4f);
    EXPECT_FLOAT_EQ(editor.control(0)->getValue(), 0.4f);
    editor.idle();

    // A second open without a close replaces the panel instead of leaking it.
    ASSERT_TRUE(h.open());
    EXPECT_EQ(editor.background()->refCount(), 1 + 1 + 29 + 12 + 1);
    h.close();
    h.close();
    EXPECT_EQ(editor.background()->refCount(), 1);
}

} // namespace
} // namespace zktest
