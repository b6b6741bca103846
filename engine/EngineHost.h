#pragma once

#include "product/ParameterIndex.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>

namespace zk {

// What the sound engine needs from the effect that owns it. The engine reads the
// parameters after each frame's MIDI events, so a change an event makes is heard from its
// frame on; one made by another thread is heard within the engine's chunk of frames (at
// most 32). A read is two loads: the implementer keeps one slot per parameter pointing at
// wherever the current value lives (the current program or a shared value), and announces
// every value it stores (announceValueChange), which lets the engine keep a frame's values
// until then.
class EngineHost {
public:
    static constexpr int32_t parameterCount = kNumParameters;

    EngineHost() noexcept {
        for (auto& slot : slots_) slot.store(&zero_, std::memory_order_relaxed);
    }
    virtual ~EngineHost() = default;
    EngineHost(const EngineHost&) = delete;
    EngineHost& operator=(const EngineHost&) = delete;

    // Current value of parameter 0..53 (0 for any other index).
    float engineParameter(int32_t index) const noexcept {
        if (index < 0 || index >= parameterCount) return 0.0f;
        return slots_[static_cast<size_t>(index)].load(std::memory_order_relaxed)->load(std::memory_order_relaxed);
    }

    // Changes after every store of a value the slots point at and after every change of a
    // slot (acquire: the values read after it are at least as new). Between two of its moves
    // a frame's values are those of the frame before, so the engine reads them again only
    // when it moves.
    uint32_t valueGeneration() const noexcept { return valueGeneration_.load(std::memory_order_acquire); }
    // False while no MIDI event is pending, so that a frame needs no call of
    // handlePendingEvents().
    bool eventsPending() const noexcept { return eventsPending_.load(std::memory_order_relaxed); }
    // Acts on the MIDI events due at `frame` (index within the block) before it is computed.
    virtual void handlePendingEvents(int32_t frame) noexcept = 0;
    // The first frame from `frame` on at which handlePendingEvents() would act on an event
    // (`frame` itself where one is overdue), noPendingEvents if none is pending, so that
    // stretches of frames between events need no call per frame.
    static constexpr int32_t noPendingEvents = std::numeric_limits<int32_t>::max();
    virtual int32_t nextEventFrame(int32_t frame) const noexcept = 0;

    // Re-applies every value of the current program through setParameter, so that the
    // rate-dependent coefficients are recomputed after a sample-rate change.
    virtual void reselectCurrentProgram() noexcept = 0;

protected:
    // To be set while events may be pending, and cleared once none can be.
    void setEventsPending(bool pending) noexcept { eventsPending_.store(pending, std::memory_order_relaxed); }
    // To be called after storing a value that a slot may point at.
    void announceValueChange() noexcept { valueGeneration_.fetch_add(1, std::memory_order_release); }

    // Points parameter `index` at `value`, which must outlive the host. The slots are atomic
    // because the program can change on another thread than the one processing.
    void setParameterSlot(int32_t index, const std::atomic<float>* value) noexcept {
        // Exchange, so that of two threads re-pointing one slot the one that changes it
        // always announces it.
        if (slots_[static_cast<size_t>(index)].exchange(value, std::memory_order_relaxed) != value)
            announceValueChange();
    }

private:
    inline static const std::atomic<float> zero_{0.0f};
    std::array<std::atomic<const std::atomic<float>*>, parameterCount> slots_;
    std::atomic<uint32_t> valueGeneration_{0};
    std::atomic<bool> eventsPending_{false};
};

} // namespace zk
