#pragma once

#include "engine/RelaxedLoad.h"
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
        return relaxedLoad(*slots_[static_cast<size_t>(index)].load(std::memory_order_relaxed));
    }
#if defined(__SSE2__) && defined(__GNUC__)
    // The same in lane 0 of a vector, zeros above, for gathering values into lanes.
    [[gnu::always_inline]] __m128 engineParameterLane0(int32_t index) const noexcept {
        if (index < 0 || index >= parameterCount) return _mm_setzero_ps();
        return relaxedLoadLane0(*slots_[static_cast<size_t>(index)].load(std::memory_order_relaxed));
    }
#endif

    // Changes after every change of a slot (acquire: the slots read after it are at least as
    // new). The engine re-checks contiguousValues() when it moves.
    uint32_t slotGeneration() const noexcept { return generation_.load(std::memory_order_acquire); }
    // Changes after every store of a value the slots point at and after every change of a
    // slot (acquire: the values read after it are at least as new). Between two of its moves
    // a frame's values are those of the frame before, so the engine reads them again only
    // when it moves (and at the start of every chunk of frames).
    uint32_t valueGeneration() const noexcept { return valueGeneration_.load(std::memory_order_acquire); }
    // Parameter 0's value when the values of parameters 0..53 lie one after the other in
    // index order (all in the current program, the usual case), else null: the engine then
    // reads a frame's parameters with a few vector loads instead of one pointer chase each.
    const std::atomic<float>* contiguousValues() const noexcept {
        const std::atomic<float>* base = slots_[0].load(std::memory_order_relaxed);
        const auto at = reinterpret_cast<uintptr_t>(base);
        for (int32_t i = 1; i < parameterCount; ++i) {
            const auto slot = reinterpret_cast<uintptr_t>(slots_[static_cast<size_t>(i)].load(std::memory_order_relaxed));
            if (slot != at + static_cast<uintptr_t>(i) * sizeof(std::atomic<float>)) return nullptr;
        }
        return base;
    }

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
        if (slots_[static_cast<size_t>(index)].exchange(value, std::memory_order_relaxed) != value) {
            generation_.fetch_add(1, std::memory_order_release);
            announceValueChange();
        }
    }

private:
    inline static const std::atomic<float> zero_{0.0f};
    std::array<std::atomic<const std::atomic<float>*>, parameterCount> slots_;
    std::atomic<uint32_t> generation_{0};
    std::atomic<uint32_t> valueGeneration_{0};
    std::atomic<bool> eventsPending_{false};
};

} // namespace zk
