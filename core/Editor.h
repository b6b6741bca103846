#pragma once

// The effect and its panel, each as the other sees it. The effect never knows which panel
// it has, and the panel never knows the effect's class: each format's entry (the
// composition root) gives the effect an EditorFactory, and the effect builds its panel
// through it, once, handing it itself as the panel's EditorContext.
// How a host's session reaches the panel (through the effect's panel entries, Effect.h):
// 1. Load: the effect builds the panel object while it is built; nothing is shown yet.
// 2. Open: the host gives a native parent window (an X11 window id on Linux, an HWND on
//    Windows); the panel builds its views in a child window of its own (open) at the size
//    it reports (size).
// 3. Run: the host idles the panel (hostIdle) from its GUI thread or a timer thread of its
//    own, which the panel then follows where the window system allows; keys and the mouse
//    wheel may come through the host (onKeyDown, onKeyUp, onWheel). Every parameter change,
//    from any source and thread, reaches the panel (setParameter); the panel's own edits go
//    to the effect (editParameter inside beginEdit / endEdit), its commands (the panel menu,
//    the learn menu, the About picture) through panelCommand, which comes back to the
//    panel's setParameter as the command's tag (PanelCommand.h).
// 4. Close: close destroys the views; open may follow again. The panel object goes with
//    the effect.

#include "core/Services.h"
#include "product/PanelCommand.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace zk {

// A key the host passes to the panel: the character, or a virtual key (11 to 14 are the
// arrow keys left, up, right, down), and the modifier bits (1 is Shift).
struct KeyPress {
    int32_t character = 0;
    uint8_t virtualKey = 0;
    uint8_t modifiers = 0;
};

struct PanelSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The panel as the effect (and through it the wrapper) sees it.
class Editor {
public:
    virtual ~Editor() = default;

    // [main] The size of the panel's window in pixels, at its scale.
    virtual PanelSize size() const noexcept = 0;
    // [main] The host's scale: pixels per panel unit (1 to 3; others are brought inside).
    // The panel takes it, with size(), unless the user chose a zoom of its own; an open
    // panel is rebuilt at once at its new size (the caller asks its host to follow). False,
    // and the panel stays at 1, where the platform cannot draw the panel at another scale.
    virtual bool setScale(float scale) noexcept {
        (void)scale;
        return false;
    }
    // [main] The panel's scale.
    virtual float scale() const noexcept { return 1.0f; }
    // [main] Builds the views in a child window of `parentWindow`; a second open without a
    // close replaces the first. False when nothing could be built.
    virtual bool open(void* parentWindow) noexcept = 0;
    // [main] Destroys the views; harmless when closed.
    virtual void close() noexcept = 0;
    // [main] The host's idle call (or a timer thread of the host's, which the panel then
    // follows where its window system allows): draws what changed, handles the window.
    virtual void hostIdle() noexcept = 0;
    // [main] The descriptor on which the open panel's window system delivers its events, for
    // hosts that call hostIdle when it is readable; -1 when closed or there is none.
    virtual int32_t eventDescriptor() noexcept { return -1; }
    // [main] A key the host passes on: 1 when the panel used it, 0 or -1 when the host
    // should (0 for a key press the panel never takes).
    virtual int32_t onKeyDown(const KeyPress&) noexcept { return 0; }
    virtual int32_t onKeyUp(const KeyPress&) noexcept { return -1; }
    // [main] The mouse wheel, over the control under the pointer; true when used.
    virtual bool onWheel(float distance) noexcept = 0;
    // [main] 2: knobs follow linear drags; anything else: circular ones.
    virtual bool setKnobMode(int32_t mode) noexcept = 0;

    // [any] Parameter `index` now holds `value`, from whatever source, or a command came with
    // this tag and value: the panel only stores it into its control (drawn at the panel
    // thread's next idle).
    virtual void setParameter(int32_t index, float value) noexcept = 0;
    // [any] The learned controller bindings changed.
    virtual void refreshLearnedControllers() noexcept = 0;
    // [any] Draw what changed now, when called on the panel's thread (after a program
    // change); nothing on any other thread.
    virtual void idle() noexcept = 0;
    // [any] The native window a message box belongs to: the open panel's, when called on
    // the panel's own thread; null otherwise.
    virtual void* messageWindow() noexcept { return nullptr; }
};

// The effect as its panel sees it.
class EditorContext {
public:
    virtual ~EditorContext() = default;

    // [any] The value of parameter 0 .. 53 (0 for any other index).
    virtual float parameter(int32_t index) const noexcept = 0;
    // [any] The full name of parameter `index` ("Band 2 Sensitivity"); "" for any other.
    virtual const char* parameterName(int32_t index) const noexcept = 0;
    // [any] The text hosts show for `value` of parameter `index`, at most `capacity` - 1
    // characters; false and "" for an index that is no parameter.
    virtual bool valueToText(int32_t index, float value, char* text, size_t capacity) const noexcept = 0;
    // [main] The panel's thread: the user set the control of parameter `tag`; the effect
    // stores it and tells the host (origin panel). Nothing for a tag that is no parameter.
    virtual void editParameter(int32_t tag, float value) noexcept = 0;
    // [main] The panel's thread: the user chose a command (commandOfTag reads the control's
    // tag and value), for `parameter` where it names one.
    virtual void panelCommand(PanelCommand command, int32_t parameter) noexcept = 0;
    // [main] The user takes and lets go of the control of `tag` (a gesture around the edits).
    virtual void beginEdit(int32_t tag) noexcept = 0;
    virtual void endEdit(int32_t tag) noexcept = 0;
    // [any] The MIDI controller bound to parameter `index`; 0 for none.
    virtual int32_t learnedController(int32_t index) const noexcept = 0;
    // [any] Whether band 1..3 is sounding (for its lamp).
    virtual bool bandActive(int32_t band) const noexcept = 0;
    // [any] Where the panel's own messages go ("Bitmap Alocation Error!").
    virtual MessageService& messages() noexcept = 0;
    // [main] The per-user store the panel keeps the user's zoom in.
    virtual SettingsStore& settings() noexcept = 0;
    // [main] The panel's thread, from its idle: the open panel took a new size of its own
    // accord (the user chose a zoom, or its window's
    // system scale changed); the host's window should follow.
    virtual void panelResized(PanelSize size) noexcept { (void)size; }
};

// Builds the panel for an effect; may throw, and then the effect has no panel.
using EditorFactory = std::function<std::unique_ptr<Editor>(EditorContext& effect)>;

} // namespace zk
