#pragma once

#include "engine/DspBlock.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace zk {

// Ring buffer of whole-sample delays up to its maximum. The input is written before the
// output is read, so a delay of 0 returns the sample just written; a fractional delay is
// rounded up. New or resized buffers are filled with 0.001, not 0.
class DelayLine : public DspBlock {
public:
    DelayLine(SampleRateContext& context, float delay, int32_t maximumDelay);

    // Replaces the buffer; the contents are lost. Both indices are wrapped into the new
    // length so that a shorter buffer is never read or written out of bounds.
    void resize(int32_t maximumDelay);

    // Re-bases the read index on the write index. NaN counts as 0.
    void setDelay(float delay) noexcept { readIndex_ = readIndexFor(delay, writeIndex_, length_); }

    float process(float x) noexcept {
        Run run;
        if (!begin(run)) return 0.0f;
        const float y = run.process(x);
        end(run);
        return y;
    }

    // A run of process() calls with the indices held by the caller (in registers rather
    // than written back every frame). begin() fails while the line is being resized; the
    // caller then processes frame by frame, where the busy state is checked each time.
    struct Run {
        float* buffer;
        int32_t write, read, length;
        float last;
        void setDelay(float delay) noexcept { read = readIndexFor(delay, write, length); }
        float process(float x) noexcept {
            buffer[write] = x;
            last = buffer[read];
            if (++write >= length) write = 0;
            if (++read >= length) read = 0;
            return last;
        }
    };
    bool begin(Run& run) noexcept {
        if (busy_.load(std::memory_order_relaxed)) return false;
        run = {buffer_.get(), writeIndex_, readIndex_, length_, lastOutput_};
        return true;
    }
    void setDelay(Run& run, float delay) const noexcept { run.setDelay(delay); }
    void end(const Run& run) noexcept {
        writeIndex_ = run.write;
        readIndex_ = run.read;
        lastOutput_ = run.last;
    }

    int32_t length() const noexcept { return length_; }
    int32_t writeIndex() const noexcept { return writeIndex_; }
    int32_t readIndex() const noexcept { return readIndex_; }
    float lastOutput() const noexcept { return lastOutput_; }
    float cell(int32_t index) const noexcept { return buffer_[index]; }
    bool busy() const noexcept { return busy_.load(std::memory_order_relaxed); }
    // For tests of the busy state: resize sets it itself.
    void setBusyForTest(bool busy) noexcept { busy_.store(busy, std::memory_order_relaxed); }

private:
    static int32_t lengthFor(int32_t maximumDelay) noexcept;
    bool allocate(int32_t length);
    static int32_t readIndexFor(float delay, int32_t writeIndex, int32_t length) noexcept;

    int32_t writeIndex_ = 0;
    int32_t readIndex_ = 0;
    int32_t length_ = 1;
    float lastOutput_ = 0.0f;
    std::unique_ptr<float[]> buffer_;
    std::atomic<bool> busy_{false}; // read by the audio thread while resume resizes
};

inline int32_t DelayLine::readIndexFor(float delay, int32_t writeIndex, int32_t length) noexcept {
    const int32_t largest = length - 1;
    float position;
    if (delay != delay) position = static_cast<float>(writeIndex);
    else if (delay > static_cast<float>(largest)) position = static_cast<float>(writeIndex + 1);
    else if (delay < 0.0f) position = static_cast<float>(writeIndex);
    else position = static_cast<float>(writeIndex) - delay;
    while (position < 0.0f) position += static_cast<float>(length);
    int32_t index = static_cast<int32_t>(position);
    if (index >= length) index = 0; // the cell after the last one is cell 0
    return index;
}

} // namespace zk
