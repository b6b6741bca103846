#pragma once

// What the effect asks of its host, whatever the format: each format's wrapper implements
// it in its host's terms. How a session uses it:
// 1. Load: the effect selects program 0 while it is initialised and says so
//    (allParametersChanged, then displayChanged), before the format's entry returns.
// 2. Activate: the effect asks for MIDI (wantMidi), and re-selects its program at the new
//    rate, which it reports as in 1.
// 3. Process: MIDI acted on inside a block reports from the audio thread, inside the
//    process call: a learned controller's move (parameterChanged, origin controller), a
//    Program Change (as in 1). A wrapper that must pass such news through the process
//    call's own output (events, output parameter changes) collects them here and hands
//    them over before the call returns; nothing here may block or allocate.
// 4. Panel: a drag on the panel is one gesture: beginGesture, a parameterChanged (origin
//    panel) per move, endGesture; the panel never holds the host's thread meanwhile. When the open panel takes a new size of its own accord (the user's zoom), resizePanel
//    asks the host's window to follow.
// 5. State: a program change or a bank or preset loaded by the host reports as in 1, on the
//    thread that made the change.
// The effect never reports a change the host itself made (setParameter from the host), and
// holds no lock of its own while it calls here. The panel's calls (4) come while the
// panel handles its input under its own lock (PluginEditor), which a host re-entering
// the panel from inside them takes again on that thread.

#include "core/Editor.h"

#include <cstdint>

namespace zk {

// Where a change the plug-in made itself comes from.
enum class ChangeOrigin : uint8_t {
    panel,      // the user on the panel, between beginGesture and endGesture
    controller, // a MIDI controller bound by learning (or the message that taught it)
    program,    // a program change: the host's, the panel's or a MIDI Program Change
    state,      // a bank or preset chunk loaded
};

class HostServices {
public:
    virtual ~HostServices() = default;

    // [main] The panel's thread: the user takes and lets go of parameter `index` (0 .. 53).
    virtual void beginGesture(int32_t index) noexcept = 0;
    virtual void endGesture(int32_t index) noexcept = 0;
    // One parameter (0 .. 53) now holds `value` because of the plug-in itself. [main] for
    // origin panel (inside a gesture); [audio] for origin controller, inside process().
    virtual void parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept = 0;
    // [any] Every parameter may hold a new value (origin program or state): hosts read them
    // all again. [audio] inside process() for a MIDI Program Change; otherwise the thread
    // that changed the program or loaded the state.
    virtual void allParametersChanged(ChangeOrigin origin) noexcept = 0;
    // [any] What a host shows of the plug-in changed (program, names, values); follows every
    // allParametersChanged, on its thread.
    virtual void displayChanged() noexcept = 0;
    // [main] The thread that activates the effect: it takes MIDI input.
    virtual void wantMidi() noexcept = 0;
    // [main] The panel's thread, from its idle: the open panel took a new size of its own
    // accord (the user's zoom); the host is asked to resize its window where it can be.
    virtual void resizePanel(PanelSize size) noexcept { (void)size; }
};

} // namespace zk
