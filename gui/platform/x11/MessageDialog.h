#pragma once

// Message boxes on Linux: a transient dialog of our own when a display can be opened,
// modal for the panel (the panel keeps being painted, its input waits); without a display
// the message goes to stderr and the safe answer is taken (OK; No).

#include "core/Services.h"

#include <atomic>
#include <cstdint>

namespace zk::gui::platform::x11 {

class X11Platform;

class X11MessageService final : public MessageService {
public:
    // The platform, when there is one, tells which panel the dialog belongs to.
    explicit X11MessageService(X11Platform* platform) : platform_(platform) {}
    void showMessage(const char* text, const char* title) noexcept override;
    bool askYesNo(const char* text, const char* title) noexcept override;

    // The window id of the dialog on screen, 0 when none (tests answer it).
    static unsigned long openDialog() { return openDialog_; }

private:
    // The index of the button chosen, or -1 without a display.
    int32_t run(const char* text, const char* title, const char* const* buttons, int32_t count, int32_t escape);
    X11Platform* platform_;
    static std::atomic<unsigned long> openDialog_;
};

// The module's message service: dialogs over the module's X11 platform.
MessageService& moduleMessageService();

} // namespace zk::gui::platform::x11
