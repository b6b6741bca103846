#pragma once

// The operating-system seam of the toolkit. Widget code reaches drawing, windows, input,
// popup menus, edit fields, drag and drop and bitmap resources only through these
// interfaces; each back end (software now, native ones later) implements them.

#include "gui/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zk::gui::platform {

using ColorRef = uint32_t; // red | green << 8 | blue << 16

enum class PenStyle : int32_t { solid = 0, dot = 2, none = 5 };

struct PenDesc {
    PenStyle style = PenStyle::solid;
    int32_t width = 1;
    ColorRef color = 0;
};

struct BrushDesc {
    bool none = false; // a hollow brush paints nothing
    ColorRef color = 0xFFFFFF;
};

// The logical font a device selects; fields as the native font description has them.
struct FontDesc {
    int32_t height = 0; // negative: character height in pixels; positive: cell height
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[32] = {};
};

enum BackgroundMode : int32_t { bkTransparent = 1, bkOpaque = 2 };

// Text format bits.
constexpr uint32_t textLeft = 0x0;
constexpr uint32_t textCenter = 0x1;
constexpr uint32_t textRight = 0x2;
constexpr uint32_t textVCenter = 0x4;
constexpr uint32_t textSingleLine = 0x20;
constexpr uint32_t textNoPrefix = 0x800;

// Raster operations of block copies.
constexpr uint32_t ropSrcCopy = 0x00CC0020;
constexpr uint32_t ropSrcInvert = 0x00660046;
constexpr uint32_t ropSrcAnd = 0x008800C6;

// Pixels that a memory device can select: colour ones or 1-bit masks.
class Pixmap {
public:
    virtual ~Pixmap() = default;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual bool monochrome() const = 0;
};

// A device context: the current pen, brush, font, colours and position, drawing into a
// window or into the pixmap a memory device has selected.
class Device {
public:
    virtual ~Device() = default;

    virtual PenDesc currentPen() const = 0;
    virtual BrushDesc currentBrush() const = 0;
    virtual FontDesc currentFont() const = 0;
    virtual PenDesc selectPen(const PenDesc& pen) = 0; // returns the previous pen
    virtual bool selectBrush(const BrushDesc& brush) = 0; // false: the old brush stays
    virtual FontDesc selectFont(const FontDesc& font) = 0;

    virtual ColorRef setTextColor(ColorRef color) = 0; // each setter returns the previous value
    virtual ColorRef setBkColor(ColorRef color) = 0;
    virtual int32_t setBkMode(int32_t mode) = 0;
    virtual ColorRef textColor() const = 0;
    virtual ColorRef bkColor() const = 0;
    virtual int32_t bkMode() const = 0;

    virtual void moveTo(int32_t x, int32_t y) = 0;
    virtual void lineTo(int32_t x, int32_t y) = 0; // the end pixel is not painted
    virtual void fillRect(const Rect& rect) = 0;   // current brush; right and bottom excluded
    virtual void drawText(const char* text, std::size_t length, const Rect& rect, uint32_t format) = 0;

    // Memory devices only: selects the pixmap drawn into, returns the previous one.
    virtual Pixmap* selectPixmap(Pixmap* pixmap) = 0;
    virtual bool bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx,
                        int32_t sy, uint32_t rop) = 0;
    // Copies every pixel that differs from key; the back end may lack it (hasTransparentBlt).
    virtual bool transparentBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source,
                                int32_t sx, int32_t sy, int32_t sw, int32_t sh, ColorRef key) = 0;
};

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
    // The pointer moved to `where` (window coordinates), or left the window. Moves made
    // while a control tracks a press reach the window, if at all, once the press is over.
    virtual void onPointerMove(Point where) { (void)where; }
    virtual void onPointerLeave() {}
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
    // Gives the window a new size (its top left corner stays); false where it cannot.
    virtual bool resize(int32_t width, int32_t height) {
        (void)width;
        (void)height;
        return false;
    }
};

// Menu item flags.
constexpr uint32_t menuGrayed = 0x1;
constexpr uint32_t menuDisabled = 0x2;
constexpr uint32_t menuChecked = 0x8;
constexpr uint32_t menuPopup = 0x10;
constexpr uint32_t menuBarBreak = 0x20;
constexpr uint32_t menuSeparator = 0x800;

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

class Platform {
public:
    virtual ~Platform() = default;

    // Devices and pixmaps; compatible may be null for the screen.
    virtual std::unique_ptr<Device> createMemoryDevice(Device* compatible) = 0;
    virtual std::unique_ptr<Pixmap> createCompatiblePixmap(Device* compatible, int32_t w, int32_t h) = 0;
    virtual std::unique_ptr<Pixmap> createMonochromePixmap(int32_t w, int32_t h) = 0;
    // A bitmap of the module's resources, or null when there is none with that id.
    virtual std::unique_ptr<Pixmap> loadBitmap(int32_t resourceId) = 0;
    // The same picture drawn for a panel shown at scale pixels per panel unit (above 1):
    // drawn at that resolution, never enlarged. A back end without such pictures says so
    // and gives null; a panel then stays at 1.
    virtual bool hasScaledBitmaps() { return false; }
    virtual std::unique_ptr<Pixmap> loadScaledBitmap(int32_t resourceId, float scale) {
        (void)resourceId;
        (void)scale;
        return nullptr;
    }
    // [main] The desktop's scale for programs (pixels per 96 DPI unit); 1 where it says none.
    virtual float systemScale() { return 1.0f; }
    virtual bool hasTransparentBlt() = 0;

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

// The platform the toolkit uses: the one installed, else the built-in one.
Platform& current();
// The platform of the back end the program is linked with (the software one, or Win32's
// on Windows); that back end defines it.
Platform& builtInPlatform();
// Installs a platform (null restores the default); returns the previous one.
Platform* install(Platform* platform);

} // namespace zk::gui::platform
