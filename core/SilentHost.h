#pragma once

// Host services that take every report and drop it, for what drives the effect with no host
// around it: the build's generators (LV2 Turtle, VST3 preset files) and tests that look only
// at the effect's sound or state.

#include "core/HostServices.h"

namespace zk {

class SilentHost final : public HostServices {
public:
    void beginGesture(int32_t) noexcept override {}
    void endGesture(int32_t) noexcept override {}
    void parameterChanged(int32_t, float, ChangeOrigin) noexcept override {}
    void allParametersChanged(ChangeOrigin) noexcept override {}
    void displayChanged() noexcept override {}
    void wantMidi() noexcept override {}
};

} // namespace zk
