#pragma once

// The plug-in as an LV2 plug-in instance (the DSP binary; its UI is Lv2Ui, apart from it).
// How a host uses it:
// 1. Instantiate [main]: the sample rate and the host's features. The URID map, the
//    options (block length) and the worker are used where given: without a map the
//    plug-in still plays, but takes no MIDI, says nothing on its notify port and keeps no
//    state. A rate outside 1 Hz .. 10 MHz refuses the instance.
// 2. connect_port [any, never during run]: the audio ports, one control port per parameter,
//    the events input (MIDI and the UI's messages) and the notify output.
// 3. activate, run [audio], deactivate. Each run applies the control ports the host changed
//    (ControlPortSync), acts on the UI's messages, processes the block with its MIDI at
//    the events' frames, and writes to the notify port what changed inside the plug-in.
// 4. State [main]: save writes the bank chunk, the current program and the state's version;
//    restore takes them only all together and intact, else it changes nothing and fails.
//    An empty state (none of the three) resets to a new instance's state.
// 5. Worker: saving the defaults writes a file, which the audio thread never does; the
//    host's worker thread does it and the outcome goes to the UI as a notice.
// 6. cleanup [main].

#include "core/PluginEffect.h"
#include "formats/lv2/ControlPortSync.h"
#include "formats/lv2/Lv2Protocol.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace zk::lv2 {

// The block's MIDI events as the effect reads them, straight from the host's sequence.
class SequenceEvents final : public BlockEvents {
public:
    // [audio] `sequence` may be null; `frames` > 0.
    void reset(const LV2_Atom_Sequence* sequence, uint32_t frames, LV2_URID midiEvent) noexcept;
    int32_t size() const noexcept override { return count_; }
    BlockEvent at(int32_t index) const noexcept override;

private:
    const LV2_Atom_Sequence* sequence_ = nullptr;
    uint32_t frames_ = 1;
    LV2_URID midiEvent_ = 0;
    int32_t count_ = 0;
    // The effect reads the events in order: the last one read is kept to step on from.
    mutable const LV2_Atom_Event* cursor_ = nullptr;
    mutable int32_t cursorIndex_ = -1;
};

class Lv2Plugin final : private HostServices {
public:
    // The instance, or null when the host's rate or features do not do.
    static std::unique_ptr<Lv2Plugin> create(double sampleRate, const LV2_Feature* const* features,
                                             SettingsStore& settings) noexcept;
    ~Lv2Plugin() override;

    void connectPort(uint32_t port, void* data) noexcept;
    void activate() noexcept;
    void run(uint32_t frames) noexcept;
    void deactivate() noexcept;

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle) noexcept;
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) noexcept;
    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                           const void* data) noexcept;
    LV2_Worker_Status workResponse(uint32_t size, const void* data) noexcept;

    PluginEffect& effect() noexcept { return *effect_; }

private:
    // What the effect asks of the user in this process: the questions were put on the
    // panel before its commands came, so they are answered as the user did there; notices
    // of a worker's job go back with its response, the others to stderr.
    class Messages final : public MessageService {
    public:
        static constexpr int kMaxNotices = 4;
        struct Notice {
            char text[sizeof Message::text];
            char title[sizeof Message::title];
        };
        struct Notices {
            int32_t count = 0;
            Notice items[kMaxNotices];
        };
        void showMessage(const char* text, const char* title, void* window) noexcept override;
        void askYesNo(const char* text, const char* title, void* window, Answer answer) noexcept override;
        // While it lives, on its thread, questions are answered Yes and notices collected.
        class Confirmed {
        public:
            explicit Confirmed(Notices* collect) noexcept;
            ~Confirmed();
        };
    };

    Lv2Plugin() = default;

    // HostServices: the effect's reports, collected for the notify port.
    void beginGesture(int32_t) noexcept override {}
    void endGesture(int32_t) noexcept override {}
    void parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept override;
    void allParametersChanged(ChangeOrigin origin) noexcept override;
    void displayChanged() noexcept override {}
    void wantMidi() noexcept override {}

    void applyControlPorts() noexcept;
    void takePanelMessages() noexcept;
    void carryOutCommand(int32_t tag, float value) noexcept;
    void writeNotifications() noexcept;
    // Appends the message `write` forges to the notify port; false when it did not fit.
    template <typename Write> bool notify(Write&& write) noexcept;

    Messages messages_;
    std::unique_ptr<PluginEffect> effect_;
    bool mapped_ = false; // urids_ hold the host's numbers
    Urids urids_;
    const LV2_Worker_Schedule* worker_ = nullptr;

    std::array<const float*, 2> audioIn_{};
    std::array<float*, 2> audioOut_{};
    std::array<const float*, kNumParameters> controls_{};
    const LV2_Atom_Sequence* eventsIn_ = nullptr;
    LV2_Atom_Sequence* notifyOut_ = nullptr;
    const float* enabled_ = nullptr;
    uint32_t notifyCapacity_ = 0; // bytes of the notify port's sequence body this block; 0: no output
    SequenceEvents midi_;
    ControlPortSync ports_;

    // News for the notify port, kept until they fit. Audio thread, except where atomic.
    bool inRun_ = false;
    bool active_ = false; // between activate and deactivate: run may come
    bool stateChanged_ = false;
    std::atomic<bool> allValuesChanged_{true};
    std::atomic<bool> controllersChanged_{true};
    uint64_t changedValues_ = 0; // bit per parameter
    std::array<float, kNumParameters> changedValue_{};
    std::array<int32_t, kNumParameters> knownControllers_{};
    uint32_t lamps_ = 0;
    bool lampsChanged_ = true;
    int32_t openPanels_ = 0;
    Messages::Notices notices_;
    LV2_Atom_Forge forge_{}; // the URIDs of the atom types, for every message forged
    alignas(8) std::array<uint8_t, 1024> scratch_{};

    std::vector<uint8_t> newInstanceBank_; // what an empty state restores
};

} // namespace zk::lv2
