#pragma once

// A host window on the display named by DISPLAY (tests skip unless ZK_TEST_X11_DISPLAY says
// the server is theirs), the X11 platform
// installed over a fresh software platform, a panel of a few controls, input faked through
// XTest from a thread of its own (the panel's loops block the test's thread), and
// read-back of the window's pixels.

#include "tests/gui/GuiTestSupport.h" // the recording listener and editor

#include "gui/Buttons.h"
#include "gui/Control.h"
#include "gui/Frame.h"
#include "gui/Knob.h"
#include "gui/OptionMenu.h"
#include "gui/TextEdit.h"
#include "gui/platform/software/SoftwarePlatform.h"
#include "gui/platform/x11/X11Platform.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zk::gui::test {

using namespace std::chrono_literals;

// XOpenDisplay, again after a moment when the server turned the connection away.
Display* openDisplay();

// XTest input on a connection of its own.
class FakeInput {
public:
    FakeInput() : display_(openDisplay()) {}
    ~FakeInput() {
        if (display_)
            XCloseDisplay(display_);
    }
    void moveTo(Point screen) {
        XTestFakeMotionEvent(display_, -1, screen.h, screen.v, 0);
        settle();
    }
    void button(unsigned button, bool down) {
        XTestFakeButtonEvent(display_, button, down, 0);
        settle();
    }
    void click(Point screen, unsigned b = 1) {
        moveTo(screen);
        button(b, true);
        button(b, false);
    }
    void key(KeySym sym, bool shift = false) {
        const KeyCode shiftCode = XKeysymToKeycode(display_, XK_Shift_L);
        if (shift)
            XTestFakeKeyEvent(display_, shiftCode, True, 0);
        const KeyCode code = XKeysymToKeycode(display_, sym);
        XTestFakeKeyEvent(display_, code, True, 0);
        XTestFakeKeyEvent(display_, code, False, 0);
        if (shift)
            XTestFakeKeyEvent(display_, shiftCode, False, 0);
        settle();
    }
    void type(const char* text) {
        for (; *text; ++text)
            key(KeySym(static_cast<unsigned char>(*text)));
    }
    Display* display() const { return display_; }

private:
    void settle() {
        XSync(display_, False);
        std::this_thread::sleep_for(15ms);
    }
    Display* display_;
};

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 3000ms);

// Waits for a message box other than the last one answered here to have the keyboard,
// answers it with the keys and gives back its title ("no box" when none came).
std::string answerBox(FakeInput& input, const std::vector<KeySym>& keys);

// Calls `idle` every `every` for `time`, as a host idles its panels.
void idleFor(const std::function<void()>& idle, std::chrono::milliseconds time, std::chrono::milliseconds every = 10ms);
// Runs the input script on its own thread while `idle` is called every `every`, until the
// script is done; then idles for `after` (what the last input caused).
void withInput(const std::function<void()>& idle, const std::function<void(FakeInput&)>& script,
               std::chrono::milliseconds every = 10ms, std::chrono::milliseconds after = 100ms);

// How long a host's call takes. Should it wait for a message box, a person answers the box
// (Escape) after a second, so that the call ends.
std::chrono::milliseconds timeHostCall(const std::function<void()>& call);

class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A suite's own setting up, once the display, the host window and the platform are there.
    virtual void setUpOnDisplay() {}

    // A frame in the host window, linked to the recording editor.
    std::unique_ptr<Frame> makeFrame(Rect size = {0, 0, 300, 200});
    // Idles the frame (as effEditIdle would) until the condition holds.
    bool idleUntil(Frame& frame, const std::function<bool()>& condition, std::chrono::milliseconds limit = 3000ms);
    void waitForFirstPaint(Frame& frame) {
        ASSERT_TRUE(idleUntil(frame, [&] { return !frame.firstDrawPending(); }));
    }
    // Runs the input script on its own thread while the frame idles, until it is done.
    void withInput(Frame& frame, const std::function<void(FakeInput&)>& script) {
        test::withInput([&] { frame.idle(); }, script);
    }
    void idleFor(Frame& frame, std::chrono::milliseconds time) { test::idleFor([&] { frame.idle(); }, time); }
    // The window's pixels as the server has them, packed as the toolkit packs colours.
    sw::SoftPixmap readBack(::Window window, int32_t width, int32_t height);
    Point onScreen(Frame& frame, Point where);
    Point onHostScreen(Point where); // a point of the host window
    // Child windows of the host window, bottom first.
    std::vector<::Window> hostChildren();
    Bitmap* gradient(int32_t id, int32_t w, int32_t h);

    Display* display = nullptr; // the host's connection
    ::Window host = 0;
    sw::SoftwarePlatform soft;
    std::unique_ptr<platform::x11::X11Platform> x11;
    RecordingListener recorder;
    RecordingEditor editor; // of every frame made here
    std::vector<Bitmap*> bitmaps;

private:
    platform::Platform* previous_ = nullptr;
};

} // namespace zk::gui::test
