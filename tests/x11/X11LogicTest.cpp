// The parts of the X11 back end that need no display.

#include "gui/platform/x11/LineEditor.h"
#include "gui/platform/x11/MenuLayout.h"
#include "gui/platform/x11/SystemScale.h"

#include <gtest/gtest.h>

namespace zk::gui::platform::x11 {
namespace {

TEST(SystemScaleTest, XftDpiOverNinetySixElseGdkScale) {
    EXPECT_EQ(systemScaleFrom("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n", "3"), 2.0f);
    EXPECT_EQ(systemScaleFrom("Xft.dpi: 144", nullptr), 1.5f); // the last line, unterminated
    EXPECT_EQ(systemScaleFrom("Xft.hinting:\t1\n", "2"), 2.0f);
    EXPECT_EQ(systemScaleFrom(nullptr, "2"), 2.0f);
    // Another resource ending in the name, nonsense and non-positive values count for nothing.
    EXPECT_EQ(systemScaleFrom("MyXft.dpi:\t192\n", nullptr), 1.0f);
    EXPECT_EQ(systemScaleFrom("Xft.dpi:\tlarge\n", "2x"), 1.0f);
    EXPECT_EQ(systemScaleFrom("Xft.dpi:\t-96\n", "0"), 1.0f);
    EXPECT_EQ(systemScaleFrom("Xft.dpi:\tnan\n", "inf"), 1.0f);
    EXPECT_EQ(systemScaleFrom(nullptr, nullptr), 1.0f);
}

TEST(LineEditorTest, SelectionCaretAndLimit) {
    LineEditor edit("abc", 5);
    edit.move(LineEditor::Move::left); // collapses the initial selection to its start
    EXPECT_EQ(edit.caret(), 0u);
    edit.move(LineEditor::Move::end);
    edit.move(LineEditor::Move::left, true);
    edit.move(LineEditor::Move::left, true);
    edit.type("X"); // replaces "bc"
    EXPECT_EQ(edit.text(), "aX");
    edit.type("12345"); // only what fits the limit
    EXPECT_EQ(edit.text(), "aX123");
    edit.move(LineEditor::Move::home);
    edit.deleteForward();
    edit.backspace(); // nothing before the caret
    EXPECT_EQ(edit.text(), "X123");
    EXPECT_EQ(LineEditor(std::string(9, 'x'), 4).text(), "xxxx");
}

TEST(MenuLayoutTest, ColumnsHitsAndKeyboardSteps) {
    MenuModel menu;
    menu.items = {{0, 0, "One", nullptr},
                  {menuSeparator, -1, "", nullptr},
                  {menuGrayed, 2, "Grey", nullptr},
                  {menuBarBreak, 3, "Next &column", nullptr}};
    const MenuLayout layout(menu);
    const Rect first = layout.itemRect(0), separator = layout.itemRect(1), next = layout.itemRect(3);
    EXPECT_EQ(separator.top, first.bottom);
    EXPECT_EQ(separator.height(), layout.metrics().separatorHeight);
    EXPECT_GT(next.left, first.right); // the break starts a column to the right
    EXPECT_EQ(next.top, first.top);
    EXPECT_EQ(layout.itemAt({first.left + 1, first.top + 1}), 0);
    EXPECT_EQ(layout.itemAt({next.left + 1, next.bottom - 1}), 3);
    EXPECT_EQ(layout.itemAt({0, 0}), -1); // the border
    EXPECT_EQ(layout.nextItem(0, 1), 2);  // the separator is skipped
    EXPECT_EQ(layout.nextItem(3, 1), 0);  // and round
    EXPECT_EQ(layout.nextItem(-1, -1), 3);
    EXPECT_FALSE(MenuLayout::choosable(menu.items[2]));
    EXPECT_EQ(MenuLayout::shownText("Next &column && more"), "Next column & more");
}

} // namespace
} // namespace zk::gui::platform::x11
