#include "engine/DelayLine.h"

#include <algorithm>
#include <new>

namespace zk {

namespace {
constexpr float fillValue = 0.001f;
}

int32_t DelayLine::lengthFor(int32_t maximumDelay) noexcept {
    // A negative maximum still leaves one cell; the top keeps length + 1 inside int32.
    if (maximumDelay < 0) return 1;
    if (maximumDelay > std::numeric_limits<int32_t>::max() - 1) return std::numeric_limits<int32_t>::max();
    return maximumDelay + 1;
}

bool DelayLine::allocate(int32_t length) {
    std::unique_ptr<float[]> fresh(new (std::nothrow) float[static_cast<size_t>(length)]);
    if (!fresh) return false;
    std::fill(fresh.get(), fresh.get() + length, fillValue);
    buffer_ = std::move(fresh);
    length_ = length;
    return true;
}

DelayLine::DelayLine(SampleRateContext& context, float delay, int32_t maximumDelay) : DspBlock(context) {
    busy_.store(true, std::memory_order_relaxed);
    if (!allocate(lengthFor(maximumDelay)) && !allocate(1)) throw std::bad_alloc();
    lastOutput_ = 0.0f;
    setDelay(delay);
    busy_.store(false, std::memory_order_relaxed);
}

void DelayLine::resize(int32_t maximumDelay) {
    busy_.store(true, std::memory_order_relaxed);
    // Out of memory keeps the old buffer, refilled, rather than leaving none.
    if (!allocate(lengthFor(maximumDelay))) std::fill(buffer_.get(), buffer_.get() + length_, fillValue);
    writeIndex_ %= length_;
    readIndex_ %= length_;
    busy_.store(false, std::memory_order_relaxed);
    lastOutput_ = 0.0f;
}

} // namespace zk
