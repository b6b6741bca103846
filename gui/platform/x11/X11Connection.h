#pragma once

// One Display connection of our own: opened for a window, closed with it. Errors the
// server reports on it are recorded instead of ending the process, and its events go to
// the sinks registered by window id.

#include <X11/Xlib.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

namespace zk::gui::platform::x11 {

class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void handleEvent(XEvent& event) = 0;
};

// What a drain hands on: everything, or only what keeps windows drawn. Inside a tracking
// loop the control that runs it reads the pointer itself; the input that arrives meanwhile
// (a next click above all) waits in the queue for the next full drain.
enum class Drain { all, paintOnly };

class Connection {
public:
    // Null when no display can be opened.
    static std::unique_ptr<Connection> open();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* display() const { return display_; }
    ::Window root() const;

    void addSink(::Window window, EventSink* sink) { sinks_[window] = sink; }
    void removeSink(::Window window) { sinks_.erase(window); }
    void dispatchPending(Drain mode);
    // Drains running on this thread, on any connection.
    static int32_t drainsInProgress();
    // Hands one event to the sink of its window, if any.
    void dispatch(XEvent& event);

    // Errors recorded so far; a window the server called bad is gone for good.
    uint32_t errorCount() const { return errors_; }
    bool windowGone(::Window window) const;
    void forgetWindow(::Window window);
    // Round trip: true when no error arrived since the call began.
    bool syncClean();

    // Logical button of each physical one (index 1..3), from the server's pointer mapping.
    int32_t logicalButton(int32_t physical) const { return physical >= 1 && physical <= 3 ? buttonMap_[physical] : physical; }
    bool buttonsSwapped() const { return buttonMap_[1] == 3; }
    void readPointerMapping();

private:
    explicit Connection(Display* display);
    friend int recordError(Display*, XErrorEvent*);

    Display* display_;
    std::map<::Window, EventSink*> sinks_;
    std::map<::Window, bool> badWindows_;
    std::atomic<uint32_t> errors_{0};
    int32_t buttonMap_[4] = {0, 1, 2, 3};
};

// The toolkit's bits (8 Shift, 16 Control, 32 Alt) of an X modifier state.
int32_t modifierBits(unsigned state);
// The logical buttons held in an event's state, as the toolkit's bits (1 left, 2 middle, 4 right).
int32_t heldButtons(unsigned state);

} // namespace zk::gui::platform::x11
