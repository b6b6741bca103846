#pragma once

// The X11 back end. Windows with a parent are child windows on a Display connection of
// their own; menus, edit fields and message boxes over such a window are X11 windows too,
// and go with it. Everything else (pixels, bitmaps, and windows, menus and edit fields
// without an X11 owner, as in headless use) is the software back end's.
// Renderer (the software back end's pixels, pushed to the window):
//   [x] devices, pixmaps, text, blits, the module's bitmaps and pictures at a scale
// Windowing:
//   [x] child windows of the host's window; expose, button, wheel and destroy events
//   [x] the desktop's scale (Xft.dpi over 96, else GDK_SCALE)
//   [x] live keys and pointer, tick count, double-click time
//   [x] popup menus, edit fields and the Yes/No and OK boxes as X11 windows of the panel
//   [x] event descriptor for hosts that watch it; any one thread may drive a window
//   [ ] drag and drop: none on X11 yet (registerDropTarget says false)
//   [ ] a window's own scale: X11 gives none (the desktop's serves)

#include "gui/platform/Platform.h"

#include <memory>
#include <mutex>
#include <vector>

namespace zk::gui::platform::x11 {

class Connection;
class X11Window;
struct BoxRequest;
class X11MenuService;
class X11EditFieldService;

class X11Platform final : public Platform {
public:
    // fallback serves whatever has no X11 window.
    explicit X11Platform(Platform& fallback);
    ~X11Platform() override;

    std::unique_ptr<Device> createMemoryDevice(Device* compatible) override;
    std::unique_ptr<Pixmap> createCompatiblePixmap(Device* compatible, int32_t w, int32_t h) override;
    std::unique_ptr<Pixmap> createMonochromePixmap(int32_t w, int32_t h) override;
    std::unique_ptr<Pixmap> loadBitmap(int32_t resourceId) override;
    bool hasScaledBitmaps() override { return fallback_.hasScaledBitmaps(); }
    float systemScale() override;
    std::unique_ptr<Pixmap> loadScaledBitmap(int32_t resourceId, float scale) override {
        return fallback_.loadScaledBitmap(resourceId, scale);
    }
    bool hasTransparentBlt() override { return fallback_.hasTransparentBlt(); }

    bool registerWindowClass(const char* name) override { return fallback_.registerWindowClass(name); }
    void unregisterWindowClass(const char* name) override { fallback_.unregisterWindowClass(name); }
    // A parent is the host's X11 Window id; without one, or without a display, the
    // fallback's window.
    std::unique_ptr<Window> createChildWindow(void* parent, const char* className, const char* title,
                                              const Rect& rect, WindowEvents* events) override;
    void* moduleInstance() override { return fallback_.moduleInstance(); }

    // Live pointer state of the newest window's display (XQueryPointer).
    bool isKeyDown(Key key) override;
    Point cursorPosition() override;
    bool mouseButtonsSwapped() override;
    uint32_t tickCount() override;
    uint32_t doubleClickTime() override { return 500; }

    MenuService& menus() override;
    EditFieldService& editFields() override;

    // Bookkeeping of the windows.
    void windowCreated(X11Window* window);
    void windowDestroyed(X11Window* window);
    // The newest live window, or null.
    X11Window* activeWindow();
    X11Window* windowOf(Window* window);
    std::vector<X11Window*> windows();
    // [any] Queues a box over the live window with that X11 id, if there is one; the
    // request is taken only then.
    bool postBox(unsigned long windowId, BoxRequest& request);
    void retire(std::unique_ptr<Connection> connection);
    void closeRetired();
    Platform& fallback() { return fallback_; }

private:
    struct PointerState {
        bool valid = false;
        Point cursor;
        int32_t logicalButtons = 0; // toolkit bits of the logical buttons
        int32_t modifiers = 0;
    };
    PointerState queryPointer();

    Platform& fallback_;
    std::unique_ptr<X11MenuService> menus_;
    std::unique_ptr<X11EditFieldService> editFields_;
    std::mutex windowsMutex_;
    std::vector<X11Window*> windows_;
    std::vector<std::unique_ptr<Connection>> retired_;
};

// The module's platform on Linux: installs an X11Platform over the software back end once;
// later calls do nothing. Returns it.
X11Platform& installForModule();

} // namespace zk::gui::platform::x11
