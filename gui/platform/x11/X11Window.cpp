#include "gui/platform/x11/X11Window.h"

#include "gui/platform/software/SoftDevice.h"
#include "gui/platform/x11/X11Platform.h"

#include <algorithm>

namespace zk::gui::platform::x11 {

Rect unite(const Rect& a, const Rect& b) {
    if (a.width() <= 0 || a.height() <= 0)
        return b;
    if (b.width() <= 0 || b.height() <= 0)
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

namespace {

// A window device: draws with the software device and notes the area each call can touch.
class WindowDevice final : public Device {
public:
    explicit WindowDevice(X11Window& window) : window_(window), inner_(&window.pixels()) {}
    ~WindowDevice() override { window_.flush(); }

    PenDesc currentPen() const override { return inner_.currentPen(); }
    BrushDesc currentBrush() const override { return inner_.currentBrush(); }
    FontDesc currentFont() const override { return inner_.currentFont(); }
    PenDesc selectPen(const PenDesc& pen) override { return inner_.selectPen(pen); }
    bool selectBrush(const BrushDesc& brush) override { return inner_.selectBrush(brush); }
    FontDesc selectFont(const FontDesc& font) override { return inner_.selectFont(font); }
    ColorRef setTextColor(ColorRef c) override { return inner_.setTextColor(c); }
    ColorRef setBkColor(ColorRef c) override { return inner_.setBkColor(c); }
    int32_t setBkMode(int32_t mode) override { return inner_.setBkMode(mode); }
    ColorRef textColor() const override { return inner_.textColor(); }
    ColorRef bkColor() const override { return inner_.bkColor(); }
    int32_t bkMode() const override { return inner_.bkMode(); }

    void moveTo(int32_t x, int32_t y) override {
        inner_.moveTo(x, y);
        at_ = {x, y};
    }
    void lineTo(int32_t x, int32_t y) override {
        const int32_t pad = std::max(inner_.currentPen().width, 1);
        window_.markDirty({std::min(at_.h, x) - pad, std::min(at_.v, y) - pad, std::max(at_.h, x) + pad + 1,
                           std::max(at_.v, y) + pad + 1});
        inner_.lineTo(x, y);
        at_ = {x, y};
    }
    void fillRect(const Rect& rect) override {
        window_.markDirty(rect);
        inner_.fillRect(rect);
    }
    void drawText(const char* text, std::size_t length, const Rect& rect, uint32_t format) override {
        window_.markDirty(rect); // the text is clipped to its rectangle
        inner_.drawText(text, length, rect, format);
    }
    Pixmap* selectPixmap(Pixmap*) override { return nullptr; }
    bool bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx, int32_t sy,
                RasterOp rop) override {
        window_.markDirty({x, y, x + w, y + h});
        return inner_.bitBlt(x, y, w, h, unwrap(source), sx, sy, rop);
    }
    bool transparentBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx, int32_t sy,
                        int32_t sw, int32_t sh, ColorRef key) override {
        window_.markDirty({x, y, x + w, y + h});
        return inner_.transparentBlt(x, y, w, h, unwrap(source), sx, sy, sw, sh, key);
    }

    software::SoftDevice& inner() { return inner_; }

private:
    static Device& unwrap(Device& device) {
        auto* wrapped = dynamic_cast<WindowDevice*>(&device);
        return wrapped ? static_cast<Device&>(wrapped->inner()) : device;
    }
    X11Window& window_;
    software::SoftDevice inner_;
    Point at_{};
};

} // namespace

std::unique_ptr<X11Window> X11Window::create(X11Platform& platform, std::unique_ptr<Connection> connection,
                                             ::Window parent, const Rect& rect, WindowEvents* events,
                                             const std::string& className) {
    if (!connection || rect.width() <= 0 || rect.height() <= 0)
        return nullptr;
    Display* display = connection->display();
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None; // no clearing before our own paint
    attributes.border_pixel = 0;
    attributes.colormap = DefaultColormap(display, screen);
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask | StructureNotifyMask;
    const uint32_t before = connection->errorCount();
    const ::Window window = XCreateWindow(display, parent, rect.left, rect.top, unsigned(rect.width()),
                                          unsigned(rect.height()), 0, DefaultDepth(display, screen), InputOutput,
                                          DefaultVisual(display, screen),
                                          CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
    XClassHint hint{const_cast<char*>(className.c_str()), const_cast<char*>(className.c_str())};
    XSetClassHint(display, window, &hint);
    XMapWindow(display, window);
    XSync(display, False);
    if (connection->errorCount() != before)
        return nullptr; // a bad parent: the connection closes with everything it made
    return std::unique_ptr<X11Window>(new X11Window(platform, std::move(connection), window, rect, events));
}

X11Window::X11Window(X11Platform& platform, std::unique_ptr<Connection> connection, ::Window window,
                     const Rect& rect, WindowEvents* events)
    : platform_(platform), connection_(std::move(connection)), window_(window), events_(events),
      pixels_(rect.width(), rect.height(), false, 0xF0F0F0),
      pusher_(std::make_unique<ImagePusher>(*connection_, rect.width(), rect.height())),
      dialogs_(std::make_unique<DialogQueue>(*this)), thread_(std::this_thread::get_id()) {
    connection_->addSink(window_, this);
    platform_.windowCreated(this);
}

X11Window::~X11Window() {
    *alive_ = false;
    platform_.windowDestroyed(this); // no box can be posted here from now on
    // The boxes go first, while the connection is there; their questions are answered No.
    dialogs_.reset();
    if (!gone_ && events_)
        events_->onDestroy();
    connection_->removeSink(window_);
    pusher_.reset();
    if (!gone())
        XDestroyWindow(connection_->display(), window_);
    XSync(connection_->display(), False);
    // Destroyed from inside its own event handling: the drain up the stack still uses the
    // connection, so it is closed later. Otherwise it closes here, and with it every server
    // resource it still holds.
    if (dispatchDepth_ > 0)
        platform_.retire(std::move(connection_));
}

Point X11Window::screenOrigin() const {
    if (gone_ || connection_->windowGone(window_))
        return lastOrigin_;
    int x = 0, y = 0;
    ::Window child = 0;
    if (XTranslateCoordinates(connection_->display(), window_, connection_->root(), 0, 0, &x, &y, &child))
        lastOrigin_ = {x, y};
    return lastOrigin_;
}

bool X11Window::resize(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || gone())
        return false;
    // The new pixels are drawn whole before anything is put on screen.
    pixels_ = software::SoftPixmap(width, height, false, 0xF0F0F0);
    pusher_ = std::make_unique<ImagePusher>(*connection_, width, height);
    dirty_ = exposed_ = {};
    XResizeWindow(connection_->display(), window_, unsigned(width), unsigned(height));
    XFlush(connection_->display());
    return true;
}

std::unique_ptr<Device> X11Window::acquireDevice() { return std::make_unique<WindowDevice>(*this); }

void X11Window::markDirty(const Rect& rect) {
    const Rect clipped{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, pixels_.width()),
                       std::min(rect.bottom, pixels_.height())};
    if (clipped.width() > 0 && clipped.height() > 0)
        dirty_ = unite(dirty_, clipped);
}

void X11Window::flush() {
    if (dirty_.width() <= 0 || dirty_.height() <= 0)
        return;
    const Rect area = dirty_;
    dirty_ = {};
    if (!gone())
        pusher_->put(window_, pixels_, area);
}

void X11Window::processEvents() {
    thread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    if (dispatchDepth_ == 0)
        platform_.closeRetired();
    flush();
    // Reached again from inside an event's handling, only painting goes on.
    connection_->dispatchPending(dispatchDepth_ > 0 ? Drain::paintOnly : Drain::all);
    if (!settleDialogs())
        return;
    flush();
}

bool X11Window::settleDialogs() {
    std::vector<BoxAnswer> answers = dialogs_->takeAnswers();
    if (!answers.empty()) {
        const std::shared_ptr<bool> alive = alive_;
        for (BoxAnswer& answer : answers)
            answer.deliver(); // the operation the box asked about goes on, or not
        if (!*alive)
            return false;
    }
    dialogs_->showNext();
    return true;
}

void X11Window::paintExposed() {
    const Rect area = exposed_;
    exposed_ = {};
    if (events_ && !gone()) {
        WindowDevice device(*this);
        events_->onPaint(device, area);
        // The server lost these pixels: put them back whether or not anything was drawn.
        markDirty(area);
        paintBeyondThePanel(area);
    }
    flush();
}

// A host may make the window larger than the panel (a UI's widget in a larger container):
// what lies beyond the panel is painted black rather than left as the screen had it.
void X11Window::paintBeyondThePanel(const Rect& area) {
    const int32_t width = pixels_.width(), height = pixels_.height();
    if (area.right <= width && area.bottom <= height) return;
    Display* display = connection_->display();
    GC gc = DefaultGC(display, DefaultScreen(display));
    XSetForeground(display, gc, BlackPixel(display, DefaultScreen(display)));
    if (area.right > width)
        XFillRectangle(display, window_, gc, std::max(width, area.left), area.top,
                       unsigned(area.right - std::max(width, area.left)), unsigned(area.height()));
    if (area.bottom > height)
        XFillRectangle(display, window_, gc, area.left, std::max(height, area.top), unsigned(area.width()),
                       unsigned(area.bottom - std::max(height, area.top)));
}

template <typename Send> void X11Window::dispatchPointer(int32_t keys, Send send) {
    const std::shared_ptr<bool> alive = alive_;
    ++dispatchDepth_;
    eventKeys_ = keys;
    send();
    if (!*alive)
        return;
    eventKeys_ = -1;
    --dispatchDepth_;
}

void X11Window::handleEvent(XEvent& event) {
    switch (event.type) {
    case Expose:
        exposed_ = unite(exposed_, {event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                    event.xexpose.y + event.xexpose.height});
        if (event.xexpose.count == 0)
            paintExposed();
        break;
    case ButtonPress: {
        if (!events_ || dispatchDepth_ > 0)
            break;
        if (dialogs_->busy()) {
            dialogs_->raise(); // the box wants its answer first
            break;
        }
        const unsigned button = event.xbutton.button;
        const Point where{event.xbutton.x, event.xbutton.y};
        if (button >= 4 && button <= 7) {
            // Wheel notches; the sideways pair (often Shift with the wheel) counts the same way.
            const std::shared_ptr<bool> alive = alive_;
            ++dispatchDepth_;
            events_->onWheel(where, (button == 4 || button == 6) ? 1.0f : -1.0f);
            if (*alive)
                --dispatchDepth_;
            break;
        }
        if (button < 1 || button > 3)
            break;
        // The press may be over by the time it is handled: while it is, the toolkit sees the
        // keys of this event. The server grabs the pointer for this window until the release
        // (its implicit grab), so the moves and the release of a drag come here too.
        const int32_t bit = button == 1 ? 1 : button == 2 ? 2 : 4;
        dispatchPointer(bit | heldButtons(event.xbutton.state) | modifierBits(event.xbutton.state),
                        [&] { events_->onButtonDown(bit, where); });
        break;
    }
    case ButtonRelease: {
        if (!events_ || dispatchDepth_ > 0)
            break;
        const unsigned button = event.xbutton.button;
        if (button < 1 || button > 3)
            break;
        // The state is the one before the release: the button let go is held in it.
        const int32_t bit = button == 1 ? 1 : button == 2 ? 2 : 4;
        const Point where{event.xbutton.x, event.xbutton.y};
        dispatchPointer((heldButtons(event.xbutton.state) & ~bit) | modifierBits(event.xbutton.state),
                        [&] { events_->onButtonUp(bit, where); });
        break;
    }
    case MotionNotify: {
        if (!events_ || dispatchDepth_ > 0)
            break;
        // Of moves queued one after the other only the last matters.
        Display* display = connection_->display();
        XEvent next;
        while (XEventsQueued(display, QueuedAlready) > 0 && XPeekEvent(display, &next) && next.type == MotionNotify &&
               next.xmotion.window == window_)
            XNextEvent(display, &event);
        const Point where{event.xmotion.x, event.xmotion.y};
        dispatchPointer(heldButtons(event.xmotion.state) | modifierBits(event.xmotion.state),
                        [&] { events_->onPointerMove(where); });
        break;
    }
    case LeaveNotify:
        // Into a window of our own inside the panel (an edit field) is not leaving it.
        if (events_ && dispatchDepth_ == 0 && event.xcrossing.detail != NotifyInferior)
            events_->onPointerLeave();
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window != window_)
            break;
        gone_ = true;
        connection_->forgetWindow(window_);
        dialogs_->closeAll(); // answered when this window is deleted
        if (events_)
            events_->onDestroy();
        break;
    default: break;
    }
}

} // namespace zk::gui::platform::x11
