#include "formats/lv2/OwnWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

namespace zk::lv2 {

struct OwnWindow::Parts {
    Display* display = nullptr;
    ::Window window = 0;
    Atom deleteWindow = 0;
    bool closeRequested = false;
};

// The panel has one size at a time.
void OwnWindow::fixSize(int width, int height) noexcept {
    if (XSizeHints* hints = XAllocSizeHints()) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(parts_->display, parts_->window, hints);
        XFree(hints);
    }
}

void OwnWindow::resize(int width, int height) noexcept {
    fixSize(width, height);
    XResizeWindow(parts_->display, parts_->window, unsigned(width), unsigned(height));
    XFlush(parts_->display);
}

std::unique_ptr<OwnWindow> OwnWindow::create(int width, int height, const std::string& title) noexcept {
    try {
        Display* display = XOpenDisplay(nullptr);
        if (!display) return nullptr;
        std::unique_ptr<OwnWindow> own(new OwnWindow);
        own->parts_ = std::make_unique<Parts>();
        Parts& p = *own->parts_;
        p.display = display;
        p.window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, unsigned(width), unsigned(height), 0,
                                       0, BlackPixel(display, DefaultScreen(display)));
        XStoreName(display, p.window, title.c_str());
        own->fixSize(width, height);
        // Closing the window asks us; without this the window manager would end our connection.
        p.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, p.window, &p.deleteWindow, 1);
        XSync(display, False);
        return own;
    } catch (...) {
        return nullptr;
    }
}

OwnWindow::~OwnWindow() {
    if (!parts_ || !parts_->display) return;
    XDestroyWindow(parts_->display, parts_->window);
    XCloseDisplay(parts_->display);
}

void* OwnWindow::parent() const noexcept { return reinterpret_cast<void*>(uintptr_t(parts_->window)); }

void OwnWindow::show() noexcept {
    parts_->closeRequested = false;
    XMapRaised(parts_->display, parts_->window);
    XFlush(parts_->display);
}

void OwnWindow::hide() noexcept {
    XUnmapWindow(parts_->display, parts_->window);
    XFlush(parts_->display);
}

bool OwnWindow::closeRequested() noexcept {
    Parts& p = *parts_;
    while (XPending(p.display) > 0) {
        XEvent event;
        XNextEvent(p.display, &event);
        if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == p.deleteWindow) p.closeRequested = true;
    }
    return p.closeRequested;
}

} // namespace zk::lv2
