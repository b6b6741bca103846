#pragma once

// Message boxes over a panel window: transient dialogs of our own on the panel's
// connection, handled by the panel's idle, so that no call waits for a person.
// 1. Any thread posts a box (post); nothing is shown yet.
// 2. The panel's idle shows the oldest waiting box once none is up (showNext); the panel's
//    input waits meanwhile (busy), its painting goes on.
// 3. The box's events come with the panel's (its window is a sink of the same connection);
//    a button chosen, the idle takes the answer (takeAnswers) and runs its continuation.
// 4. When the panel goes, every box goes with it (closeAll): each is answered with its
//    escape button (No; OK for a notice).

#include "gui/platform/x11/X11Connection.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zk::gui::platform::x11 {

class X11Window;
class Dialog;

struct BoxRequest {
    std::string text;
    std::string title;
    std::vector<std::string> buttons; // left to right; the first has the keyboard focus
    int32_t escape = 0;               // the button that Escape, closing the box, or its going stands for
    std::function<void(int32_t button)> done; // told the button chosen, exactly once
};

// A box's continuation with the button it is to be told.
struct BoxAnswer {
    std::function<void(int32_t button)> done;
    int32_t button;
    void deliver() {
        if (done)
            done(button);
    }
};

class DialogQueue {
public:
    explicit DialogQueue(X11Window& owner);
    ~DialogQueue(); // closes what is left and delivers every answer
    DialogQueue(const DialogQueue&) = delete;
    DialogQueue& operator=(const DialogQueue&) = delete;

    // [any] Queues a box for the owner's next idle.
    void post(BoxRequest request);
    // [owner] A box is up or waiting: the owner's input is refused.
    bool busy();
    // [owner] Brings the box that is up to the front, with the keyboard.
    void raise();
    // [owner] Puts up the oldest waiting box when none is up.
    void showNext();
    // [owner] The answers given since the last call, the box that was answered gone.
    std::vector<BoxAnswer> takeAnswers();
    // [owner] Every box goes, each answered with its escape button.
    void closeAll();

    // The box on screen, 0 when none (tests answer it).
    static unsigned long shownWindow() { return shown_.load(); }

private:
    X11Window& owner_;
    std::mutex waitingMutex_;
    std::deque<BoxRequest> waiting_;
    std::unique_ptr<Dialog> up_;
    BoxRequest upRequest_;
    std::vector<BoxAnswer> answers_;
    static std::atomic<unsigned long> shown_;
};

} // namespace zk::gui::platform::x11
