#include "gui/platform/x11/DialogQueue.h"

#include "gui/platform/software/FontEngine.h"
#include "gui/platform/software/SoftDevice.h"
#include "gui/platform/x11/ImagePusher.h"
#include "gui/platform/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>

namespace zk::gui::platform::x11 {

std::atomic<unsigned long> DialogQueue::shown_{0};

namespace {

constexpr int32_t padding = 16;
constexpr int32_t lineHeight = 16;
constexpr int32_t buttonWidth = 80;
constexpr int32_t buttonHeight = 24;
constexpr int32_t buttonGap = 8;
constexpr int32_t maxTextWidth = 420;
constexpr ColorRef dialogBack = 0xF0F0F0;

FontDesc dialogFont() {
    FontDesc font;
    font.height = -12;
    font.weight = 400;
    std::snprintf(font.faceName, sizeof font.faceName, "%s", "Arial");
    return font;
}

int32_t widthOf(const std::string& text) {
    return software::FontEngine::instance().measure(dialogFont(), text.data(), text.size()).width;
}

// Lines broken at newlines and, where a line is too wide, between words.
std::vector<std::string> wrap(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string rest = text.substr(start, end - start);
        while (widthOf(rest) > maxTextWidth) {
            std::size_t cut = rest.size();
            while (cut > 0 && (rest[cut - 1] != ' ' || widthOf(rest.substr(0, cut - 1)) > maxTextWidth))
                --cut;
            if (cut == 0)
                break; // one long word: left as it is, clipped
            lines.push_back(rest.substr(0, cut - 1));
            rest = rest.substr(cut);
        }
        lines.push_back(rest);
        start = end + 1;
    }
    return lines;
}

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
        : connection_(panel.connection()), display_(connection_.display()), lines_(wrap(request.text)),
          buttons_(request.buttons), escape_(request.escape) {
        if (buttons_.empty())
            buttons_.push_back("OK");
        const int32_t count = int32_t(buttons_.size());
        int32_t textWidth = 0;
        for (const std::string& line : lines_)
            textWidth = std::max(textWidth, widthOf(line));
        const int32_t buttonsWidth = count * buttonWidth + (count - 1) * buttonGap;
        width_ = std::max({textWidth, buttonsWidth, 160}) + 2 * padding;
        height_ = padding + int32_t(lines_.size()) * lineHeight + padding + buttonHeight + padding;
        buttonsLeft_ = (width_ - buttonsWidth) / 2;
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
        attributes.background_pixel = WhitePixel(display_, screen);
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
        pixels_ = std::make_unique<software::SoftPixmap>(width_, height_, false, dialogBack);
        pusher_ = std::make_unique<ImagePusher>(connection_, width_, height_);
        connection_.addSink(window_, this);
        XMapRaised(display_, window_);
        XFlush(display_);
    }

    Rect buttonRect(int32_t i) const {
        const int32_t left = buttonsLeft_ + i * (buttonWidth + buttonGap);
        const int32_t top = height_ - padding - buttonHeight;
        return {left, top, left + buttonWidth, top + buttonHeight};
    }

    int32_t buttonAt(int32_t x, int32_t y) const {
        for (int32_t i = 0; i < int32_t(buttons_.size()); ++i) {
            const Rect r = buttonRect(i);
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
                return i;
        }
        return -1;
    }

    void paint() {
        software::SoftDevice device(pixels_.get());
        device.selectBrush({false, dialogBack});
        device.fillRect({0, 0, width_, height_});
        device.selectFont(dialogFont());
        device.setBkMode(bkTransparent);
        device.setTextColor(0);
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const int32_t top = padding + int32_t(i) * lineHeight;
            device.drawText(lines_[i].data(), lines_[i].size(), {padding, top, width_ - padding, top + lineHeight},
                            textLeft | textVCenter | textSingleLine | textNoPrefix);
        }
        for (int32_t i = 0; i < int32_t(buttons_.size()); ++i) {
            const Rect r = buttonRect(i);
            device.selectBrush({false, i == pressed_ ? 0xCCCCCCu : 0xE1E1E1u});
            device.fillRect(r);
            device.selectPen({PenStyle::solid, i == focus_ ? 2 : 1, i == focus_ ? 0xD77800u : 0xADADADu});
            device.moveTo(r.left, r.top);
            device.lineTo(r.right - 1, r.top);
            device.lineTo(r.right - 1, r.bottom - 1);
            device.lineTo(r.left, r.bottom - 1);
            device.lineTo(r.left, r.top);
            if (i == focus_) {
                device.moveTo(r.left + 1, r.top + 1);
                device.lineTo(r.right - 2, r.top + 1);
                device.lineTo(r.right - 2, r.bottom - 2);
                device.lineTo(r.left + 1, r.bottom - 2);
                device.lineTo(r.left + 1, r.top + 1);
            }
            const std::string& label = buttons_[std::size_t(i)];
            device.drawText(label.data(), label.size(), r, textCenter | textVCenter | textSingleLine | textNoPrefix);
        }
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
            const int32_t n = int32_t(buttons_.size());
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
    std::vector<std::string> lines_;
    std::vector<std::string> buttons_;
    int32_t escape_;
    int32_t width_ = 0, height_ = 0, buttonsLeft_ = 0;
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
