#pragma once

#include <cstdint>

namespace zk {

// What the sound engine needs from the effect that owns it. The engine reads every
// parameter live through this interface, once per use, so a change made between two
// frames is heard at the next frame.
class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Current value of parameter 0..53 (0 for any other index).
    virtual float engineParameter(int32_t index) const noexcept = 0;

    // Acts on the MIDI events due at `frame` (index within the block) before it is computed.
    virtual void handlePendingEvents(int32_t frame) noexcept = 0;

    // Re-applies every value of the current program through setParameter, so that the
    // rate-dependent coefficients are recomputed after a sample-rate change.
    virtual void reselectCurrentProgram() noexcept = 0;
};

} // namespace zk
