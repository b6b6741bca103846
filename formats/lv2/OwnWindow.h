#pragma once

// A top-level X11 window of the UI's own, for hosts that give the UI no parent window and
// ask it to show itself: the panel opens inside it. It has a connection of its own, keeps
// the panel's size, and notes the window manager's request to close it, which the UI's
// idle answers. [UI thread] throughout.

#include <memory>
#include <string>

namespace zk::lv2 {

class OwnWindow {
public:
    // Null without a display.
    static std::unique_ptr<OwnWindow> create(int width, int height, const std::string& title) noexcept;
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;

    // The X11 window id, as the panel takes its parent.
    void* parent() const noexcept;
    void show() noexcept;
    void hide() noexcept;
    // The panel took another size: the window follows.
    void resize(int width, int height) noexcept;
    // Takes the window's events; true once the user asked to close it (then until show()).
    bool closeRequested() noexcept;

private:
    OwnWindow() = default;
    void fixSize(int width, int height) noexcept;
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace zk::lv2
