#include "gui/platform/x11/X11Connection.h"

#include "gui/Geometry.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <mutex>
#include <vector>

namespace zk::gui::platform::x11 {

namespace {

// The handler is process-wide: errors on our connections are recorded, those of the
// host's connections go to the handler that was there before ours.
std::mutex registryMutex;
std::vector<Connection*> liveConnections;
XErrorHandler previousHandler = nullptr;
bool handlerInstalled = false;
thread_local int32_t drainDepth = 0;

} // namespace

int recordError(Display* display, XErrorEvent* error) {
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        for (Connection* c : liveConnections) {
            if (c->display_ != display)
                continue;
            ++c->errors_;
            if (error->error_code == BadWindow || error->error_code == BadDrawable)
                c->badWindows_[error->resourceid] = true;
            return 0;
        }
    }
    return previousHandler ? previousHandler(display, error) : 0;
}

std::unique_ptr<Connection> Connection::open() {
    Display* display = XOpenDisplay(nullptr);
    // A server busy with connections coming and going may turn one away for a moment.
    const char* name = std::getenv("DISPLAY");
    for (int attempt = 1; !display && attempt <= 5 && name && name[0] && (errno == EAGAIN || errno == ECONNRESET);
         ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * attempt));
        display = XOpenDisplay(nullptr);
    }
    if (!display)
        return nullptr;
    std::unique_ptr<Connection> connection(new Connection(display));
    connection->readPointerMapping();
    return connection;
}

Connection::Connection(Display* display) : display_(display) {
    std::lock_guard<std::mutex> lock(registryMutex);
    liveConnections.push_back(this);
    if (!handlerInstalled) {
        previousHandler = XSetErrorHandler(&recordError);
        handlerInstalled = true;
    }
}

Connection::~Connection() {
    // Errors that arrive while closing are still ours.
    XCloseDisplay(display_);
    std::lock_guard<std::mutex> lock(registryMutex);
    liveConnections.erase(std::remove(liveConnections.begin(), liveConnections.end(), this), liveConnections.end());
    if (liveConnections.empty() && handlerInstalled) {
        // Put the old handler back unless someone installed one after ours.
        const XErrorHandler current = XSetErrorHandler(previousHandler);
        if (current != &recordError)
            XSetErrorHandler(current);
        else
            handlerInstalled = false;
    }
}

::Window Connection::root() const { return DefaultRootWindow(display_); }

void Connection::readPointerMapping() {
    unsigned char map[8] = {};
    const int n = XGetPointerMapping(display_, map, 8);
    for (int physical = 1; physical <= 3; ++physical)
        buttonMap_[physical] = physical <= n && map[physical - 1] >= 1 ? map[physical - 1] : physical;
}

bool Connection::windowGone(::Window window) const {
    std::lock_guard<std::mutex> lock(registryMutex);
    return badWindows_.count(window) != 0;
}

void Connection::forgetWindow(::Window window) {
    std::lock_guard<std::mutex> lock(registryMutex);
    badWindows_[window] = true;
}

bool Connection::syncClean() {
    const uint32_t before = errorCount();
    XSync(display_, False);
    return errorCount() == before;
}

void Connection::dispatch(XEvent& event) {
    auto found = sinks_.find(event.xany.window);
    if (found != sinks_.end())
        found->second->handleEvent(event);
}

int32_t Connection::drainsInProgress() { return drainDepth; }

namespace {
Bool keepsWindowsDrawn(Display*, XEvent* event, XPointer) {
    return event->type == Expose || event->type == DestroyNotify;
}
} // namespace

void Connection::dispatchPending(Drain mode) {
    // A sink may remove itself or others while handling; each event looks its sink up anew.
    ++drainDepth;
    XEvent event;
    if (mode == Drain::paintOnly) {
        // Taken out of the queue one by one; input stays there, in order, for the next full drain.
        while (XCheckIfEvent(display_, &event, &keepsWindowsDrawn, nullptr))
            dispatch(event);
    } else {
        while (XPending(display_) > 0) {
            XNextEvent(display_, &event);
            dispatch(event);
        }
    }
    --drainDepth;
}

int32_t heldButtons(unsigned state) {
    return ((state & Button1Mask) ? 1 : 0) | ((state & Button2Mask) ? 2 : 0) | ((state & Button3Mask) ? 4 : 0);
}

int32_t modifierBits(unsigned state) {
    int32_t bits = 0;
    if (state & ShiftMask)
        bits |= modifierShift;
    if (state & ControlMask)
        bits |= modifierControl;
    if (state & Mod1Mask)
        bits |= modifierAlt;
    return bits;
}

} // namespace zk::gui::platform::x11
