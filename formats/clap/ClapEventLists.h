#pragma once

// The event lists between a CLAP host's calls and the effect: the block's input events read
// in place as the effect's BlockEvents, and the changes made on the panel waiting, in
// order, for the next process or flush call to hand them to the host.

#include "core/BlockEvents.h"
#include "formats/clap/ClapAbi.h"
#include "product/ParameterIndex.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace zk {

// The host's input events of one call, as the effect reads them: parameter values and MIDI
// messages at their frames; everything else keeps its place as an event of another kind.
class ClapInputEventList final : public BlockEvents {
public:
    // [audio] The list of a block of `frames` frames (an event past the block counts as at
    // its last frame); null for none.
    void reset(const clap::clap_input_events* list, uint32_t frames) noexcept;
    int32_t size() const noexcept override { return count_; }
    BlockEvent at(int32_t index) const noexcept override;
    // The frame of the event read last: the one the effect acts on when it reports a change.
    uint32_t lastFrame() const noexcept { return lastFrame_; }

private:
    const clap::clap_input_events* list_ = nullptr;
    int32_t count_ = 0;
    uint32_t lastFrameOfBlock_ = 0;
    mutable uint32_t lastFrame_ = 0;
};

// A change the plug-in made on its own, for the host.
struct ParameterReport {
    enum class Kind : uint8_t { begin, value, end };
    Kind kind = Kind::value;
    uint32_t id = 0;
    double value = 0.0;
};

// The panel's changes on their way to the host: one thread pushes (the main thread, where
// the panel runs), one takes (process on the audio thread, or flush), never blocking or
// allocating. A gesture's end always finds room once its beginning did.
class ReportQueue {
public:
    static constexpr uint32_t kCapacity = 1024;
    // [main] False when there is no room: the report is dropped.
    bool push(const ParameterReport& report) noexcept;
    // [audio] The oldest report, left in the queue until pop().
    bool peek(ParameterReport& report) const noexcept;
    void pop() noexcept;

private:
    std::array<ParameterReport, kCapacity> slots_{};
    std::atomic<uint32_t> written_{0}; // reports pushed, ever (wrapping)
    std::atomic<uint32_t> taken_{0};   // reports popped, ever
};

} // namespace zk
