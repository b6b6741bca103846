#include "services/X11MessageService.h"

#include "gui/platform/x11/DialogQueue.h"
#include "gui/platform/x11/X11Platform.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace zk {

using gui::platform::x11::BoxRequest;
using gui::platform::x11::DialogQueue;
using gui::platform::x11::X11Platform;

namespace {

bool post(X11Platform* platform, void* window, BoxRequest& request) {
    return platform && window && platform->postBox(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)), request);
}

void log(const char* text, const char* title) {
    std::fprintf(stderr, "%s %s\n", title ? title : "", text ? text : "");
}

} // namespace

unsigned long X11MessageService::openDialog() { return DialogQueue::shownWindow(); }

void X11MessageService::showMessage(const char* text, const char* title, void* window) noexcept {
    try {
        BoxRequest request{text ? text : "", title ? title : "", {"OK"}, 0, nullptr};
        if (post(platform_, window, request)) {
            log(text, title);
            return;
        }
    } catch (...) {
    }
    consoleMessages().showMessage(text, title, nullptr);
}

void X11MessageService::askYesNo(const char* text, const char* title, void* window, Answer answer) noexcept {
    try {
        BoxRequest request{text ? text : "", title ? title : "", {"Yes", "No"}, 1, nullptr};
        request.done = [answer](int32_t button) {
            if (answer)
                answer(button == 0);
        };
        if (post(platform_, window, request)) {
            log(text, title);
            return; // the box's copy of the answer is the one that is told
        }
    } catch (...) {
    }
    consoleMessages().askYesNo(text, title, nullptr, std::move(answer));
}

MessageService& moduleMessageService() {
    static X11MessageService service(&gui::platform::x11::installForModule());
    return service;
}

} // namespace zk
