#pragma once

// Decides, block by block, which values of the host's control ports the plug-in applies.
// The host owns the control ports and the plug-in cannot write them, so a port value is
// applied when the host changes it, and otherwise the plug-in's own value stands (a learned
// controller's move, a program change, a restored state). How the wrapper uses it:
// 1. Every block, for every parameter port: take(index, portValue, effectValue) says
//    whether to apply the port's value.
//    - The first block after the instance was made applies every port value that differs
//      from the plug-in's value (the host set the ports before it started).
//    - After a state restore (adoptPorts) the next block takes every port value as the
//      host's view without applying it: the restored state is the sound, whether the host
//      restores the ports before the state or after it.
//    - Otherwise a port value is applied when it differs from the value the port had.
// 2. While a UI is open, the plug-in tells it of its own changes and the UI passes them on
//    to the host's ports. Those values come back as port changes a few blocks later, by
//    which time the plug-in may have moved on (a controller sweep): noteReported keeps
//    each told value for a while, and a port change to one of them is that echo, not the
//    host's own change, so it is not applied (nor are the older echoes still to come).
// Threads: take, noteReported, forgetReports and advance on the audio thread (run);
// adoptPorts on the thread that restores state, never during run.

#include "product/ParameterIndex.h"

#include <array>
#include <cstdint>

namespace zk::lv2 {

class ControlPortSync {
public:
    static constexpr int kEchoDepth = 8;

    // [main, before the first block] How many frames a reported value waits for its echo.
    void setEchoLifetime(int64_t frames) noexcept { echoLifetime_ = frames; }

    // [audio] Whether to apply `portValue` of parameter `index`; remembers it either way.
    bool take(int32_t index, float portValue, float effectValue) noexcept;
    // [audio] The block's start moved on by `frames`; takes only the first block after
    // adoptPorts or construction out of their special states.
    void endBlock(int64_t frames) noexcept;
    // [state restore] The next block adopts every port value without applying it.
    void adoptPorts() noexcept { mode_ = Mode::adopt; }
    // [audio] The plug-in told its UI that parameter `index` holds `value`.
    void noteReported(int32_t index, float value) noexcept;
    // [audio] No UI is open any more: no echo will come.
    void forgetReports() noexcept;

private:
    enum class Mode : uint8_t { first, adopt, follow };
    struct Echo {
        float value;
        int64_t expires;
    };
    struct Echoes {
        std::array<Echo, kEchoDepth> pending{};
        int count = 0; // oldest first
    };
    // True (and the echo with every older one dropped) when `value` is a pending echo.
    bool consumeEcho(Echoes& echoes, float value) noexcept;

    Mode mode_ = Mode::first;
    std::array<float, kNumParameters> seen_{};
    std::array<Echoes, kNumParameters> echoes_{};
    int64_t now_ = 0;
    int64_t echoLifetime_ = 96000;
};

} // namespace zk::lv2
