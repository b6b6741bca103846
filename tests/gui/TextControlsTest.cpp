#include "GuiTestSupport.h"

#include "gui/OptionMenu.h"
#include "gui/TextEdit.h"

#include <cstring>
#include <string>

namespace zk::gui::test {
namespace {

constexpr platform::ColorRef sentinel = rgb(1, 2, 3);

class TextControlsTest : public GuiTest {
protected:
    TextControlsTest() { windowOf(*frame).pixels().fill(sentinel); }
    const sw::SoftPixmap& pixels() { return windowOf(*frame).pixels(); }
    void drawNow(View& view) { frame->drawViewNow(&view); }

    RecordingEditor editor;
    RecordingListener listener;
    std::unique_ptr<Frame> frame = makeFrame({0, 0, 200, 150}, &editor);
};

// ---- parameter display

void writeFixed(float, char* text, std::size_t capacity) { std::snprintf(text, capacity, "0.50"); }

TEST_F(TextControlsTest, DisplayFormatsTheValueWithTwoDecimals) {
    auto* plain = new ParamDisplay({10, 10, 70, 30}, nullptr, 0);
    auto* fixed = new ParamDisplay({10, 10, 70, 30}, nullptr, 0);
    fixed->setValueToText(writeFixed);
    frame->appendView(plain);
    frame->appendView(fixed);
    plain->setValue(0.5f);
    drawNow(*plain);
    const std::vector<platform::ColorRef> byDefault = pixels().pixels();
    windowOf(*frame).pixels().fill(sentinel);
    drawNow(*fixed);
    EXPECT_EQ(pixels().pixels(), byDefault);
    EXPECT_GT(countColor(pixels(), {10, 10, 71, 31}, rgb(255, 255, 255)), 0); // white ink
    EXPECT_FALSE(plain->isDirty());
}

TEST_F(TextControlsTest, DisplayStylesForNoTextNoDrawingAndThreeD) {
    auto* boxOnly = new ParamDisplay({10, 10, 70, 30}, nullptr, styleNoText);
    boxOnly->setBoxColor(colorBlue);
    boxOnly->setBorderColor(colorGreen);
    frame->appendView(boxOnly);
    drawNow(*boxOnly);
    EXPECT_EQ(countColor(pixels(), {11, 11, 70, 30}, rgb(0, 0, 255)), 59 * 19);
    EXPECT_EQ(countColor(pixels(), {10, 10, 71, 31}, rgb(0, 255, 0)), 61 * 2 + 19 * 2);

    auto* nothing = new ParamDisplay({100, 10, 150, 30}, nullptr, styleNoDraw);
    EXPECT_FALSE(nothing->isDirty());
    frame->appendView(nothing);
    windowOf(*frame).pixels().fill(sentinel);
    drawNow(*nothing);
    EXPECT_EQ(countColor(pixels(), {0, 0, 200, 150}, sentinel), 200 * 150);

    auto* sunken = new ParamDisplay({20, 60, 80, 90}, nullptr, style3DIn | styleNoText);
    sunken->setBoxColor(colorBlue);
    sunken->setBorderColor(colorGreen);
    frame->appendView(sunken);
    drawNow(*sunken);
    EXPECT_EQ(pixels().at(20, 75), rgb(0, 0, 255)); // left and top in the box colour
    EXPECT_EQ(pixels().at(50, 60), rgb(0, 0, 255));
    EXPECT_EQ(pixels().at(80, 75), rgb(0, 255, 0)); // right and bottom in the border colour
    EXPECT_EQ(pixels().at(50, 90), rgb(0, 255, 0));
}

TEST_F(TextControlsTest, ShadowIsDrawnOffsetInItsTint) {
    auto* display = new ParamDisplay({10, 10, 90, 40}, nullptr, styleShadowText);
    display->setTransparent(true); // no box: only the text and its shadow
    frame->appendView(display);
    drawNow(*display);
    EXPECT_GT(countColor(pixels(), {10, 10, 91, 41}, rgb(255, 0, 0)), 0);
    EXPECT_GT(countColor(pixels(), {10, 10, 91, 41}, rgb(255, 255, 255)), 0);
}

TEST_F(TextControlsTest, SettersMarkDirtyOnlyOnChange) {
    ParamDisplay display({0, 0, 10, 10}, nullptr, styleNoDraw);
    ASSERT_FALSE(display.isDirty());
    display.setFont(fontSmall);
    display.setInkColor(Color{255, 255, 255, 9}); // the fourth byte does not count
    display.setHorizontalAlign(1);
    display.setTextTransparent(false);
    EXPECT_FALSE(display.isDirty());
    display.setFaceStyle(faceBold);
    EXPECT_TRUE(display.isDirty());
}

// ---- text edit

TEST_F(TextControlsTest, TextEditReportsATypedTextOnceOnReturn) {
    auto* edit = new TextEdit({20, 20, 120, 40}, &listener, 9, "old", nullptr, 0);
    frame->appendView(edit);
    press(*frame, {30, 30}, buttonLeft);
    sw::SoftwareEditField* field = system.editFieldService().open();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(frame->focusView(), edit);
    EXPECT_EQ(field->setup().rect, (Rect{20, 20, 121, 41})); // one pixel wider and higher
    EXPECT_EQ(field->setup().limit, 255);
    EXPECT_EQ(field->initialText(), "old");
    EXPECT_EQ(field->setup().font.height, -12);
    platform::ColorRef ink = 0, back = 0;
    ASSERT_TRUE(field->colors(ink, back));
    EXPECT_EQ(ink, rgb(255, 255, 255));
    EXPECT_EQ(back, rgb(0, 0, 0));

    field->type("new text");
    field->pressReturn();
    EXPECT_EQ(system.editFieldService().open(), nullptr);
    EXPECT_TRUE(edit->returnPressed());
    EXPECT_STREQ(edit->text(), "new text");
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.controls[0], edit);
    EXPECT_EQ(frame->focusView(), nullptr);

    press(*frame, {30, 30}, buttonLeft);
    ASSERT_NE(system.editFieldService().open(), nullptr);
    system.editFieldService().open()->pressReturn();
    EXPECT_EQ(listener.reports.size(), 1u); // unchanged: nothing reported
}

TEST_F(TextControlsTest, AClickElsewhereEndsTheEditAndTakesTheText) {
    auto* edit = new TextEdit({20, 20, 120, 40}, &listener, 9, "", nullptr, 0);
    frame->appendView(edit);
    press(*frame, {30, 30}, buttonLeft);
    system.editFieldService().open()->type(std::string(300, 'x'));
    press(*frame, {150, 100}, buttonLeft);
    EXPECT_EQ(system.editFieldService().open(), nullptr);
    EXPECT_EQ(std::strlen(edit->text()), 255u);
    EXPECT_EQ(listener.reports.size(), 1u);
    EXPECT_FALSE(edit->returnPressed());
}

TEST_F(TextControlsTest, DoubleClickStyleOpensOnlyOnTwoQuickClicks) {
    system.setDoubleClickTime(300);
    auto* edit = new TextEdit({20, 20, 120, 40}, &listener, 9, "t", nullptr, styleDoubleClick);
    frame->appendView(edit);
    system.input().set({{}, 0, 1000});
    press(*frame, {30, 30}, buttonLeft);
    EXPECT_EQ(system.editFieldService().created(), 0);
    system.input().set({{}, 0, 1400}); // too late: another first click
    press(*frame, {30, 30}, buttonLeft);
    EXPECT_EQ(system.editFieldService().created(), 0);
    system.input().set({{}, 0, 1600});
    press(*frame, {30, 30}, buttonLeft);
    EXPECT_EQ(system.editFieldService().created(), 1);
    // While open a further click on it does nothing: it already has the focus.
    system.input().set({{30, 30}, buttonLeft, 1650});
    DrawContext context(frame.get(), nullptr, frame->platformWindow());
    edit->onMouseDown(&context, {30, 30});
    EXPECT_EQ(system.editFieldService().created(), 1);
}

TEST_F(TextControlsTest, SetTextMarksDirtyOnlyWhenItDiffers) {
    TextEdit edit({0, 0, 10, 10}, nullptr, 0, nullptr, nullptr, 0);
    edit.setDirty(false);
    edit.setText("");
    edit.setText(nullptr);
    EXPECT_FALSE(edit.isDirty());
    edit.setText(std::string(400, 'y').c_str());
    EXPECT_TRUE(edit.isDirty());
    char out[8];
    edit.getText(out, sizeof out);
    EXPECT_STREQ(out, "yyyyyyy");
}

// ---- option menu

class OptionMenuTest : public TextControlsTest {
protected:
    OptionMenu* addMenu(int32_t style = 0) {
        auto* menu = new OptionMenu({10, 50, 110, 70}, &listener, 57, nullptr, nullptr, style);
        frame->appendView(menu);
        return menu;
    }
    const sw::MenuShowing& shown() { return system.menuService().showings().back(); }
};

TEST_F(OptionMenuTest, EntryConventionsBecomeMenuFlags) {
    OptionMenu* menu = addMenu();
    for (const char* e : {"A", "-", "-TTitle", "-GGrey", "B"})
        ASSERT_TRUE(menu->insertEntry(e));
    press(*frame, {20, 60}, buttonLeft);
    const auto& items = shown().items;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].text, "A");
    EXPECT_EQ(items[0].flags, 0u);
    EXPECT_EQ(items[1].flags, platform::menuSeparator);
    EXPECT_EQ(items[2].text, "Title");
    EXPECT_EQ(items[2].flags, platform::menuDisabled);
    EXPECT_EQ(items[3].text, "Grey");
    EXPECT_EQ(items[3].flags, platform::menuGrayed);
    EXPECT_EQ(items[4].commandId, 4);
    EXPECT_FALSE(shown().rightButton);
    EXPECT_EQ(shown().screen, (Point{10, 70})); // under the control
    EXPECT_EQ(system.menuService().liveMenus(), 0);
    EXPECT_EQ(frame->focusView(), nullptr);
    EXPECT_TRUE(listener.reports.empty()); // dismissed
}

TEST_F(OptionMenuTest, SelectableEntriesSkipSeparatorsAndTitles) {
    OptionMenu* menu = addMenu();
    for (const char* e : {"A", "-", "-TTitle", "B"})
        menu->insertEntry(e);
    EXPECT_FALSE(menu->selectEntry(1, true)); // a separator
    EXPECT_TRUE(menu->selectEntry(1, false));
    EXPECT_EQ(menu->current(), 3);
    char text[16];
    EXPECT_EQ(menu->currentEntry(text, sizeof text, false), 1);
    EXPECT_STREQ(text, "B");
    EXPECT_EQ(menu->currentEntry(nullptr, 0, true), 3);
    EXPECT_TRUE(menu->selectEntry(2, false)); // fewer selectable entries: the last one
    EXPECT_EQ(menu->current(), 3);
    EXPECT_FALSE(menu->selectEntry(4, true));
    EXPECT_EQ(menu->findEntry("-TTitle"), 2);
    EXPECT_EQ(menu->findEntry("C"), -1);
    EXPECT_EQ(menu->findEntry(nullptr), -1);
}

TEST_F(OptionMenuTest, SubMenuIdsContinueAfterTheTopMenu) {
    OptionMenu* menu = addMenu();
    auto* sub = new OptionMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0);
    menu->insertEntry("One");
    menu->insertEntry("Two");
    ASSERT_TRUE(menu->attachSubMenu(sub, "More"));
    sub->release(); // the menu holds its own reference
    sub->insertEntry("Sub A");
    sub->insertEntry("Sub B");
    menu->insertEntry("Three");
    system.menuService().answer(4); // the sub-menu's first entry
    press(*frame, {20, 60}, buttonRight);
    const auto& items = shown().items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[2].flags, platform::menuPopup);
    EXPECT_EQ(items[2].text, "More");
    ASSERT_EQ(items[2].subMenu.size(), 2u);
    EXPECT_EQ(items[2].subMenu[0].commandId, 4); // the top menu has 4 entries
    EXPECT_EQ(items[3].commandId, 3);
    EXPECT_TRUE(shown().rightButton);
    ASSERT_EQ(listener.controls.size(), 1u);
    EXPECT_EQ(listener.controls[0], sub);
    EXPECT_EQ(sub->current(), 0);
    EXPECT_EQ(menu->lastMenu(), sub);
    EXPECT_EQ(menu->lastResult(), 4);
}

TEST_F(OptionMenuTest, ChoosingAnEntryReportsItsPosition) {
    OptionMenu* menu = addMenu();
    for (const char* e : {"About", "Default", "MidiForget"})
        menu->insertEntry(e);
    system.menuService().answer(2);
    press(*frame, {20, 60}, buttonLeft);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0], std::make_pair(57, 2.0f));
    EXPECT_EQ(menu->current(), 2);
}

TEST_F(OptionMenuTest, CheckMarksFromEachEntryOrFromTheCurrentOne) {
    OptionMenu* each = addMenu(styleCheckEach | styleCheckCurrent);
    each->insertEntry("MidiLearn New");
    each->insertEntry("Forget CC 7");
    system.menuService().answer(1);
    press(*frame, {20, 60}, buttonRight);
    EXPECT_TRUE(each->isEntryChecked(1)); // toggled by the choice
    EXPECT_FALSE(each->isEntryChecked(0));
    press(*frame, {20, 60}, buttonRight);
    EXPECT_EQ(shown().items[1].flags, platform::menuChecked);
    EXPECT_EQ(shown().items[0].flags, 0u); // current is 1 but bit 0x1 takes precedence

    frame->detachView(each, true);
    OptionMenu* current = addMenu(styleCheckCurrent | stylePopupAtTop);
    current->insertEntry("x");
    current->insertEntry("y");
    current->selectEntry(1);
    press(*frame, {20, 60}, buttonLeft);
    EXPECT_EQ(shown().items[0].flags, 0u);
    EXPECT_EQ(shown().items[1].flags, platform::menuChecked);
    EXPECT_EQ(shown().screen, (Point{10, 50})); // at the top edge
    EXPECT_TRUE(current->checkOnly(0));
    EXPECT_TRUE(current->isEntryChecked(0));
    EXPECT_FALSE(current->setEntryChecked(5, true));
}

TEST_F(OptionMenuTest, ColumnsBreakEverySoManyItems) {
    OptionMenu* menu = addMenu();
    for (int i = 0; i < 7; ++i)
        menu->insertEntry(std::to_string(i).c_str());
    menu->setItemsPerColumn(3);
    press(*frame, {20, 60}, buttonLeft);
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(shown().items[i].flags, (i == 3 || i == 6) ? platform::menuBarBreak : 0u) << i;
}

TEST_F(OptionMenuTest, InsertAndDeleteShiftTheCurrentEntry) {
    OptionMenu* menu = addMenu();
    EXPECT_EQ(menu->current(), -1);
    menu->insertEntry("b");
    EXPECT_EQ(menu->current(), 0);
    menu->insertEntry("c");
    menu->selectEntry(1);
    menu->insertEntry("a", 0);
    EXPECT_EQ(menu->current(), 2);
    EXPECT_STREQ(menu->entry(0), "a");
    menu->insertEntry("z", 99); // beyond the end: appended
    EXPECT_STREQ(menu->entry(3), "z");
    EXPECT_TRUE(menu->deleteEntry(1));
    EXPECT_EQ(menu->current(), 1);
    EXPECT_STREQ(menu->entry(1), "c");
    EXPECT_FALSE(menu->deleteEntry(3));
    menu->selectEntry(0);
    EXPECT_TRUE(menu->deleteEntry(0)); // the current one: none is current any more
    EXPECT_EQ(menu->current(), -1);
    EXPECT_EQ(menu->getEntryCount(), 2);
}

TEST_F(OptionMenuTest, EntriesAreBoundedInLengthAndNumber) {
    OptionMenu* menu = addMenu();
    ASSERT_TRUE(menu->insertEntry(std::string(600, 'q').c_str()));
    EXPECT_EQ(std::strlen(menu->entry(0)), 255u);
    for (int i = 1; i < 1024; ++i)
        ASSERT_TRUE(menu->insertEntry("e")) << i;
    EXPECT_EQ(menu->entryCapacity(), 1024);
    EXPECT_FALSE(menu->insertEntry("one too many"));
    auto* sub = new OptionMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0);
    EXPECT_FALSE(menu->attachSubMenu(sub, "full"));
    EXPECT_EQ(sub->refCount(), 1);
    sub->release();
    EXPECT_EQ(menu->getEntryCount(), 1024);
}

TEST_F(OptionMenuTest, NumberPrefixesAndDrawingSkipsThem) {
    OptionMenu* menu = addMenu();
    menu->setNumberPrefixWidth(3);
    menu->insertEntry("first");
    menu->insertEntry("second");
    auto* sub = new OptionMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0);
    menu->attachSubMenu(sub, "sub");
    sub->release();
    EXPECT_STREQ(menu->entry(0), "01 first");
    EXPECT_STREQ(menu->entry(1), "02 second");
    EXPECT_STREQ(menu->entry(2), "-M03 sub");
    char text[8];
    EXPECT_FALSE(menu->entryText(3, text, sizeof text));
    EXPECT_TRUE(menu->setEntryText(0, "xyz"));
    EXPECT_STREQ(menu->entry(0), "xyz");
}

TEST_F(OptionMenuTest, ClearEntriesReleasesTheSubMenus) {
    OptionMenu* menu = addMenu();
    auto* sub = new OptionMenu({0, 0, 1, 1}, nullptr, 0, nullptr, nullptr, 0);
    menu->attachSubMenu(sub, "s");
    EXPECT_EQ(sub->refCount(), 2);
    menu->clearEntries();
    EXPECT_EQ(sub->refCount(), 1);
    EXPECT_EQ(menu->current(), -1);
    sub->release();
}

TEST_F(OptionMenuTest, SetValueOutsideTheEntriesChangesNothing) {
    OptionMenu* menu = addMenu();
    menu->insertEntry("a");
    menu->setValue(3.0f);
    EXPECT_EQ(menu->getValue(), 0.0f);
    menu->setValue(-1.0f);
    EXPECT_EQ(menu->current(), 0);
}

TEST_F(OptionMenuTest, PressedBitmapIsShownWhileOpenAndTheNormalLookReturns) {
    registerSolid(80, 100, 20, rgb(9, 99, 9));
    auto* pressed = new Bitmap(80);
    auto* menu = new OptionMenu({10, 50, 110, 70}, &listener, 57, nullptr, pressed, 0);
    pressed->release();
    frame->appendView(menu);
    menu->insertEntry("x");
    windowOf(*frame).paintAll();
    press(*frame, {20, 60}, buttonLeft);
    EXPECT_GT(countColor(pixels(), {10, 50, 111, 71}, rgb(9, 99, 9)), 0);
    EXPECT_TRUE(menu->isDirty());
}

} // namespace
} // namespace zk::gui::test
