#pragma once

#include "engine/RelaxedLoad.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace zk {

// What the sound engine needs from the effect that owns it. The engine reads every
// parameter live, once per use, so a change made between two frames is heard at the next
// frame. A read is two loads: the implementer keeps one slot per parameter pointing at
// wherever the current value lives (the current program or a shared value).
class EngineHost {
public:
    static constexpr int32_t parameterCount = 54;

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

    // Acts on the MIDI events due at `frame` (index within the block) before it is computed.
    virtual void handlePendingEvents(int32_t frame) noexcept = 0;

    // Re-applies every value of the current program through setParameter, so that the
    // rate-dependent coefficients are recomputed after a sample-rate change.
    virtual void reselectCurrentProgram() noexcept = 0;

protected:
    // Points parameter `index` at `value`, which must outlive the host. The slots are atomic
    // because the program can change on another thread than the one processing.
    void setParameterSlot(int32_t index, const std::atomic<float>* value) noexcept {
        slots_[static_cast<size_t>(index)].store(value, std::memory_order_relaxed);
    }

private:
    inline static const std::atomic<float> zero_{0.0f};
    std::array<std::atomic<const std::atomic<float>*>, parameterCount> slots_;
};

} // namespace zk
