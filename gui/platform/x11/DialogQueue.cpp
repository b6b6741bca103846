#include "gui/platform/x11/DialogQueue.h"

#include "gui/platform/software/SoftPixmap.h"
#include "gui/platform/x11/BoxLayout.h"
#include "gui/platform/x11/ImagePusher.h"
#include "gui/platform/x11/PopupStyle.h"
#include "gui/platform/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

namespace zk::gui::platform::x11 {

std::atomic<unsigned long> DialogQueue::shown_{0};

namespace {

// The top-level ancestor of a window, for WM_TRANSIENT_FOR.
::Window topLevelOf(Display* display, ::Window window) {
    for (int depth = 0; window && depth < 64; ++depth) {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
    return 0;
}

} // namespace

// One box on screen: a top-level window of the panel's connection, centred over the panel
// and transient for the panel's top-level window. It records the button chosen; the queue
// takes it from there.
class Dialog final : private EventSink {
public:
    Dialog(X11Window& panel, const BoxRequest& request)
        : connection_(panel.connection()), display_(connection_.display()),
          layout_(request.text, request.buttons, panel.contentScale()), width_(layout_.width()),
          height_(layout_.height()), escape_(request.escape) {
        create(panel, request.title);
    }
    ~Dialog() override {
        connection_.removeSink(window_);
        pusher_.reset();
        XDestroyWindow(display_, window_);
        XFlush(display_);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    ::Window id() const { return window_; }
    int32_t choice() const { return choice_; }
    void raise() {
        XRaiseWindow(display_, window_);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XFlush(display_);
    }

private:
    void create(X11Window& panel, const std::string& title) {
        const int screen = DefaultScreen(display_);
        const ::Window owner = topLevelOf(display_, panel.id());
        const Point origin = panel.screenOrigin();
        const int32_t x = std::max(0, origin.h + (panel.pixels().width() - width_) / 2);
        const int32_t y = std::max(0, origin.v + (panel.pixels().height() - height_) / 2);
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(display_, screen);
        attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
        window_ = XCreateWindow(display_, connection_.root(), x, y, unsigned(width_), unsigned(height_), 0,
                                CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
        XStoreName(display_, window_, title.c_str());
        const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.c_str()), int(title.size()));
        if (owner)
            XSetTransientForHint(display_, window_, owner);
        Atom dialogType = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DIALOG", False);
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&dialogType), 1);
        Atom modal = XInternAtom(display_, "_NET_WM_STATE_MODAL", False);
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_STATE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&modal), 1);
        deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &deleteWindow_, 1);
        XSizeHints* hints = XAllocSizeHints();
        if (hints) {
            hints->flags = PPosition | PMinSize | PMaxSize;
            hints->x = x;
            hints->y = y;
            hints->min_width = hints->max_width = width_;
            hints->min_height = hints->max_height = height_;
            XSetWMNormalHints(display_, window_, hints);
            XFree(hints);
        }
        XClassHint hint{const_cast<char*>("Zephyrkettledrome"), const_cast<char*>("Zephyrkettledrome")};
        XSetClassHint(display_, window_, &hint);
        pixels_ = std::make_unique<software::SoftPixmap>(width_, height_, false, popup::back);
        pusher_ = std::make_unique<ImagePusher>(connection_, width_, height_);
        connection_.addSink(window_, this);
        XMapRaised(display_, window_);
        XFlush(display_);
    }

    int32_t buttonAt(int32_t x, int32_t y) const { return layout_.buttonAt({x, y}); }

    void paint() {
        layout_.paint(*pixels_, focus_, pressed_);
        pusher_->put(window_, *pixels_, {0, 0, width_, height_});
    }

    void handleEvent(XEvent& event) override {
        if (choice_ >= 0)
            return; // answered: only waits for the queue to take the answer
        switch (event.type) {
        case MapNotify: XSetInputFocus(display_, window_, RevertToParent, CurrentTime); break;
        case Expose:
            if (event.xexpose.count == 0)
                paint();
            break;
        case ButtonPress:
            if (event.xbutton.button == 1) {
                pressed_ = buttonAt(event.xbutton.x, event.xbutton.y);
                paint();
            }
            break;
        case ButtonRelease:
            if (event.xbutton.button == 1) {
                if (pressed_ >= 0 && buttonAt(event.xbutton.x, event.xbutton.y) == pressed_)
                    choice_ = pressed_;
                pressed_ = -1;
                paint();
            }
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            const int32_t n = int32_t(layout_.buttons().size());
            if (key == XK_Return || key == XK_KP_Enter || key == XK_space)
                choice_ = focus_;
            else if (key == XK_Escape)
                choice_ = escape_;
            else if (key == XK_Tab || key == XK_Right || key == XK_Left) {
                focus_ = (focus_ + (key == XK_Left ? n - 1 : 1)) % n;
                paint();
            }
            break;
        }
        case ClientMessage:
            if (Atom(event.xclient.data.l[0]) == deleteWindow_)
                choice_ = escape_;
            break;
        default: break;
        }
    }

    Connection& connection_;
    Display* display_;
    BoxLayout layout_;
    int32_t width_, height_;
    int32_t escape_;
    ::Window window_ = 0;
    Atom deleteWindow_ = 0;
    std::unique_ptr<software::SoftPixmap> pixels_;
    std::unique_ptr<ImagePusher> pusher_;
    int32_t focus_ = 0;
    int32_t pressed_ = -1;
    int32_t choice_ = -1;
};

DialogQueue::DialogQueue(X11Window& owner) : owner_(owner) {}

DialogQueue::~DialogQueue() {
    closeAll();
    for (BoxAnswer& answer : takeAnswers())
        answer.deliver();
}

void DialogQueue::post(BoxRequest request) {
    std::lock_guard<std::mutex> lock(waitingMutex_);
    waiting_.push_back(std::move(request));
}

bool DialogQueue::busy() {
    if (up_)
        return true;
    std::lock_guard<std::mutex> lock(waitingMutex_);
    return !waiting_.empty();
}

void DialogQueue::raise() {
    if (up_)
        up_->raise();
}

void DialogQueue::showNext() {
    if (up_ || owner_.gone())
        return;
    {
        std::lock_guard<std::mutex> lock(waitingMutex_);
        if (waiting_.empty())
            return;
        upRequest_ = std::move(waiting_.front());
        waiting_.pop_front();
    }
    try {
        up_ = std::make_unique<Dialog>(owner_, upRequest_);
        shown_ = up_->id();
    } catch (...) {
        // Out of memory: the box cannot be shown, so it is not answered either way.
        answers_.push_back({std::move(upRequest_.done), upRequest_.escape});
    }
}

std::vector<BoxAnswer> DialogQueue::takeAnswers() {
    if (up_ && up_->choice() >= 0) {
        const int32_t button = up_->choice();
        up_.reset();
        shown_ = 0;
        answers_.push_back({std::move(upRequest_.done), button});
    }
    std::vector<BoxAnswer> taken;
    taken.swap(answers_);
    return taken;
}

void DialogQueue::closeAll() {
    if (up_) {
        up_.reset();
        shown_ = 0;
        answers_.push_back({std::move(upRequest_.done), upRequest_.escape});
    }
    std::lock_guard<std::mutex> lock(waitingMutex_);
    for (BoxRequest& request : waiting_)
        answers_.push_back({std::move(request.done), request.escape});
    waiting_.clear();
}

} // namespace zk::gui::platform::x11
