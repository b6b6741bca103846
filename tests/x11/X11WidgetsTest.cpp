#include "X11TestSupport.h"

#include "gui/platform/x11/MenuLayout.h"
#include "services/X11MessageService.h"
#include "gui/platform/x11/X11Menus.h"

#include <string>

namespace zk::gui::test {
namespace {

using platform::x11::X11MenuService;

bool menuOpen() { return X11MenuService::openLevels() > 0; }

class MenuTest : public X11Test {
protected:
    void setUpOnDisplay() override {
        frame = makeFrame();
        menu = new OptionMenu(menuRect, &recorder, 57, nullptr, nullptr, 0);
        for (const char* entry : {"Alpha", "-", "-GGrey", "Beta"})
            menu->insertEntry(entry);
        auto* sub = new OptionMenu({0, 0, 10, 10}, &recorder, 58, nullptr, nullptr, 0);
        sub->insertEntry("Deep");
        menu->attachSubMenu(sub, "More");
        sub->release();
        frame->appendView(menu);
        waitForFirstPaint(*frame);
        opener = onScreen(*frame, {70, 160});
        corner = onScreen(*frame, {menuRect.left, menuRect.bottom}); // the menu opens below the control
    }
    void TearDown() override {
        frame.reset(); // before the platform goes
        X11Test::TearDown();
    }
    // The centre of an entry of the menu as shown, on the screen.
    Point entryAt(int index) {
        platform::x11::MenuModel model;
        for (const char* text : {"Alpha", "", "Grey", "Beta", "More"})
            model.items.push_back({text[0] ? 0u : platform::menuSeparator, 0, text, nullptr});
        const Rect r = platform::x11::MenuLayout(model).itemRect(std::size_t(index));
        return {corner.h + (r.left + r.right) / 2, corner.v + (r.top + r.bottom) / 2};
    }
    void openThen(const std::function<void(FakeInput&)>& then) {
        withInput(*frame, [&](FakeInput& input) {
            input.click(opener);
            ASSERT_TRUE(waitFor(menuOpen));
            then(input);
        });
        EXPECT_FALSE(menuOpen());
    }

    const Rect menuRect{20, 150, 120, 170};
    std::unique_ptr<Frame> frame;
    OptionMenu* menu = nullptr;
    Point opener, corner;
};

TEST_F(MenuTest, EntriesAreChosenByKeyboardOrClickAndSubMenusOpenToTheSide) {
    // Down lands on Alpha, skips the separator, stops on the greyed entry (not choosable).
    openThen([](FakeInput& input) {
        input.key(XK_Down);
        input.key(XK_Down);
        input.key(XK_Return);
        input.key(XK_Down);
        input.key(XK_Return);
    });
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports.back(), (std::pair<int32_t, float>{57, 3.0f}));

    openThen([&](FakeInput& input) {
        input.click(entryAt(2)); // greyed: the menu stays
        std::this_thread::sleep_for(50ms);
        EXPECT_TRUE(menuOpen());
        input.click(entryAt(0));
    });
    EXPECT_EQ(recorder.reports.back(), (std::pair<int32_t, float>{57, 0.0f}));

    // Hovering the sub-menu entry opens it at the entry's right; its entry reports itself.
    openThen([&](FakeInput& input) {
        input.moveTo(entryAt(4));
        ASSERT_TRUE(waitFor([] { return X11MenuService::openLevels() == 2; }));
        const Point more = entryAt(4);
        input.moveTo({more.h + 80, more.v});
        input.click({more.h + 80, more.v});
    });
    EXPECT_EQ(recorder.reports.back(), (std::pair<int32_t, float>{58, 0.0f}));
}

// Escape is checked on the panel's learn menu (X11EditorTest).
TEST_F(MenuTest, AClickOutsideDismissesWithoutReport) {
    openThen([](FakeInput& input) { input.click({5, 5}); });
    EXPECT_TRUE(recorder.reports.empty());
}

// The host tears its window down while the menu is open (from a thread of its own, since
// the panel's is in the menu): the menu leaves the screen with the panel, and a click where
// its entry was chooses nothing.
TEST_F(MenuTest, GoesWithThePanelsWindow) {
    withInput(*frame, [&](FakeInput& input) {
        input.click(opener);
        ASSERT_TRUE(waitFor(menuOpen));
        XDestroyWindow(input.display(), host);
        XSync(input.display(), False);
        EXPECT_TRUE(waitFor([] { return !menuOpen(); }, 1000ms)) << "the menu outlived the panel";
        input.click(entryAt(0));
    });
    EXPECT_FALSE(menuOpen());
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_FALSE(frame->windowOpen());
    frame.reset();
    host = XCreateSimpleWindow(display, DefaultRootWindow(display), 50, 40, 400, 300, 0, 0, 0);
}

TEST_F(X11Test, EditFieldTakesTypingAndEndsOnReturnOrAClickElsewhere) {
    auto frame = makeFrame();
    auto* edit = new TextEdit({20, 100, 140, 120}, &recorder, 9, "7", nullptr, 0);
    frame->appendView(edit);
    waitForFirstPaint(*frame);
    const Point field = onScreen(*frame, {60, 110});
    const Point panel = onScreen(*frame, {250, 180});
    auto editing = [&] { return frame->focusView() == edit; };
    withInput(*frame, [&](FakeInput& input) {
        input.click(field);
        ASSERT_TRUE(waitFor(editing));
        input.type("42"); // replaces the selected "7"
        input.key(XK_BackSpace);
        input.type("5");
        input.key(XK_Home);
        input.type("1");
        input.key(XK_Right);
        input.key(XK_Delete); // the 5
        input.key(XK_End);
        input.type("0");
        input.key(XK_Return);
    });
    EXPECT_STREQ(edit->text(), "140");
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(recorder.reports[0].first, 9);

    withInput(*frame, [&](FakeInput& input) {
        input.click(field);
        ASSERT_TRUE(waitFor(editing));
        input.type("9");
        input.click(panel);
    });
    EXPECT_STREQ(edit->text(), "9");
    EXPECT_EQ(recorder.reports.size(), 2u);
    EXPECT_EQ(frame->focusView(), nullptr);
}

// Boxes over the panel wait their turn and are handled by the panel's idle; no call waits
// for the answer, which comes through the continuation, exactly once.
TEST_F(X11Test, MessageBoxesOverThePanelAreAnsweredLaterInTurn) {
    using zk::X11MessageService;
    X11MessageService messages(x11.get());
    auto frame = makeFrame();
    waitForFirstPaint(*frame);
    void* panel = frame->platformWindow()->nativeHandle();
    std::vector<std::string> answers;
    auto answerTo = [&answers](std::string question) {
        return [&answers, question](bool yes) { answers.push_back(question + (yes ? " yes" : " no")); };
    };

    messages.askYesNo("Save Actual Values as Defaults?", "Warning!", panel, answerTo("save"));
    messages.showMessage("Error saving registery!", "Error!", panel);
    messages.showMessage("Default Values Saved!", "Ok!", panel);
    EXPECT_EQ(X11MessageService::openDialog(), 0u); // shown by the idle
    std::vector<std::string> titles;
    withInput(*frame, [&](FakeInput& input) {
        titles.push_back(answerBox(input, {XK_Return})); // Yes has the keyboard
        titles.push_back(answerBox(input, {XK_Escape}));
        titles.push_back(answerBox(input, {XK_space}));
    });
    EXPECT_EQ(titles, (std::vector<std::string>{"Warning!", "Error!", "Ok!"}));
    EXPECT_EQ(answers, std::vector<std::string>{"save yes"});


    // The panel goes with a question up and another waiting: both go, answered No.
    answers.clear();
    messages.askYesNo("Save Actual Values as Defaults?", "Warning!", panel, answerTo("first"));
    messages.askYesNo("Forget Learned MidiCC?", "Warning!", panel, answerTo("second"));
    ASSERT_TRUE(idleUntil(*frame, [] { return X11MessageService::openDialog() != 0; }));
    EXPECT_TRUE(answers.empty());
    frame.reset();
    EXPECT_EQ(answers, (std::vector<std::string>{"first no", "second no"}));
    EXPECT_EQ(X11MessageService::openDialog(), 0u);

    // Over a panel that has gone nothing is shown: stderr, and No at once (with no window at
    // all, as the module's test without a panel checks).
    answers.clear();
    testing::internal::CaptureStderr();
    messages.askYesNo("Forget Learned MidiCC?", "Warning!", panel, answerTo("gone"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning! Forget Learned MidiCC? [answered No]\n");
    EXPECT_EQ(answers, std::vector<std::string>{"gone no"});
}

} // namespace
} // namespace zk::gui::test
