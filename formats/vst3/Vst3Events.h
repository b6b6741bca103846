#pragma once

// A process call's parameter changes as the effect takes them, and the changes the effect
// makes itself during the call, as the process call hands them back. Both keep their
// entries in storage taken once, so the audio thread never allocates.

#include "core/BlockEvents.h"
#include "formats/vst3/Vst3Abi.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace zk {

// The points of the host's queues in frame order (queue order among points at one frame):
// a change of one of the effect's parameters as that, the program parameter as a MIDI
// Program Change, a mapped controller as its Control Change. Points outside the block are
// moved to its first or last frame; points of ids the plug-in does not have are skipped.
class Vst3BlockEvents final : public BlockEvents {
public:
    static constexpr int32_t kCapacity = 8192; // points of one block beyond this are dropped

    Vst3BlockEvents();
    // [audio] Reads the queues of one block of `frames` (0: a call that only brings changes,
    // all taken at frame 0). The effect's parameters whose bits are set in `held` (those
    // the user is dragging on the panel, 1 << index) are left alone.
    void read(vst3::IParameterChanges* changes, int32_t frames, uint64_t held) noexcept;

    int32_t size() const noexcept override { return count_; }
    // Also remembers the event's frame: what the effect reports while it acts on the event
    // happened there.
    BlockEvent at(int32_t index) const noexcept override;
    int32_t lastFrame() const noexcept { return lastFrame_; }
    // The block's last bypass change: 1 on, 0 off, -1 none.
    int32_t bypassChange() const noexcept { return bypass_; }

private:
    struct Entry {
        BlockEvent event;
        int32_t order;
    };
    void add(const BlockEvent& event) noexcept;
    void sort() noexcept;

    std::unique_ptr<std::array<Entry, kCapacity>> entries_;
    int32_t count_ = 0;
    mutable int32_t lastFrame_ = 0;
    int32_t bypass_ = -1;
};

// What the effect reported inside one process call, handed to the host's output changes
// at the end of the call.
class Vst3OutputChanges {
public:
    static constexpr int32_t kCapacity = 4096; // later reports of one block are dropped

    Vst3OutputChanges();
    // [audio]
    void add(vst3::ParamID id, int32_t frame, double value) noexcept;
    // [audio] Passes everything on (each parameter's points in the order they came) and
    // empties the list; with no host list the reports are dropped.
    void handOver(vst3::IParameterChanges* out) noexcept;
    int32_t size() const noexcept { return count_; }

private:
    struct Entry {
        vst3::ParamID id;
        int32_t frame;
        double value;
    };
    std::unique_ptr<std::array<Entry, kCapacity>> entries_;
    int32_t count_ = 0;
};

} // namespace zk
