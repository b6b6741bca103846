// The effect's questions and notices on a Linux desktop: never a host's call held for a
// person's answer, and every operation carried on as the answer says.

#include "tests/editor/PanelHarness.h" // before the X headers, whose macros clash with its names

#include "X11TestSupport.h"

#include "services/X11MessageService.h"

namespace zk::gui::test {
namespace {

using zk::X11MessageService;

class MessageBoxTest : public X11Test {
protected:
    void setUpOnDisplay() override {
        XResizeWindow(display, host, 700, 550);
        // A window of the host's own that it paints between its calls into the plug-in.
        hostWindow = XCreateSimpleWindow(display, DefaultRootWindow(display), 760, 40, 100, 100, 0, 0, 0);
        XMapWindow(display, hostWindow);
        XSync(display, False);
        gc = XCreateGC(display, hostWindow, 0, nullptr);
    }
    void TearDown() override {
        if (display) {
            XFreeGC(display, gc);
            XDestroyWindow(display, hostWindow);
        }
        X11Test::TearDown();
    }
    bool open(zktest::PanelHarness& h) { return h.editor().open(reinterpret_cast<void*>(uintptr_t(host))); }

    // The host's idle: the panel's, then a repaint of its own window, read back.
    struct Idle {
        std::chrono::microseconds longest{0};
        int repaints = 0;
    };
    Idle idleWhile(zktest::PanelHarness& h, const std::function<bool()>& going,
                   std::chrono::milliseconds limit = 5000ms) {
        Idle idle;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (going() && std::chrono::steady_clock::now() < end) {
            const auto start = std::chrono::steady_clock::now();
            h.idle();
            idle.longest = std::max(idle.longest, std::chrono::duration_cast<std::chrono::microseconds>(
                                                      std::chrono::steady_clock::now() - start));
            const unsigned long colour = 0x010203u * unsigned(idle.repaints % 80);
            XSetForeground(display, gc, colour);
            XFillRectangle(display, hostWindow, gc, 0, 0, 100, 100);
            XImage* pixel = XGetImage(display, hostWindow, 50, 50, 1, 1, AllPlanes, ZPixmap);
            if (pixel) {
                idle.repaints += (XGetPixel(pixel, 0, 0) & 0xFFFFFF) == colour;
                XDestroyImage(pixel);
            }
            std::this_thread::sleep_for(10ms);
        }
        return idle;
    }
    // Idles as the host does while a person answers the next box with the keys; then what
    // the answer sets off.
    std::string answer(zktest::PanelHarness& h, const std::vector<KeySym>& keys) {
        std::string title;
        test::withInput([&] { h.idle(); }, [&](FakeInput& input) { title = answerBox(input, keys); }, 10ms, 60ms);
        return title;
    }
    static void learn(zktest::PanelHarness& h, int32_t index, uint8_t controller) {
        h.effect().setParameter(CommandLearn, float(index));
        h.controlChange(controller, 0);
    }

    ::Window hostWindow = 0;
    GC gc = nullptr;
};

TEST_F(MessageBoxTest, AQuestionOverThePanelHoldsNothingUpAndTheAnswerCarriesTheOperationOn) {
    X11MessageService messages(x11.get());
    zktest::PanelHarness h(true, &messages);
    platform::install(x11.get()); // the harness installed a platform of its own
    ASSERT_TRUE(open(h));
    idleWhile(h, [] { return true; }, 100ms);
    learn(h, 0, 7);

    // The save's question: the call returns at once, the box comes with the next idle,
    // and while it waits the host's idle calls return at once and its window repaints.
    EXPECT_LT(timeHostCall([&] { h.effect().setParameterAutomated(CommandDefaults, 1.0f); }), 50ms);
    const Idle waiting = idleWhile(h, [] { return true; }, 500ms);
    EXPECT_NE(X11MessageService::openDialog(), 0u);
    EXPECT_LT(waiting.longest, 20ms);
    EXPECT_GE(waiting.repaints, 20);
    EXPECT_TRUE(h.settings.values.empty());

    // The panel takes no click (on the Band1 knob) while the box waits; No writes nothing and
    // shows nothing more.
    h.calls.clear();
    test::withInput([&] { h.idle(); }, [&](FakeInput& input) { input.click(onHostScreen({88, 62})); }, 10ms, 60ms);
    EXPECT_TRUE(h.calls.empty());
    EXPECT_EQ(answer(h, {XK_Escape}), "Warning!");
    EXPECT_TRUE(h.settings.values.empty());
    EXPECT_EQ(X11MessageService::openDialog(), 0u);

    // Yes writes what it always wrote, then tells so.
    EXPECT_LT(timeHostCall([&] { h.effect().setParameterAutomated(CommandDefaults, 1.0f); }), 50ms);
    EXPECT_EQ(answer(h, {XK_Return}), "Warning!");
    EXPECT_EQ(h.settings.values.at("MidiCC-Master"), 8u);
    EXPECT_EQ(h.settings.values.at("MidiCC-NonUsed "), 1u);
    EXPECT_EQ(answer(h, {XK_Return}), "Ok!");

    // Forgetting the bindings: No keeps them, Yes forgets them.
    EXPECT_LT(timeHostCall([&] { h.effect().setParameterAutomated(CommandDefaults, 2.0f); }), 50ms);
    EXPECT_EQ(h.effect().learnedController(0), 7);
    EXPECT_EQ(answer(h, {XK_Tab, XK_Return}), "Warning!");
    EXPECT_EQ(h.effect().learnedController(0), 7);
    EXPECT_LT(timeHostCall([&] { h.effect().setParameterAutomated(CommandDefaults, 2.0f); }), 50ms);
    EXPECT_EQ(answer(h, {XK_Return}), "Warning!");
    EXPECT_EQ(h.effect().learnedController(0), 0);
}

TEST_F(MessageBoxTest, ABoxGoesWithThePanelOrTheEffectAndItsOperationIsAbandoned) {
    X11MessageService messages(x11.get());
    {
        zktest::PanelHarness h(true, &messages);
        platform::install(x11.get());
        ASSERT_TRUE(open(h));
        learn(h, 0, 7);
        EXPECT_LT(timeHostCall([&] { h.effect().setParameterAutomated(CommandDefaults, 1.0f); }), 50ms);
        idleWhile(h, [] { return X11MessageService::openDialog() == 0; });
        ASSERT_NE(X11MessageService::openDialog(), 0u);
        h.editor().close();
        EXPECT_EQ(X11MessageService::openDialog(), 0u);
        EXPECT_TRUE(h.settings.values.empty());
        EXPECT_EQ(hostChildren().size(), 0u);

        // Open again, a question up, and the effect closed with its panel still open.
        ASSERT_TRUE(open(h));
        EXPECT_LT(timeHostCall([&] { h.effect().setParameterAutomated(CommandDefaults, 2.0f); }), 50ms);
        idleWhile(h, [] { return X11MessageService::openDialog() == 0; });
        ASSERT_NE(X11MessageService::openDialog(), 0u);
    }
    EXPECT_EQ(X11MessageService::openDialog(), 0u);
    EXPECT_EQ(hostChildren().size(), 0u);
}

} // namespace
} // namespace zk::gui::test
