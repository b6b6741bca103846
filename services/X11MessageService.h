#pragma once

// Message boxes on Linux. Over a panel window of ours a box is a dialog of our own, queued
// on the panel and handled by its idle (DialogQueue); the call returns at once and a
// question's answer comes later. Without such a window the console's way is taken: the
// text to stderr, questions answered No. Every message also goes to stderr, so that a
// host's log keeps what the musician was told.

#include "core/Services.h"

namespace zk {

namespace gui::platform::x11 {
class X11Platform;
}

class X11MessageService final : public MessageService {
public:
    // The platform, when there is one, knows the panel windows the boxes belong to.
    explicit X11MessageService(gui::platform::x11::X11Platform* platform) : platform_(platform) {}
    void showMessage(const char* text, const char* title, void* window) noexcept override;
    void askYesNo(const char* text, const char* title, void* window, Answer answer) noexcept override;

    // The window id of a box on screen, 0 when none (tests answer it).
    static unsigned long openDialog();

private:
    gui::platform::x11::X11Platform* platform_;
};

// The module's message service: boxes over the module's X11 panels.
MessageService& moduleMessageService();

} // namespace zk
