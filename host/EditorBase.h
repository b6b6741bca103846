#pragma once

#include "host/Vst2Abi.h"

#include <cstdint>

namespace zk {

// The editor as the effect and the dispatcher see it. The effect owns exactly one for its
// whole life; the host opens and closes its panel window any number of times in between.
class EditorBase {
public:
    virtual ~EditorBase() = default;

    // Host operations, reached through the dispatcher on the GUI thread.
    virtual bool getRect(vst2::ERect** rect) noexcept = 0;
    virtual bool open(void* parentWindow) noexcept = 0;
    virtual void close() noexcept = 0;
    virtual void idle() noexcept = 0;
    // effEditIdle itself, which some hosts send from a timer thread of their own.
    virtual void hostIdle() noexcept { idle(); }
    virtual int32_t onKeyDown(const vst2::VstKeyCode&) noexcept { return 0; }
    virtual int32_t onKeyUp(const vst2::VstKeyCode&) noexcept { return -1; }
    virtual bool setKnobMode(int32_t mode) noexcept = 0;
    virtual bool onWheel(float distance) noexcept = 0;

    // Effect operations; these three may arrive on the audio thread.
    virtual void setParameter(int32_t index, float value) noexcept = 0;
    virtual void refreshLearnedControllers() noexcept = 0;
    // The native window a message box of the effect belongs to: the open panel's, when
    // called on the panel's own thread; null otherwise.
    virtual void* messageWindow() noexcept { return nullptr; }
};

} // namespace zk
