#include "X11TestSupport.h"

#include "gui/platform/x11/ImagePusher.h"

#include <dirent.h>

namespace zk::gui::test {
namespace {

// A gradient panel with a knob (tag 4) and an on/off button (tag 8).
class PanelTest : public X11Test {
protected:
    void setUpOnDisplay() override {
        background = gradient(900, 300, 200);
        std::vector<platform::ColorRef> strip(40 * 20, 0x0000FF);
        std::fill(strip.begin() + 40 * 10, strip.end(), 0x00FF00);
        soft.registerBitmap(901, 40, 20, strip);
        buttonImage = bitmaps.emplace_back(new Bitmap(901));
        soft.registerBitmap(902, 40, 40, std::vector<platform::ColorRef>(40 * 40, 0x404040));
        knobImage = bitmaps.emplace_back(new Bitmap(902)); // so that each draw starts afresh
    }
    void build(Frame& frame, ControlListener* listener, float knobValue = 0.5f) {
        frame.setBackgroundBitmap(background);
        knob = new Knob(knobRect, listener, 4, knobImage, nullptr, {0, 0});
        knob->setValue(knobValue);
        frame.appendView(knob);
        button = new OnOffButton(buttonRect, listener, 8, buttonImage);
        frame.appendView(button);
    }
    // The same panel drawn by the software back end alone.
    sw::SoftPixmap softwareRender(float knobValue, float buttonValue = 0.0f) {
        sw::SoftwarePlatform reference;
        platform::Platform* previous = platform::install(&reference);
        if (windowClassName[0])
            reference.registerWindowClass(windowClassName);
        static int parent;
        sw::SoftPixmap pixels(1, 1, false);
        {
            Frame frame({0, 0, 300, 200}, &parent, nullptr);
            RecordingListener quiet;
            build(frame, &quiet, knobValue);
            button->setValue(buttonValue);
            auto& window = dynamic_cast<sw::SoftwareWindow&>(*frame.platformWindow());
            window.paintAll();
            pixels = window.pixels();
        }
        platform::install(previous);
        return pixels;
    }
    // The panel in the host window, drawn once.
    std::unique_ptr<Frame> openPanel() {
        auto frame = makeFrame();
        build(*frame, &recorder);
        waitForFirstPaint(*frame);
        return frame;
    }
    ::Window idOf(Frame& frame) { return ::Window(uintptr_t(frame.platformWindow()->nativeHandle())); }

    const Rect knobRect{20, 20, 60, 60};
    const Rect buttonRect{100, 20, 140, 30};
    Bitmap* background = nullptr;
    Bitmap* buttonImage = nullptr;
    Bitmap* knobImage = nullptr;
    Knob* knob = nullptr;
    OnOffButton* button = nullptr;
};

TEST_F(PanelTest, ExposedWindowShowsTheSoftwareRenderThroughEitherImagePath) {
    const sw::SoftPixmap expected = softwareRender(0.5f);
    for (bool shared : {true, false}) {
        platform::x11::ImagePusher::allowSharedMemory(shared);
        auto frame = openPanel();
        EXPECT_EQ(readBack(idOf(*frame), 300, 200).pixels(), expected.pixels()) << "shared memory " << shared;

        // Pixels lost on the server come back on the next Expose.
        GC gc = XCreateGC(display, idOf(*frame), 0, nullptr);
        XFillRectangle(display, idOf(*frame), gc, 10, 10, 120, 60);
        XFreeGC(display, gc);
        XClearArea(display, idOf(*frame), 10, 10, 120, 60, True);
        XSync(display, False);
        idleFor(*frame, 50ms);
        EXPECT_EQ(readBack(idOf(*frame), 300, 200).pixels(), expected.pixels()) << "shared memory " << shared;
    }
    platform::x11::ImagePusher::allowSharedMemory(true);
}

// A host that makes the window larger than the panel (a UI's widget in a larger container)
// finds what lies beyond it painted black, not the screen's old contents.
TEST_F(PanelTest, AWindowLargerThanThePanelIsPaintedBeyondIt) {
    auto frame = openPanel();
    // The host's window white around the panel, so that old contents would show.
    XResizeWindow(display, host, 500, 400);
    XSetWindowBackground(display, host, WhitePixel(display, DefaultScreen(display)));
    XClearWindow(display, host);
    XSync(display, False);
    XResizeWindow(display, idOf(*frame), 420, 300);
    XSync(display, False);
    idleFor(*frame, 50ms);
    const sw::SoftPixmap shown = readBack(idOf(*frame), 420, 300);
    for (const Point p : {Point{350, 100}, Point{100, 250}, Point{419, 299}})
        EXPECT_EQ(shown.pixels()[size_t(p.v) * 420 + size_t(p.h)] & 0xFFFFFF, 0u) << p.h << ", " << p.v;
}

// Clicks 15 ms apart while the host idles the panel 30 times a second: a click that arrives
// while an earlier one is being handled waits its turn, none is lost, and the control is
// drawn as it ends.
TEST_F(PanelTest, QuickClicksAreAllHandled) {
    knobMode = 2;
    auto frame = openPanel();
    auto clickQuickly = [&](Point where, int count) {
        const auto script = [&](FakeInput& fake) {
            fake.moveTo(where);
            for (int i = 0; i < count; ++i) {
                XTestFakeButtonEvent(fake.display(), 1, True, 0);
                XTestFakeButtonEvent(fake.display(), 1, False, 0);
                XFlush(fake.display());
                std::this_thread::sleep_for(15ms);
            }
            XSync(fake.display(), False);
        };
        test::withInput([&] { frame->idle(); }, script, 33ms, 165ms);
    };

    clickQuickly(onScreen(*frame, {120, 25}), 21);
    ASSERT_EQ(recorder.reports.size(), 21u);
    for (std::size_t i = 0; i < recorder.reports.size(); ++i)
        EXPECT_EQ(recorder.reports[i], (std::pair<int32_t, float>{8, i % 2 == 0 ? 1.0f : 0.0f})) << i;
    EXPECT_EQ(button->getValue(), 1.0f);
    EXPECT_EQ(readBack(idOf(*frame), 300, 200).pixels(), softwareRender(0.5f, 1.0f).pixels());

    editor.events.clear();
    clickQuickly(onScreen(*frame, {40, 40}), 12);
    Log expected;
    for (int i = 0; i < 12; ++i)
        expected.insert(expected.end(), {"begin 4", "end 4"});
    EXPECT_EQ(editor.events, expected); // one edit gesture per click
}

TEST_F(PanelTest, WheelNotchesTurnTheControlUnderThePointer) {
    auto frame = openPanel();
    const Point centre = onScreen(*frame, {40, 40});
    const Point elsewhere = onScreen(*frame, {200, 150});
    withInput(*frame, [&](FakeInput& input) {
        input.click(centre, 4);
        input.click(centre, 4);
        input.click(centre, 5);
        input.click(centre, 7);
        input.click(elsewhere, 4); // nothing there
    });
    ASSERT_EQ(recorder.reports.size(), 4u);
    const float step = recorder.reports[0].second - 0.5f;
    EXPECT_GT(step, 0.0f);
    EXPECT_NEAR(recorder.reports[1].second, 0.5f + 2 * step, 1e-6);
    EXPECT_NEAR(recorder.reports[2].second, 0.5f + step, 1e-6);
    EXPECT_NEAR(recorder.reports[3].second, 0.5f, 1e-6);
}

TEST_F(PanelTest, SwappedPointerMappingSwapsTheButtons) {
    unsigned char saved[32];
    const int n = XGetPointerMapping(display, saved, 32);
    ASSERT_GE(n, 3);
    unsigned char swapped[32];
    std::copy(saved, saved + n, swapped);
    std::swap(swapped[0], swapped[2]);
    ASSERT_EQ(XSetPointerMapping(display, swapped, n), MappingSuccess);
    XSync(display, False);
    {
        auto frame = makeFrame();
        EXPECT_TRUE(swapMouseButtons);
        FakeInput input;
        input.button(3, true); // the physical right button, now the primary one
        DrawContext context(frame.get(), nullptr, nullptr);
        EXPECT_EQ(context.mouseButtons(), buttonLeft);
        input.button(3, false);
        EXPECT_EQ(context.mouseButtons(), 0);
    }
    XSetPointerMapping(display, saved, n);
    XSync(display, False);
    auto frame = makeFrame();
    EXPECT_FALSE(swapMouseButtons);
}

TEST_F(PanelTest, HostDestroyingItsWindowFirstIsSurvived) {
    // With an idle in between, and without one (the child window is gone unannounced).
    for (bool idleBetween : {true, false}) {
        auto frame = openPanel();
        XDestroyWindow(display, host);
        XSync(display, False);
        if (idleBetween) {
            EXPECT_TRUE(idleUntil(*frame, [&] { return !frame->windowOpen(); }));
            frame->drawViewNow(nullptr); // nothing reaches the server
        }
        knob->setValue(0.9f);
        frame->idle();
        frame.reset();
        host = XCreateSimpleWindow(display, DefaultRootWindow(display), 50, 40, 400, 300, 0, 0, 0);
        XMapWindow(display, host);
        XSync(display, False);
    }
    // The back end still works afterwards.
    auto frame = openPanel();
    EXPECT_EQ(hostChildren().size(), 1u);
}

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

TEST_F(PanelTest, OpeningAndClosingFiftyTimesLeavesNothingBehind) {
    const int descriptors = openDescriptors();
    for (int i = 0; i < 50; ++i) {
        auto frame = openPanel();
        if (i % 10 == 0) {
            // A second frame while the first is still there, closed in either order.
            auto second = makeFrame();
            build(*second, &recorder);
            EXPECT_EQ(hostChildren().size(), 2u);
            if (i % 20 == 0)
                frame.reset();
        }
    }
    EXPECT_EQ(hostChildren().size(), 0u);
    EXPECT_EQ(openDescriptors(), descriptors);
}

} // namespace
} // namespace zk::gui::test
