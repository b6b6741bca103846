#pragma once

// The frame's child window inside the host's window. Views draw into a pixel buffer of the
// software back end; what changed is put on screen when the drawing device is released
// and whenever events are drained or the pointer is polled. Message boxes over the panel
// are handled with its events; while one is up or waiting, the panel takes no clicks.

#include "gui/platform/software/SoftPixmap.h"
#include "gui/platform/x11/DialogQueue.h"
#include "gui/platform/x11/ImagePusher.h"
#include "gui/platform/x11/X11Connection.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace zk::gui::platform::x11 {

class X11Platform;

class X11Window final : public platform::Window, private EventSink {
public:
    // Null when the parent is not a window of the display.
    static std::unique_ptr<X11Window> create(X11Platform& platform, std::unique_ptr<Connection> connection,
                                             ::Window parent, const Rect& rect, WindowEvents* events,
                                             const std::string& className);
    ~X11Window() override;

    Point screenOrigin() const override;
    std::unique_ptr<Device> acquireDevice() override;
    bool registerDropTarget(DropTarget*) override { return false; } // no drag and drop on X11 yet
    void revokeDropTarget() override {}
    void detachEvents() override { events_ = nullptr; }
    void* nativeHandle() override { return reinterpret_cast<void*>(uintptr_t(window_)); }
    void processEvents() override;
    int eventDescriptor() const override { return ConnectionNumber(connection_->display()); }

    // Puts what was drawn since the last flush on screen.
    void flush();
    void markDirty(const Rect& rect);

    Connection& connection() { return *connection_; }
    ::Window id() const { return window_; }
    bool gone() const { return gone_ || connection_->windowGone(window_); }
    bool drivableFromAnyThread() const override { return true; }
    void setContentScale(float scale) override { contentScale_ = scale > 0 ? scale : 1.0f; }
    // The panel's scale, at which its menus, edit fields and boxes are drawn.
    float contentScale() const { return contentScale_; }
    bool resize(int32_t width, int32_t height) override;
    // The thread that drives the window: the one that made it, then the one that last
    // processed its events (the editor moves to a host's idle thread).
    bool ownedByThisThread() const { return std::this_thread::get_id() == thread_.load(std::memory_order_relaxed); }
    // The buttons and modifiers (toolkit bits) of the press, move or release being handed on,
    // which are the key state while it is handled; -1 otherwise.
    int32_t eventKeys() const { return eventKeys_; }
    software::SoftPixmap& pixels() { return pixels_; }
    WindowEvents* events() const { return events_; }
    DialogQueue& dialogs() { return *dialogs_; }

private:
    X11Window(X11Platform& platform, std::unique_ptr<Connection> connection, ::Window window, const Rect& rect,
              WindowEvents* events);
    void handleEvent(XEvent& event) override;
    // Hands a pointer event on with `keys` as the key state; the window may go inside.
    template <typename Send> void dispatchPointer(int32_t keys, Send send);
    void paintExposed();
    void paintBeyondThePanel(const Rect& area);
    // Answers the boxes that were answered (or went) since the last call, then shows the
    // next; false when an answer's continuation destroyed this window.
    bool settleDialogs();

    X11Platform& platform_;
    std::unique_ptr<Connection> connection_;
    ::Window window_;
    WindowEvents* events_;
    software::SoftPixmap pixels_;
    std::unique_ptr<ImagePusher> pusher_;
    std::unique_ptr<DialogQueue> dialogs_;
    Rect dirty_{};
    Rect exposed_{};
    bool gone_ = false;
    float contentScale_ = 1.0f;
    int32_t eventKeys_ = -1;
    int32_t dispatchDepth_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // false once destroyed
    mutable Point lastOrigin_{};
    std::atomic<std::thread::id> thread_;
};

// The union of two rectangles (right and bottom excluded); an empty one counts as none.
Rect unite(const Rect& a, const Rect& b);

} // namespace zk::gui::platform::x11
