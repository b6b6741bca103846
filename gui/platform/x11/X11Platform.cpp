#include "gui/platform/x11/X11Platform.h"

#include "gui/platform/software/SoftwarePlatform.h"
#include "gui/platform/x11/X11EditField.h"
#include "gui/platform/x11/X11Menus.h"
#include "gui/platform/x11/SystemScale.h"
#include "gui/platform/x11/X11Window.h"

#include <algorithm>
#include <ctime>

namespace zk::gui::platform::x11 {

X11Platform::X11Platform(Platform& fallback)
    : fallback_(fallback), menus_(std::make_unique<X11MenuService>(*this)),
      editFields_(std::make_unique<X11EditFieldService>(*this)) {}

X11Platform::~X11Platform() = default;

std::unique_ptr<Device> X11Platform::createMemoryDevice(Device* compatible) {
    (void)compatible; // window devices wrap software ones; memory devices are plain software
    return fallback_.createMemoryDevice(nullptr);
}

std::unique_ptr<Pixmap> X11Platform::createCompatiblePixmap(Device*, int32_t w, int32_t h) {
    return fallback_.createCompatiblePixmap(nullptr, w, h);
}

std::unique_ptr<Pixmap> X11Platform::createMonochromePixmap(int32_t w, int32_t h) {
    return fallback_.createMonochromePixmap(w, h);
}

std::unique_ptr<Pixmap> X11Platform::loadBitmap(int32_t resourceId) { return fallback_.loadBitmap(resourceId); }

float X11Platform::systemScale() {
    // Read once per module: it costs a connection, and desktops rarely change it.
    static const float scale = x11::systemScale();
    return scale;
}

std::unique_ptr<Window> X11Platform::createChildWindow(void* parent, const char* className, const char* title,
                                                       const Rect& rect, WindowEvents* events) {
    closeRetired();
    if (parent) {
        if (std::unique_ptr<Connection> connection = Connection::open()) {
            const auto parentId = ::Window(reinterpret_cast<uintptr_t>(parent));
            return X11Window::create(*this, std::move(connection), parentId, rect, events,
                                     className ? className : "");
        }
    }
    return fallback_.createChildWindow(parent, className, title, rect, events);
}

void X11Platform::windowCreated(X11Window* window) {
    std::lock_guard<std::mutex> lock(windowsMutex_);
    windows_.push_back(window);
}

void X11Platform::windowDestroyed(X11Window* window) {
    std::lock_guard<std::mutex> lock(windowsMutex_);
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

X11Window* X11Platform::activeWindow() {
    std::lock_guard<std::mutex> lock(windowsMutex_);
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if (!(*it)->gone())
            return *it;
    return windows_.empty() ? nullptr : windows_.back();
}

X11Window* X11Platform::windowOf(Window* window) {
    std::lock_guard<std::mutex> lock(windowsMutex_);
    for (X11Window* w : windows_)
        if (w == window)
            return w;
    return nullptr;
}

bool X11Platform::postBox(unsigned long windowId, BoxRequest& request) {
    // Under the lock that a window's destruction takes first: a window found here lives
    // until its queue has the box, and its destruction answers it.
    std::lock_guard<std::mutex> lock(windowsMutex_);
    for (X11Window* w : windows_) {
        if (w->id() == windowId && !w->gone()) {
            w->dialogs().post(std::move(request));
            return true;
        }
    }
    return false;
}

std::vector<X11Window*> X11Platform::windows() {
    std::lock_guard<std::mutex> lock(windowsMutex_);
    return windows_;
}

void X11Platform::retire(std::unique_ptr<Connection> connection) { retired_.push_back(std::move(connection)); }

void X11Platform::closeRetired() {
    if (Connection::drainsInProgress() == 0)
        retired_.clear();
}

X11Platform::PointerState X11Platform::queryPointer() {
    PointerState state;
    X11Window* window = activeWindow();
    if (!window)
        return state;
    Display* display = window->connection().display();
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display, window->connection().root(), &root, &child, &rootX, &rootY, &x, &y, &mask))
        return state;
    state.valid = true;
    state.cursor = {rootX, rootY};
    state.logicalButtons = heldButtons(mask);
    state.modifiers = modifierBits(mask);
    return state;
}

bool X11Platform::isKeyDown(Key key) {
    X11Window* window = activeWindow();
    if (!window)
        return fallback_.isKeyDown(key);
    // While a pointer event is handed on, the keys are those of the event.
    PointerState state;
    if (window->eventKeys() >= 0) {
        state.valid = true;
        state.logicalButtons = window->eventKeys() & 7;
        state.modifiers = window->eventKeys() & ~7;
    } else {
        state = queryPointer();
    }
    // Keys name the physical buttons; the server reports logical ones.
    auto logicalBit = [&](int32_t physical) {
        const int32_t logical = window->connection().logicalButton(physical);
        return logical == 1 ? 1 : logical == 2 ? 2 : logical == 3 ? 4 : 0;
    };
    switch (key) {
    case Key::leftButton: return (state.logicalButtons & logicalBit(1)) != 0;
    case Key::middleButton: return (state.logicalButtons & logicalBit(2)) != 0;
    case Key::rightButton: return (state.logicalButtons & logicalBit(3)) != 0;
    case Key::shift: return (state.modifiers & modifierShift) != 0;
    case Key::control: return (state.modifiers & modifierControl) != 0;
    case Key::alt: return (state.modifiers & modifierAlt) != 0;
    }
    return false;
}

Point X11Platform::cursorPosition() {
    X11Window* window = activeWindow();
    if (!window)
        return fallback_.cursorPosition();
    const PointerState state = queryPointer();
    return state.valid ? state.cursor : Point{};
}

bool X11Platform::mouseButtonsSwapped() {
    if (X11Window* window = activeWindow()) {
        window->connection().readPointerMapping();
        return window->connection().buttonsSwapped();
    }
    // The first frame asks before its window exists.
    if (std::unique_ptr<Connection> connection = Connection::open())
        return connection->buttonsSwapped();
    return fallback_.mouseButtonsSwapped();
}

uint32_t X11Platform::tickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

MenuService& X11Platform::menus() { return *menus_; }

EditFieldService& X11Platform::editFields() { return *editFields_; }

X11Platform& installForModule() {
    static X11Platform platform(software::defaultPlatform());
    static std::once_flag once;
    std::call_once(once, [] { platform::install(&platform); });
    return platform;
}

} // namespace zk::gui::platform::x11
