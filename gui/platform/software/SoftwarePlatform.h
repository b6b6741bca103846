#pragma once

// The software back end: windows are pixel buffers, input comes from a script, popup menus
// and edit fields record what they would show and answer from the script.
// Renderer:
//   [x] memory devices, colour pixmaps and 1-bit masks, pens (solid, dotted), brushes
//   [x] text: FreeType over the fonts built in; every face is the sans family, unsmoothed
//   [x] blits: copy, invert, mask; transparent blits (switchable, to stand for systems without)
//   [x] the module's bitmaps, and pictures at a scale from the installed drawer
// Windowing:
//   [x] child windows as pixel buffers; paint, button, move, wheel, scale and destroy events on
//       call, or queued for the frame's next idle (processEvents)
//   [x] input, tick count, double-click time: from the script
//   [x] popup menus and edit fields: recorded, answered from the script
//   [x] drag and drop: drops handed to the registered target on call (no system behind it)
//   [ ] timers of its own: the host's idle drives everything
//   [ ] dialogs: message boxes are the services' (services/), not this seam's

#include "gui/platform/software/SoftDevice.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zk::gui::platform::software {

// One moment of the pointer: screen position, the physical buttons and modifiers (the
// toolkit's bits 1 left, 2 middle, 4 right, 8 Shift, 16 Control, 32 Alt) and the tick count.
struct InputState {
    Point cursor;
    int32_t buttons = 0;
    uint32_t ticks = 0;
};

// The input timeline. A press hands the states queued after it to the window as its moves and
// release; a reading of the cursor outside a press moves to the next queued state, and once
// the queue is empty lets go of the mouse buttons (modifiers stay).
class ScriptedInput {
public:
    void set(const InputState& state);  // and forgets what was queued
    void setCurrent(const InputState& state) { state_ = state; }
    // The next queued state, taken off the queue; false when none is left.
    bool takeNext(InputState& next);
    void queue(const std::vector<InputState>& states);
    const InputState& state() const { return state_; }
    bool keyDown(Key key) const;
    Point readCursor();
    int32_t cursorReads() const { return cursorReads_; }
    std::size_t pending() const { return queue_.size(); }

private:
    InputState state_;
    std::deque<InputState> queue_;
    int32_t cursorReads_ = 0;
};

class SoftwarePlatform;

class SoftwareWindow final : public Window {
public:
    SoftwareWindow(SoftwarePlatform* platform, const Rect& rect, Point screenOrigin,
                   WindowEvents* events, std::string className);
    ~SoftwareWindow() override;

    Point screenOrigin() const override { return origin_; }
    std::unique_ptr<Device> acquireDevice() override;
    bool registerDropTarget(DropTarget* target) override;
    void revokeDropTarget() override { dropTarget_ = nullptr; }
    void detachEvents() override { events_ = nullptr; }
    void* nativeHandle() override { return this; }
    bool drivableFromAnyThread() const override { return true; } // no system behind it
    bool resize(int32_t width, int32_t height) override;
    // Hands on what was queued for it (atNextIdle), as systems whose events the window
    // fetches itself do from the frame's idle.
    void processEvents() override;

    // What the system would send, now or at the frame's next idle.
    void atNextIdle(std::function<void()> events) { atIdle_.push_back(std::move(events)); }
    void paint(const Rect& updateRect);
    void paintAll() { paint({0, 0, pixels_.width(), pixels_.height()}); }
    void buttonDown(int32_t button, Point where);
    void buttonUp(int32_t button, Point where);
    void scaleChanged(float scale); // the window's monitor changed its DPI
    void setSystemScale(float scale) { systemScale_ = scale; }
    float systemScale() const override { return systemScale_; }
    void pointerMove(Point where);
    void pointerLeave();
    void destroyedByHost(); // the host tore the window down
    bool drop(int32_t count, DropKind kind, const char* const* items, Point where);

    void moveOnScreen(Point origin) { origin_ = origin; }
    SoftPixmap& pixels() { return pixels_; }
    const SoftPixmap& pixels() const { return pixels_; }
    bool hasEvents() const { return events_ != nullptr; }
    DropTarget* dropTarget() const { return dropTarget_; }
    WindowEvents* events() const { return events_; }
    const std::string& className() const { return className_; }

private:
    SoftwarePlatform* platform_;
    SoftPixmap pixels_;
    Point origin_;
    WindowEvents* events_;
    DropTarget* dropTarget_ = nullptr;
    std::string className_;
    bool destroyed_ = false;
    float systemScale_ = 0.0f; // none of its own, as on X11
    std::vector<std::function<void()>> atIdle_;
};

// A menu as it was shown.
struct MenuItemRecord {
    uint32_t flags = 0;
    int32_t commandId = 0;
    std::string text;
    std::vector<MenuItemRecord> subMenu;
};

struct MenuShowing {
    std::vector<MenuItemRecord> items;
    bool rightButton = false;
    Point screen;
};

class SoftwareMenuService final : public MenuService {
public:
    std::unique_ptr<PopupMenu> createPopupMenu() override;
    int32_t track(PopupMenu& menu, bool rightButton, Point screen, Window* owner) override;

    // Answers for the next showings, in order: a command id, or -1 to dismiss. Without an
    // answer a menu is dismissed.
    void answer(int32_t commandId) { answers_.push_back(commandId); }
    const std::vector<MenuShowing>& showings() const { return showings_; }
    int32_t liveMenus() const { return liveMenus_; }
    void reset();

private:
    friend class SoftPopupMenu;
    std::deque<int32_t> answers_;
    std::vector<MenuShowing> showings_;
    int32_t liveMenus_ = 0;
};

class SoftwareEditField;

class SoftwareEditFieldService final : public EditFieldService {
public:
    std::unique_ptr<EditField> create(Window* owner, const EditFieldSetup& setup,
                                      EditFieldEvents* events) override;
    SoftwareEditField* open() const { return open_.empty() ? nullptr : open_.back(); }
    int32_t created() const { return created_; }

private:
    friend class SoftwareEditField;
    std::vector<SoftwareEditField*> open_;
    int32_t created_ = 0;
};

class SoftwareEditField final : public EditField {
public:
    SoftwareEditField(SoftwareEditFieldService& service, Window* owner, const EditFieldSetup& setup,
                      EditFieldEvents* events);
    ~SoftwareEditField() override;
    std::size_t text(char* out, std::size_t capacity) const override;

    // The user's side. Typing replaces the selection, which is all the text at first.
    void type(const std::string& text);
    void pressReturn();
    void loseFocus();
    const EditFieldSetup& setup() const { return setup_; }
    const std::string& initialText() const { return initialText_; }
    // The colours the owner window hands the field.
    bool colors(ColorRef& text, ColorRef& back) const;

private:
    SoftwareEditFieldService& service_;
    Window* owner_;
    EditFieldSetup setup_;
    EditFieldEvents* events_;
    std::string text_;
    std::string initialText_;
    bool selectedAll_ = true;
};

class SoftwarePlatform final : public Platform {
public:
    SoftwarePlatform();
    ~SoftwarePlatform() override;

    std::unique_ptr<Device> createMemoryDevice(Device* compatible) override;
    std::unique_ptr<Pixmap> createCompatiblePixmap(Device* compatible, int32_t w, int32_t h) override;
    std::unique_ptr<Pixmap> createMonochromePixmap(int32_t w, int32_t h) override;
    std::unique_ptr<Pixmap> loadBitmap(int32_t resourceId) override;
    bool hasScaledBitmaps() override;
    float systemScale() override { return systemScale_; }
    std::unique_ptr<Pixmap> loadScaledBitmap(int32_t resourceId, float scale) override;
    bool hasTransparentBlt() override { return transparentBlt_; }

    bool registerWindowClass(const char* name) override;
    void unregisterWindowClass(const char* name) override;
    std::unique_ptr<Window> createChildWindow(void* parent, const char* className, const char* title,
                                              const Rect& rect, WindowEvents* events) override;
    void* moduleInstance() override;

    bool isKeyDown(Key key) override { return input_.keyDown(key); }
    Point cursorPosition() override { return input_.readCursor(); }
    bool mouseButtonsSwapped() override { return swapped_; }
    uint32_t tickCount() override { return input_.state().ticks; }
    uint32_t doubleClickTime() override { return doubleClickTime_; }

    MenuService& menus() override { return menus_; }
    EditFieldService& editFields() override { return editFields_; }

    // Script and settings.
    ScriptedInput& input() { return input_; }
    SoftwareMenuService& menuService() { return menus_; }
    SoftwareEditFieldService& editFieldService() { return editFields_; }
    void setTransparentBlt(bool available) { transparentBlt_ = available; }
    void setMouseButtonsSwapped(bool swapped) { swapped_ = swapped; }
    void setDoubleClickTime(uint32_t ms) { doubleClickTime_ = ms; }
    void setNewWindowOrigin(Point origin) { newWindowOrigin_ = origin; }
    void setWindowCreationFails(bool fails) { windowCreationFails_ = fails; }
    void setSystemScale(float scale) { systemScale_ = scale; }
    // The system scale new windows report as their own (0: none, as on X11).
    void setNewWindowScale(float scale) { newWindowScale_ = scale; }

    // Bitmaps by resource id: packed colours, row by row.
    void registerBitmap(int32_t resourceId, int32_t width, int32_t height, std::vector<ColorRef> pixels);
    void unregisterBitmap(int32_t resourceId) { bitmaps_.erase(resourceId); }

    int32_t classRegistrations() const { return classRegistrations_; }
    int32_t classUnregistrations() const { return classUnregistrations_; }
    bool classRegistered(const std::string& name) const { return classes_.count(name) != 0; }
    const std::vector<SoftwareWindow*>& windows() const { return windows_; }
    SoftwareWindow* lastWindow() const { return windows_.empty() ? nullptr : windows_.back(); }

    // Puts the pointer at a window position with the given buttons and sends the press of the
    // lowest button held; then each state of `then` as a move while that button is held, and
    // its release (at the first state without it, else after the last).
    void press(SoftwareWindow& window, Point where, int32_t buttons,
               const std::vector<InputState>& then = {});

private:
    friend class SoftwareWindow;
    struct StoredBitmap {
        int32_t width;
        int32_t height;
        std::vector<ColorRef> pixels;
    };
    ScriptedInput input_;
    SoftwareMenuService menus_;
    SoftwareEditFieldService editFields_;
    std::map<int32_t, StoredBitmap> bitmaps_;
    std::map<std::string, int32_t> classes_;
    std::vector<SoftwareWindow*> windows_;
    int32_t classRegistrations_ = 0;
    int32_t classUnregistrations_ = 0;
    bool transparentBlt_ = true;
    bool swapped_ = false;
    bool windowCreationFails_ = false;
    float systemScale_ = 1.0f;
    float newWindowScale_ = 0.0f;
    uint32_t doubleClickTime_ = 500;
    Point newWindowOrigin_{};
};

// The software platform that serves when no other is installed.
SoftwarePlatform& defaultPlatform();

} // namespace zk::gui::platform::software
