#pragma once

// Host services that take every report and do nothing with it, for tests that drive the
// core effect directly and look only at its sound or its state.

#include "core/HostServices.h"

namespace zktest {

class SilentHost final : public zk::HostServices {
public:
    void beginGesture(int32_t) noexcept override {}
    void endGesture(int32_t) noexcept override {}
    void parameterChanged(int32_t, float, zk::ChangeOrigin) noexcept override {}
    void allParametersChanged(zk::ChangeOrigin) noexcept override {}
    void displayChanged() noexcept override {}
    void wantMidi() noexcept override {}
    void idle() noexcept override {}
};

} // namespace zktest
