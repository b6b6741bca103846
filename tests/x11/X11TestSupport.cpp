#include "X11TestSupport.h"

#include "services/X11MessageService.h"

#include <cstdlib>

namespace zk::gui::test {

Display* openDisplay() {
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 1; !display && attempt <= 5 && std::getenv("DISPLAY"); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * attempt));
        display = XOpenDisplay(nullptr);
    }
    return display;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

std::string answerBox(FakeInput& input, const std::vector<KeySym>& keys) {
    using zk::X11MessageService;
    static ::Window lastAnswered = 0;
    if (!waitFor([] { return X11MessageService::openDialog() != 0 && X11MessageService::openDialog() != lastAnswered; }))
        return "no box";
    const ::Window box = X11MessageService::openDialog();
    waitFor([&] {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(input.display(), &focus, &revert);
        return focus == box;
    });
    char* name = nullptr;
    std::string title = XFetchName(input.display(), box, &name) && name ? name : "";
    if (name)
        XFree(name);
    for (KeySym key : keys)
        input.key(key);
    lastAnswered = box;
    return title;
}

void idleFor(const std::function<void()>& idle, std::chrono::milliseconds time, std::chrono::milliseconds every) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        idle();
        std::this_thread::sleep_for(every);
    }
}

void withInput(const std::function<void()>& idle, const std::function<void(FakeInput&)>& script,
               std::chrono::milliseconds every, std::chrono::milliseconds after) {
    std::atomic<bool> done{false};
    std::thread input([&] {
        FakeInput fake;
        script(fake);
        done = true;
    });
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!done && std::chrono::steady_clock::now() < end) {
        idle();
        std::this_thread::sleep_for(every);
    }
    input.join();
    EXPECT_TRUE(done) << "the input script took longer than 10 s";
    idleFor(idle, after, every);
}

std::chrono::milliseconds timeHostCall(const std::function<void()>& call) {
    std::atomic<bool> returned{false};
    std::thread person([&] {
        if (waitFor([&] { return returned.load(); }, 1000ms))
            return;
        for (FakeInput input; !returned; std::this_thread::sleep_for(100ms))
            input.key(XK_Escape);
    });
    const auto start = std::chrono::steady_clock::now();
    call();
    const auto took = std::chrono::steady_clock::now() - start;
    returned = true;
    person.join();
    return std::chrono::duration_cast<std::chrono::milliseconds>(took);
}

void X11Test::SetUp() {
    // The tests move the pointer and remap its buttons: only on a server given to them.
    if (!std::getenv("ZK_TEST_X11_DISPLAY"))
        GTEST_SKIP() << "no X server of the tests' own (scripts/test-x11)";
    display = openDisplay();
    if (!display)
        GTEST_SKIP() << "no X display";
    host = XCreateSimpleWindow(display, DefaultRootWindow(display), 50, 40, 400, 300, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);
    x11 = std::make_unique<platform::x11::X11Platform>(soft);
    previous_ = platform::install(x11.get());
    knobMode = 0;
    swapMouseButtons = false;
    setUpOnDisplay();
}

void X11Test::TearDown() {
    for (Bitmap* b : bitmaps)
        b->release();
    if (!display)
        return;
    platform::install(previous_);
    x11.reset();
    XDestroyWindow(display, host);
    XCloseDisplay(display);
}

std::unique_ptr<Frame> X11Test::makeFrame(Rect size) {
    return std::make_unique<Frame>(size, reinterpret_cast<void*>(uintptr_t(host)), &editor);
}

bool X11Test::idleUntil(Frame& frame, const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    return waitFor(
        [&] {
            frame.idle();
            return condition();
        },
        limit);
}

sw::SoftPixmap X11Test::readBack(::Window window, int32_t width, int32_t height) {
    sw::SoftPixmap out(width, height, false);
    XSync(display, False);
    XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image)
        return out;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            out.set(x, y, platform::ColorRef((p >> 16) & 0xFF) | platform::ColorRef((p >> 8) & 0xFF) << 8 |
                              platform::ColorRef(p & 0xFF) << 16);
        }
    XDestroyImage(image);
    return out;
}

Point X11Test::onScreen(Frame& frame, Point where) {
    const Point origin = frame.platformWindow()->screenOrigin();
    return {origin.h + where.h, origin.v + where.v};
}

Point X11Test::onHostScreen(Point where) {
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display, host, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x + where.h, y + where.v};
}

std::vector<::Window> X11Test::hostChildren() {
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XSync(display, False);
    if (!XQueryTree(display, host, &root, &parent, &children, &count))
        return {};
    std::vector<::Window> found(children, children + count);
    if (children)
        XFree(children);
    return found;
}

Bitmap* X11Test::gradient(int32_t id, int32_t w, int32_t h) {
    std::vector<platform::ColorRef> pixels;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            pixels.push_back(platform::ColorRef(x & 0xFF) | platform::ColorRef(y & 0xFF) << 8 | 0x800000);
    soft.registerBitmap(id, w, h, std::move(pixels));
    return bitmaps.emplace_back(new Bitmap(id));
}

} // namespace zk::gui::test
