#pragma once

// A small LV2 host for the tests: the built DSP binary loaded with dlopen, one instance
// with the features a test chooses, its ports in buffers of the test's own, the events
// input filled with MIDI and the UI's messages, the notify output read back, state kept
// in memory, and the worker's jobs run when the test says.

#include "formats/lv2/Lv2Protocol.h"
#include "tests/support/Stereo.h"
#include "tools/zkhost/Lv2Host.h"

#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lv2test {

// zkhost's URID table, with our URIDs mapped in it as both ends of the plug-in's messages
// use them.
class Urids : public zkhost::UridTable {
public:
    Urids() { ours_.mapAll(*mapFeature()); }
    const zk::lv2::Urids& ours() const { return ours_; }

private:
    zk::lv2::Urids ours_;
};

// The atom write(forge) makes in at most `capacity` bytes (1024 at the most); empty when it
// does not fit.
template <typename Write>
std::vector<uint8_t> forged(Urids& urids, Write&& write, size_t capacity = 1024) {
    alignas(8) uint8_t buffer[1024] = {};
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, urids.mapFeature());
    lv2_atom_forge_set_buffer(&forge, buffer, std::min(capacity, sizeof buffer));
    if (!write(forge)) return {};
    const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
    return std::vector<uint8_t>(buffer, buffer + sizeof(LV2_Atom) + atom->size);
}

// The saved properties, as a host keeps them.
struct StateValue {
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
    bool operator==(const StateValue&) const = default;
};
using State = std::map<LV2_URID, StateValue>;

using zktest::Stereo;
using zktest::noise;

const LV2_Descriptor& dspDescriptor(); // the built binary's, loaded once

class Instance {
public:
    struct Setup {
        double rate = 48000;
        bool map = true;
        bool options = true;
        bool worker = true;
    };
    Instance();
    explicit Instance(const Setup& setup);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool made() const { return handle_ != nullptr; }
    Urids& urids() { return urids_; }

    float& control(int32_t parameter) { return controls_[size_t(parameter)]; }
    void midi(uint32_t frame, std::vector<uint8_t> bytes);
    // A message to the plug-in as its UI sends it, for the next run.
    void panelOpened();
    void panelClosed();
    void panelCommand(int32_t tag, float value);
    // Any atom for the events input, at frame 0.
    void event(const std::vector<uint8_t>& atom, uint32_t frame = 0);
    void setNotifyBytes(uint32_t bytes) { notifyBytes_ = bytes; }
    void connectEvents(bool inputs, bool notify) { eventsConnected_ = inputs, notifyConnected_ = notify; }
    // The host's bypass switch (lv2:enabled), or null to leave it unconnected.
    void connectEnabled(const float* enabled);

    void activate();
    void deactivate();
    // One run; the queued events go with it.
    void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames);
    // Runs `input` through in blocks of `block` frames.
    Stereo render(const Stereo& input, uint32_t block);

    // What the last run wrote to the notify port.
    std::vector<zk::lv2::Message> messages() const;
    int stateChangedCount() const;

    State save();
    LV2_State_Status restore(const State& state);
    // The worker's jobs scheduled so far: worked, and their responses given to the plug-in.
    int runWorker();

private:
    std::vector<const LV2_Atom*> notified() const; // the events of the last run's notify port
    Urids urids_;
    LV2_Handle handle_ = nullptr;
    bool active_ = false;
    std::array<float, 54> controls_{};
    std::vector<uint64_t> eventsIn_, notify_;
    std::vector<std::vector<uint8_t>> queued_; // LV2_Atom_Event records
    uint32_t notifyBytes_ = 8192;
    bool eventsConnected_ = true, notifyConnected_ = true;
    int32_t maxBlock_ = 16384;
    float rateOption_ = 0;
    std::vector<LV2_Options_Option> options_;
    LV2_Worker_Schedule schedule_{};
    std::vector<std::vector<uint8_t>> jobs_, responses_;
};

} // namespace lv2test
