#pragma once

// The events of one block as the effect takes them, whatever format brought them: MIDI
// messages (the three bytes) and parameter changes, each at a frame of the block.
// 1. The wrapper lays its format's own list out through BlockEvents, without copying it;
//    formats whose events are already plain arrays use EventArray.
// 2. It hands the list to Effect::process (or, before the block, to queueEvents).
// 3. The effect reads the events in order as the block reaches their frames, on the audio
//    thread, and lets go of the list before process returns.

#include <cstdint>

namespace zk {

struct BlockEvent {
    enum class Kind : uint8_t {
        other,     // an event the effect does not take (system exclusive, notes of other kinds ...)
        midi,      // a MIDI message
        parameter, // a host's change of a parameter at this frame
    };
    int32_t frame = 0; // offset in the block; 0 and below mean at once
    Kind kind = Kind::other;
    uint8_t midi[3] = {}; // kind midi: status, data 1, data 2
    int32_t parameter = 0; // kind parameter: the index (0 .. kNumParameters - 1)
    float value = 0.0f;    //   and the value, as setParameter takes it
};

// A block's events in the order the host gave them, which should be by frame; an event whose
// frame has passed when its turn comes is acted on at once.
class BlockEvents {
public:
    virtual ~BlockEvents() = default;
    // [audio] The number of events.
    virtual int32_t size() const noexcept = 0;
    // [audio] Event `index` (0 .. size() - 1). Every event of another kind still holds its
    // place in the order: it is due at its frame like the others.
    virtual BlockEvent at(int32_t index) const noexcept = 0;
};

// Events that already lie in an array.
class EventArray final : public BlockEvents {
public:
    EventArray(const BlockEvent* events, int32_t count) noexcept : events_(events), count_(events ? count : 0) {}
    int32_t size() const noexcept override { return count_; }
    BlockEvent at(int32_t index) const noexcept override { return events_[index]; }

private:
    const BlockEvent* events_;
    int32_t count_;
};

} // namespace zk
