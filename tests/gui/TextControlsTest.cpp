#include "GuiTestSupport.h"

#include "gui/OptionMenu.h"
#include "gui/TextEdit.h"

#include <cstring>
#include <string>

namespace zk::gui::test {
namespace {

// ---- text edit

TEST_F(ControlTest, TextEditReportsATypedTextOnceOnReturn) {
    auto* edit = add(new TextEdit({20, 20, 120, 40}, &listener, 9, "old", nullptr, 0));
    auto& fields = system.editFieldService();
    click({30, 30}, buttonLeft);
    ASSERT_NE(fields.open(), nullptr);
    EXPECT_EQ(frame->focusView(), edit);
    EXPECT_EQ(fields.open()->setup().rect, (Rect{20, 20, 121, 41})); // one pixel wider and higher
    EXPECT_EQ(fields.open()->initialText(), "old");
    fields.open()->type("new text");
    fields.open()->pressReturn();
    EXPECT_EQ(fields.open(), nullptr);
    EXPECT_STREQ(edit->text(), "new text");
    ASSERT_EQ(listener.controls, (std::vector<Control*>{edit}));
    EXPECT_EQ(frame->focusView(), nullptr);

    click({30, 30}, buttonLeft);
    ASSERT_NE(fields.open(), nullptr);
    fields.open()->pressReturn();
    EXPECT_EQ(listener.reports.size(), 1u); // unchanged: nothing reported

    click({30, 30}, buttonLeft); // a click elsewhere ends the edit and takes the text, bounded
    ASSERT_NE(fields.open(), nullptr);
    EXPECT_EQ(fields.open()->setup().limit, 255);
    fields.open()->type(std::string(300, 'x'));
    click({150, 100}, buttonLeft);
    EXPECT_EQ(fields.open(), nullptr);
    EXPECT_EQ(std::strlen(edit->text()), 255u);
    EXPECT_EQ(listener.reports.size(), 2u);
}

// At a frame's scale the field's font is that much larger, within the field's height.
TEST_F(ControlTest, TextEditOpensItsFieldWithTheFontAtTheFramesScale) {
    frame->setScale(2.0f);
    add(new TextEdit({20, 20, 220, 60}, &listener, 9, "old", nullptr, 0));
    add(new TextEdit({20, 80, 220, 94}, &listener, 10, "low", nullptr, 0));
    auto& fields = system.editFieldService();
    click({30, 30}, buttonLeft);
    ASSERT_NE(fields.open(), nullptr);
    EXPECT_EQ(fields.open()->setup().font.height, -24); // 12 at 1 x
    click({30, 85}, buttonLeft); // 14 pixels high: the font shrinks to fit
    ASSERT_NE(fields.open(), nullptr);
    EXPECT_EQ(fields.open()->setup().font.height, -12);
}

// ---- option menu

class OptionMenuTest : public ControlTest {
protected:
    OptionMenu* menu(std::initializer_list<const char*> entries, int32_t style = 0) {
        auto* m = add(new OptionMenu({10, 50, 110, 70}, &listener, 57, nullptr, nullptr, style));
        for (const char* e : entries)
            EXPECT_TRUE(m->insertEntry(e)) << e;
        return m;
    }
    static OptionMenu* subMenu() { return new OptionMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0); }
    const sw::MenuShowing& shown() { return system.menuService().showings().back(); }
};

TEST_F(OptionMenuTest, EntryConventionsBecomeMenuFlagsAndChoicesReportTheirPosition) {
    OptionMenu* m = menu({"A", "-", "-TTitle", "-GGrey", "B"});
    click({20, 60}, buttonLeft);
    const auto& items = shown().items;
    const std::pair<const char*, uint32_t> expected[] = {{"A", 0u}, {"", platform::menuSeparator},
        {"Title", platform::menuDisabled}, {"Grey", platform::menuGrayed}, {"B", 0u}};
    ASSERT_EQ(items.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(items[i].flags, expected[i].second) << i;
        if (expected[i].second != platform::menuSeparator) {
            EXPECT_EQ(items[i].text, expected[i].first) << i;
            EXPECT_EQ(items[i].commandId, int32_t(i)) << i;
        }
    }
    EXPECT_EQ(shown().screen, (Point{10, 70})); // under the control
    EXPECT_TRUE(listener.reports.empty()); // dismissed

    system.menuService().answer(4);
    click({20, 60}, buttonLeft);
    EXPECT_EQ(listener.reports, (std::vector<std::pair<int32_t, float>>{{57, 4.0f}}));
    EXPECT_EQ(m->current(), 4);
}

TEST_F(OptionMenuTest, SubMenuIdsContinueAfterTheTopMenu) {
    OptionMenu* m = menu({"One", "Two"});
    OptionMenu* sub = subMenu();
    ASSERT_TRUE(m->attachSubMenu(sub, "More")); // a "-M" entry
    EXPECT_STREQ(m->entry(2), "-MMore");
    sub->release(); // the menu holds its own reference
    sub->insertEntry("Sub A");
    sub->insertEntry("Sub B");
    m->insertEntry("Three");
    system.menuService().answer(4); // the sub-menu's first entry
    click({20, 60}, buttonRight);
    const auto& items = shown().items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[2].flags, platform::menuPopup);
    EXPECT_EQ(items[2].text, "More");
    ASSERT_EQ(items[2].subMenu.size(), 2u);
    EXPECT_EQ(items[2].subMenu[0].commandId, 4); // the top menu has 4 entries
    EXPECT_EQ(items[2].subMenu[1].commandId, 5);
    EXPECT_EQ(items[3].commandId, 3);
    EXPECT_EQ(listener.controls, (std::vector<Control*>{sub}));
    EXPECT_EQ(sub->current(), 0);
}

TEST_F(OptionMenuTest, CheckMarksFromEachEntryOrFromTheCurrentOne) {
    OptionMenu* each = menu({"MidiLearn New", "Forget CC 7"}, styleCheckEach | styleCheckCurrent); // 0x1 | 0x400
    system.menuService().answer(1);
    click({20, 60}, buttonRight);
    EXPECT_TRUE(each->isEntryChecked(1)); // toggled by the choice
    EXPECT_FALSE(each->isEntryChecked(0));
    click({20, 60}, buttonRight);
    EXPECT_EQ(shown().items[1].flags, platform::menuChecked);
    EXPECT_EQ(shown().items[0].flags, 0u); // current is 1 but bit 0x1 takes precedence

    frame->detachView(each, true);
    OptionMenu* current = menu({"x", "y"}, styleCheckCurrent);
    current->selectEntry(1);
    click({20, 60}, buttonLeft);
    EXPECT_EQ(shown().items[0].flags, 0u);
    EXPECT_EQ(shown().items[1].flags, platform::menuChecked);
}

TEST_F(OptionMenuTest, ColumnsBreakEverySoManyItems) {
    OptionMenu* m = menu({"0", "1", "2", "3", "4", "5", "6"});
    m->setItemsPerColumn(3);
    click({20, 60}, buttonLeft);
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(shown().items[i].flags, (i == 3 || i == 6) ? platform::menuBarBreak : 0u) << i;
}

TEST_F(OptionMenuTest, InsertAndDeleteShiftTheCurrentEntry) {
    OptionMenu* m = menu({});
    EXPECT_EQ(m->current(), -1);
    m->insertEntry("b");
    EXPECT_EQ(m->current(), 0);
    m->insertEntry("c");
    m->selectEntry(1);
    m->insertEntry("a", 0);
    EXPECT_EQ(m->current(), 2);
    EXPECT_STREQ(m->entry(0), "a");
    EXPECT_TRUE(m->deleteEntry(1));
    EXPECT_EQ(m->current(), 1);
    EXPECT_STREQ(m->entry(1), "c");
    EXPECT_FALSE(m->deleteEntry(2));
    m->selectEntry(0);
    EXPECT_TRUE(m->deleteEntry(0)); // the current one: none is current any more
    EXPECT_EQ(m->current(), -1);
}

TEST_F(OptionMenuTest, EntriesAreBoundedInLengthAndNumber) {
    OptionMenu* m = menu({std::string(600, 'q').c_str()});
    EXPECT_EQ(std::strlen(m->entry(0)), 255u);
    for (int i = 1; i < 1024; ++i)
        ASSERT_TRUE(m->insertEntry("e")) << i;
    EXPECT_FALSE(m->insertEntry("one too many"));
    OptionMenu* sub = subMenu();
    EXPECT_FALSE(m->attachSubMenu(sub, "full"));
    EXPECT_EQ(sub->refCount(), 1);
    sub->release();
    EXPECT_EQ(m->getEntryCount(), 1024);
}

} // namespace
} // namespace zk::gui::test
