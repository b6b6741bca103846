// The panel's popups on X11 laid out and drawn at the panel's scale, without a display.

#include "gui/platform/software/FontEngine.h"
#include "gui/platform/x11/BoxLayout.h"
#include "gui/platform/x11/MenuLayout.h"
#include "gui/platform/x11/PopupStyle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace zk::gui::platform::x11 {
namespace {

namespace popup = platform::x11::popup;

MenuModel learnLikeMenu() {
    MenuModel menu;
    menu.items = {{0, 1, "Learn MIDI controller", nullptr},
                  {menuChecked, 2, "Controller 74 (Brightness)", nullptr},
                  {menuSeparator, -1, "", nullptr},
                  {menuGrayed, 3, "Forget", nullptr},
                  {menuPopup, 4, "Zoom", nullptr},
                  {menuBarBreak, 5, "Second &column", nullptr}};
    return menu;
}

int32_t textWidth(const FontDesc& font, const std::string& text) {
    return software::FontEngine::instance().measure(font, text.data(), text.size()).width;
}

TEST(PopupLayoutTest, MenuSizesGrowWithTheScaleAndEveryTextFits) {
    const MenuModel menu = learnLikeMenu();
    const MenuLayout one(menu, 1.0f);
    for (float scale : {1.0f, 1.5f, 2.0f, 3.0f}) {
        const MenuLayout layout(menu, scale);
        const MenuMetrics& m = layout.metrics();
        EXPECT_EQ(layout.itemRect(0).height(), std::lround(20 * scale)) << scale;
        EXPECT_EQ(layout.itemRect(2).height(), std::lround(8 * scale)) << scale;
        EXPECT_EQ(layout.font().height, -std::lround(12 * scale)) << scale;
        // The widths follow the text, measured at the scale (hinted, so not quite in proportion).
        EXPECT_NEAR(layout.width(), one.width() * scale, one.width() * scale * 0.05) << scale;
        EXPECT_NEAR(layout.height(), one.height() * scale, 2) << scale;
        for (std::size_t i = 0; i < menu.items.size(); ++i) {
            if (menu.items[i].flags & menuSeparator)
                continue;
            const Rect r = layout.itemRect(i);
            const std::string shown = MenuLayout::shownText(menu.items[i].text);
            EXPECT_LE(textWidth(layout.font(), shown), r.width() - m.markWidth - m.arrowWidth)
                << shown << " at " << scale;
            EXPECT_LE(r.right, layout.width() - m.border) << i << " at " << scale;
            EXPECT_LE(r.bottom, layout.height() - m.border) << i << " at " << scale;
            EXPECT_EQ(layout.itemAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2}), int32_t(i)) << scale;
        }
    }
    // At 2 x each item is exactly twice as high, the frame twice as thick.
    const MenuLayout two(menu, 2.0f);
    EXPECT_EQ(two.itemRect(1).top, 2 * one.itemRect(1).top);
    EXPECT_EQ(two.metrics().border, 2 * one.metrics().border);
}

// Text of an area painted over white: some pixels fully inked, and anti-aliased, many levels
// between the ink and the background, none of them the white under the popup.
void expectSmoothText(const software::SoftPixmap& pixels, const Rect& area) {
    std::set<ColorRef> found;
    for (int32_t y = area.top; y < area.bottom; ++y)
        for (int32_t x = area.left; x < area.right; ++x)
            found.insert(pixels.at(x, y));
    EXPECT_TRUE(found.count(popup::ink)) << "no pixel fully inked";
    EXPECT_GT(found.size(), 8u);
    EXPECT_FALSE(found.count(0xFFFFFF));
}

TEST(PopupLayoutTest, MenusAreDrawnInThePanelsDarkColoursWithSmoothText) {
    const MenuModel menu = learnLikeMenu();
    const MenuLayout layout(menu, 2.0f);
    software::SoftPixmap pixels(layout.width(), layout.height(), false, 0xFFFFFF);
    layout.paint(pixels, 1);
    EXPECT_EQ(pixels.at(0, 0), popup::edge);
    const Rect plain = layout.itemRect(0), lit = layout.itemRect(1);
    EXPECT_EQ(pixels.at(plain.left + 2, plain.top + 2), popup::back);
    EXPECT_EQ(pixels.at(lit.right - 2, lit.top + 2), popup::accent);
    expectSmoothText(pixels, plain);
}

TEST(PopupLayoutTest, BoxesScaleTheirTextButtonsAndMargins) {
    const std::string question = "The bank has changed since it was saved. Save the changes to \"Bank 1.fxb\" before "
                                 "loading another one? Otherwise they are lost.";
    const BoxLayout one(question, {"Yes", "No"}, 1.0f), two(question, {"Yes", "No"}, 2.0f);
    EXPECT_GT(one.lines().size(), 1u) << "a long question is wrapped";
    EXPECT_EQ(two.font().height, 2 * one.font().height);
    EXPECT_NEAR(two.height(), 2 * one.height(), 2 * 2);
    EXPECT_NEAR(two.width(), 2 * one.width(), 12);
    EXPECT_EQ(two.buttonRect(0).height(), 2 * one.buttonRect(0).height());
    for (const BoxLayout* box : {&one, &two}) {
        for (std::size_t i = 0; i < box->lines().size(); ++i)
            EXPECT_LE(box->textWidth(box->lines()[i]), box->lineRect(i).width()) << box->scale();
        const Rect yes = box->buttonRect(0), no = box->buttonRect(1);
        EXPECT_LT(yes.right, no.left) << box->scale();
        EXPECT_GE(yes.left, 0);
        EXPECT_LE(no.right, box->width());
        EXPECT_GT(yes.top, box->lineRect(box->lines().size() - 1).bottom);
        EXPECT_EQ(box->buttonAt({(no.left + no.right) / 2, (no.top + no.bottom) / 2}), 1);
        EXPECT_EQ(box->buttonAt({1, 1}), -1);
    }
    // No buttons make one OK; a long label widens the buttons so that it fits.
    EXPECT_EQ(BoxLayout("Done.", {}).buttons(), std::vector<std::string>{"OK"});
    const BoxLayout wide("?", {"Keep the controller assignments", "No"}, 1.5f);
    EXPECT_LE(wide.textWidth(wide.buttons()[0]), wide.buttonRect(0).width());
}

TEST(PopupLayoutTest, BoxesAreDrawnInThePanelsColours) {
    const BoxLayout box("Save the bank?", {"Yes", "No"}, 2.0f);
    software::SoftPixmap pixels(box.width(), box.height(), false, 0xFFFFFF);
    box.paint(pixels, 0, 1);
    EXPECT_EQ(pixels.at(1, 1), popup::edge); // an outline a unit wide
    EXPECT_EQ(pixels.at(2, 2), popup::back);
    const Rect yes = box.buttonRect(0), no = box.buttonRect(1);
    EXPECT_EQ(pixels.at(yes.left, yes.top), popup::accent); // the focus ring, two units thick
    EXPECT_EQ(pixels.at(yes.left + 3, yes.top + 3), popup::accent);
    EXPECT_EQ(pixels.at(yes.left + 5, yes.top + 5), popup::raised);
    EXPECT_EQ(pixels.at(no.left + 3, no.top + 3), popup::pressed);
    expectSmoothText(pixels, box.lineRect(0));
}

} // namespace
} // namespace zk::gui::platform::x11
