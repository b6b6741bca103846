#pragma once

// The windowing half of the toolkit's platform seam: windows, input, menus, edit fields,
// time and the system's scale. How the toolkit uses it:
// 1. Open: the frame registers its window class and creates a child window of the host's
//    window (createChildWindow), whose events come back through WindowEvents; drops come
//    through a DropTarget where the back end has drag and drop.
// 2. Run: a press, the pointer's moves and the release come as events (a drag follows
//    them; nothing waits inside an event); controls read the keys and tick count,
//    show popup menus (menus) and edit fields (editFields) over the window; back ends whose
//    system does not deliver events through the host's loop handle them in processEvents.
// 3. Close: the window goes with its object; the class is unregistered with the last one.
// Every entry is [main]: the panel's thread.

#include "gui/platform/Renderer.h"

namespace zk::gui::platform {

// What a window tells its owner.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void onPaint(Device& device, const Rect& updateRect) = 0;
    // button: 1 left, 2 middle, 4 right; where in window coordinates.
    virtual void onButtonDown(int32_t button, Point where) = 0;
    virtual void onDestroy() = 0;
    // Colours of an open edit field; false to keep the system's.
    virtual bool editFieldColors(ColorRef& text, ColorRef& back) = 0;
    // A wheel notch (distance +1 up, -1 down) where the window's system reports the wheel
    // as an event of the window rather than through the host.
    virtual void onWheel(Point where, float distance) {
        (void)where;
        (void)distance;
    }
    // The system's scale for the window changed (it moved to a monitor of another DPI, or
    // the monitor's DPI changed): pixels per 96 DPI unit.
    virtual void onScaleChanged(float scale) { (void)scale; }
    // A button let go (as onButtonDown). While a button is held the window gets every move
    // and the release even outside it (the system's pointer grab, or capture).
    virtual void onButtonUp(int32_t button, Point where) {
        (void)button;
        (void)where;
    }
    // The pointer moved to `where` (window coordinates), or left the window. While these
    // run, the platform's key state (isKeyDown) is the buttons and modifiers of the event.
    virtual void onPointerMove(Point where) { (void)where; }
    virtual void onPointerLeave() {}
    // The system took the pointer away during a press (another window captured it): no
    // release will come.
    virtual void onPointerCaptureLost() {}
};

// Items handed over by a drop: file paths or text.
enum class DropKind : int32_t { files = 1, text = 2 };

class DropTarget {
public:
    virtual ~DropTarget() = default;
    virtual bool onDrop(int32_t count, DropKind kind, const char* const* items, Point where) = 0;
};

class Window {
public:
    virtual ~Window() = default; // destroys the window
    virtual Point screenOrigin() const = 0;
    virtual std::unique_ptr<Device> acquireDevice() = 0; // released when deleted
    virtual bool registerDropTarget(DropTarget* target) = 0;
    virtual void revokeDropTarget() = 0;
    virtual void detachEvents() = 0; // no more events reach the owner
    virtual void* nativeHandle() = 0;
    // Handles the window's pending system events, for back ends whose system does not
    // deliver them through the host's event loop; the frame calls it from its idle.
    virtual void processEvents() {}
    // The descriptor on which the window's system delivers those events (readable when some
    // are waiting), or -1 where there is none.
    virtual int eventDescriptor() const { return -1; }
    // True where any one thread at a time may drive the window (its events and drawing),
    // as with a connection of the window's own; false where the system ties the window to
    // the thread that made it (its messages arrive there).
    virtual bool drivableFromAnyThread() const { return false; }
    // The system's scale for this window (its monitor's DPI over 96), or 0 where the system
    // gives windows no scale of their own.
    virtual float systemScale() const { return 0.0f; }
    // [main] The scale of the panel the window shows (pixels per panel unit): the popups it
    // owns (menus, edit fields, message boxes) are drawn at it where the back end draws them.
    virtual void setContentScale(float scale) { (void)scale; }
    // Gives the window a new size (its top left corner stays); false where it cannot.
    virtual bool resize(int32_t width, int32_t height) {
        (void)width;
        (void)height;
        return false;
    }
};

// Menu item flags, the toolkit's own bits; each back end maps them to its system's.
constexpr uint32_t menuGrayed = 0x1;
constexpr uint32_t menuDisabled = 0x2;
constexpr uint32_t menuChecked = 0x4;
constexpr uint32_t menuPopup = 0x8;
constexpr uint32_t menuBarBreak = 0x10;
constexpr uint32_t menuSeparator = 0x20;

class PopupMenu {
public:
    virtual ~PopupMenu() = default;
    virtual void appendSeparator() = 0;
    virtual void appendItem(uint32_t flags, int32_t commandId, const char* text) = 0;
    // The sub-menu stays owned by the caller and must outlive this menu's showing.
    virtual void appendSubMenu(uint32_t flags, PopupMenu& subMenu, const char* text) = 0;
};

class MenuService {
public:
    virtual ~MenuService() = default;
    virtual std::unique_ptr<PopupMenu> createPopupMenu() = 0;
    // Shows the menu at a screen position; the chosen command id, or -1 when dismissed.
    virtual int32_t track(PopupMenu& menu, bool rightButton, Point screen, Window* owner) = 0;
};

class EditFieldEvents {
public:
    virtual ~EditFieldEvents() = default;
    virtual void onEditReturn() = 0;
    virtual void onEditFocusLost() = 0;
};

struct EditFieldSetup {
    Rect rect;           // in the owner window
    int32_t alignment = 1; // 0 left, 1 centre, 2 right
    FontDesc font;
    int32_t limit = 255;
    const char* text = "";
};

class EditField {
public:
    virtual ~EditField() = default; // destroys the field
    // Copies at most capacity - 1 characters and a terminator; returns the length copied.
    virtual std::size_t text(char* out, std::size_t capacity) const = 0;
};

class EditFieldService {
public:
    virtual ~EditFieldService() = default;
    // The field has the whole text selected and the keyboard focus once created.
    virtual std::unique_ptr<EditField> create(Window* owner, const EditFieldSetup& setup,
                                              EditFieldEvents* events) = 0;
};

enum class Key : int32_t { leftButton, middleButton, rightButton, shift, control, alt };

class Windowing {
public:
    virtual ~Windowing() = default;

    // The desktop's scale for programs (pixels per 96 DPI unit); 1 where it says none.
    virtual float systemScale() { return 1.0f; }

    // Windows.
    virtual bool registerWindowClass(const char* name) = 0;
    virtual void unregisterWindowClass(const char* name) = 0;
    virtual std::unique_ptr<Window> createChildWindow(void* parent, const char* className,
                                                      const char* title, const Rect& rect,
                                                      WindowEvents* events) = 0;
    virtual void* moduleInstance() = 0;

    // Input and time.
    virtual bool isKeyDown(Key key) = 0;
    virtual Point cursorPosition() = 0; // screen coordinates
    virtual bool mouseButtonsSwapped() = 0;
    virtual uint32_t tickCount() = 0;
    virtual uint32_t doubleClickTime() = 0;

    virtual MenuService& menus() = 0;
    virtual EditFieldService& editFields() = 0;
};

} // namespace zk::gui::platform
