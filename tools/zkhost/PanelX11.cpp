#include "tools/zkhost/PanelWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace zkhost {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kIdleInterval = std::chrono::milliseconds(33); // 30 Hz, as hosts do

// The plug-in may destroy or stop its windows at any time; an X error must not end the host.
int errorsSeen = 0;
int countError(Display*, XErrorEvent*) {
    ++errorsSeen;
    return 0;
}

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

std::size_t countWindows(Display* display, Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    std::size_t total = count;
    for (unsigned i = 0; i < count; ++i) total += countWindows(display, children[i]);
    if (children) XFree(children);
    return total;
}

std::size_t countDescriptors() {
    std::error_code error;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error))
        ++count;
    return count;
}

// The low bit position and width of a visual's colour mask, to read pixels of any TrueColor depth.
struct Channel {
    int shift = 0;
    unsigned long max = 0;
    explicit Channel(unsigned long mask) {
        if (!mask) return;
        while (!(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        max = mask;
    }
    uint8_t of(unsigned long pixel) const {
        return max ? static_cast<uint8_t>(((pixel >> shift) & max) * 255 / max) : 0;
    }
};

bool writeScreenshot(Display* display, Window window, int width, int height, const std::string& path) {
    XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return false;
    const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
    std::vector<uint8_t> rgb(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            uint8_t* out = &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
            out[0] = red.of(pixel);
            out[1] = green.of(pixel);
            out[2] = blue.of(pixel);
        }
    XDestroyImage(image);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(width);
    png.height = png_uint_32(height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), width * 3, nullptr) != 0;
}

// Xvfb, busy with connections coming and going (the plug-in's own among them), may turn a
// new one away for a moment: a few more tries before giving up.
Display* openDisplay() {
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 1; !display && attempt <= 5 && (errno == EAGAIN || errno == ECONNRESET); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * attempt));
        display = XOpenDisplay(nullptr);
    }
    return display;
}

class PanelWindow {
public:
    PanelWindow(HostedPlugin& plugin, int width, int height) : plugin_(plugin), width_(width), height_(height) {
        display_.reset(openDisplay());
        if (!display_) throw HostError("cannot open the X display (is DISPLAY set?)");
        Display* d = display_.get();
        window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, unsigned(width), unsigned(height), 0, 0,
                                      BlackPixel(d, DefaultScreen(d)));
        const std::string title = "zkhost - " + plugin.name();
        XStoreName(d, window_, title.c_str());
        fixSize();
        deleteWindow_ = XInternAtom(d, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(d, window_, &deleteWindow_, 1);
        XSelectInput(d, window_, StructureNotifyMask);
        XSync(d, False);
    }
    ~PanelWindow() {
        close();
        if (window_) XDestroyWindow(display_.get(), window_);
        XSync(display_.get(), False);
    }

    Display* display() const { return display_.get(); }
    Window window() const { return window_; }
    int width() const { return width_; }
    int height() const { return height_; }

    void open() {
        PanelParent parent;
        parent.display = display_.get();
        parent.x11 = window_;
        plugin_.openPanel(parent);
        open_ = true;
    }
    void close() {
        if (open_) plugin_.closePanel();
        open_ = false;
    }

    void show() {
        XMapRaised(display_.get(), window_);
        for (XEvent event;;) {
            XWindowEvent(display_.get(), window_, StructureNotifyMask, &event);
            if (event.type == MapNotify) break;
        }
    }

    void destroy() {
        XDestroyWindow(display_.get(), window_);
        XSync(display_.get(), False);
        window_ = 0;
    }

    // Our window's events, then one idle call; false once the window was closed.
    bool idle() {
        bool closed = false;
        Display* d = display_.get();
        while (XPending(d) > 0) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == deleteWindow_) closed = true;
        }
        plugin_.idlePanel();
        followPanelSize();
        XFlush(d);
        return !closed;
    }

    // The panel asked for another size (a new scale or zoom while open): the window takes it.
    void followPanelSize() {
        const PanelSize wanted = plugin_.requestedPanelSize;
        plugin_.requestedPanelSize = {0, 0};
        if (wanted.width <= 0 || wanted.height <= 0 || (wanted.width == width_ && wanted.height == height_)) return;
        width_ = wanted.width;
        height_ = wanted.height;
        fixSize();
        XResizeWindow(display_.get(), window_, unsigned(width_), unsigned(height_));
        XSync(display_.get(), False);
        std::printf("panel resized %d %d\n", width_, height_);
        std::fflush(stdout);
    }

    // Waits for our connection, the plug-in's descriptors or its next timer, then lets the
    // plug-in do what is ready or due.
    void waitForEvents(Clock::duration most) {
        const std::vector<WatchedDescriptor> watched = plugin_.watchedDescriptors();
        std::vector<pollfd> fds{{ConnectionNumber(display_.get()), POLLIN, 0}};
        for (const WatchedDescriptor& w : watched)
            fds.push_back({w.fd, short((w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
        const Clock::time_point timer = plugin_.nextTimer();
        if (timer != Clock::time_point::max()) most = std::max(Clock::duration::zero(), std::min(most, timer - Clock::now()));
        // Rounded up, so that a timer due in less than a millisecond is not polled for in a busy loop.
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(most).count();
        poll(fds.data(), nfds_t(fds.size()), int(milliseconds));
        std::vector<WatchedDescriptor> ready;
        for (size_t i = 1; i < fds.size(); ++i) {
            const short events = fds[i].revents;
            if (events & POLLNVAL) continue; // closed without being unregistered
            if (events & (POLLIN | POLLOUT | POLLERR | POLLHUP))
                ready.push_back({fds[i].fd, (events & (POLLIN | POLLHUP)) != 0, (events & POLLOUT) != 0,
                                 (events & POLLERR) != 0});
        }
        plugin_.runMainLoop(ready);
        followPanelSize();
    }

    void printPlace() {
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display_.get(), window_, DefaultRootWindow(display_.get()), 0, 0, &x, &y, &child);
        std::printf("panel open %d %d at %d %d\n", width_, height_, x, y);
        std::fflush(stdout);
    }

private:
    // One size at a time, placed at once at the top left, also by window managers that let
    // the user place windows.
    void fixSize() {
        XSizeHints* hints = XAllocSizeHints();
        if (!hints) return;
        hints->flags = USPosition | PPosition | PMinSize | PMaxSize;
        hints->x = hints->y = 0;
        hints->min_width = hints->max_width = width_;
        hints->min_height = hints->max_height = height_;
        XSetWMNormalHints(display_.get(), window_, hints);
        XFree(hints);
    }

    HostedPlugin& plugin_;
    int width_, height_;
    DisplayPtr display_;
    Window window_ = 0;
    Atom deleteWindow_ = 0;
    bool open_ = false;
};

// Opens and closes the panel `cycles` times and reports what the server and the process hold
// before and after: a panel that leaks leaves windows or descriptors (its connection) behind.
void cyclePanel(PanelWindow& panel, int cycles) {
    Display* d = panel.display();
    const std::size_t windowsBefore = countWindows(d, DefaultRootWindow(d)), descriptorsBefore = countDescriptors();
    for (int i = 0; i < cycles; ++i) {
        panel.open();
        panel.idle();
        panel.close();
    }
    XSync(d, False);
    std::printf("cycles %d: windows %zu -> %zu, descriptors %zu -> %zu\n", cycles, windowsBefore,
                countWindows(d, DefaultRootWindow(d)), descriptorsBefore, countDescriptors());
    std::fflush(stdout);
}

} // namespace

int runPanel(HostedPlugin& plugin, const PanelOptions& options, const std::function<void()>& afterOpen) {
    const auto [width, height] = plugin.panelSize();

    const XErrorHandler previous = XSetErrorHandler(&countError);
    struct RestoreHandler {
        XErrorHandler handler;
        ~RestoreHandler() { XSetErrorHandler(handler); }
    } restore{previous};

    PanelWindow panel(plugin, width, height);
    panel.show();
    if (options.cycles > 0) cyclePanel(panel, options.cycles);
    panel.open();
    panel.idle();
    panel.printPlace();
    afterOpen();

    EditReporter reporter(options);
    bool running = !reporter.report(plugin);
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
    const auto opened = Clock::now();
    auto nextIdle = opened;
    while (running && Clock::now() < end) {
        const auto now = Clock::now();
        if (now < nextIdle) {
            panel.waitForEvents(nextIdle - now);
            continue;
        }
        nextIdle = now + kIdleInterval;
        if (options.logTicks) {
            std::printf("tick %lld\n",
                        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now - opened).count()));
            std::fflush(stdout);
        }
        running = panel.idle();
        if (reporter.report(plugin)) running = false;
    }
    bool shot = true;
    if (!options.screenshot.empty()) {
        // Whatever changed last is drawn, and the plug-in's own connection has delivered it.
        panel.idle();
        panel.waitForEvents(std::chrono::milliseconds(50));
        panel.idle();
        XSync(panel.display(), False);
        shot = writeScreenshot(panel.display(), panel.window(), panel.width(), panel.height(), options.screenshot);
    }
    if (options.destroyWindowFirst) panel.destroy();
    panel.close();
    reporter.report(plugin);
    if (!shot) throw HostError("cannot write the screenshot " + options.screenshot);
    return 0;
}

} // namespace zkhost
