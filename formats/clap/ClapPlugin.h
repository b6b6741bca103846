#pragma once

// The plug-in as a CLAP plug-in: the plug-in record's entries and its extensions (audio and
// note ports, params, state, gui, latency, tail, timer and descriptor support) turned into
// the effect's format-neutral calls, and the effect's HostServices turned into what a CLAP
// host is told. How a host drives it:
// 1. create_plugin builds this object and nothing else; init builds the effect (through the
//    entry's factory) and takes the host's extensions it uses: params, tail, thread-check,
//    timer-support, posix-fd-support.
// 2. activate sets the rate and the largest block and switches the effect on; process runs
//    a block with its events at their frames, in place or not; deactivate switches it off.
// 3. The plug-in's own changes: the panel's edits wait in a queue and go out as gestures
//    and values in the next process call or, when the host is not processing, in the flush
//    the plug-in asks for; MIDI-driven moves go out inside the process call that made
//    them, marked not to be recorded; a program change or a state load has the host
//    rescan the values, from the main thread (asked for through request_callback when it
//    happens on the audio thread).
// 4. State: the bank chunk and the current program behind a small header (ClapState.cpp).
// 5. Panel: embedded in the host's window; the host's timer (and on Linux the window
//    system's descriptor) drive its idle (ClapGui.cpp).
// 6. destroy closes the panel, switches the effect off and deletes everything.
// Thread tags as in ClapAbi.h.

#include "core/Effect.h"
#include "core/HostServices.h"
#include "formats/clap/ClapAbi.h"
#include "formats/clap/ClapEventLists.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zk {

class ClapPlugin final : private HostServices {
public:
    using EffectFactory = std::function<std::unique_ptr<Effect>(HostServices& host)>;

    // [main] Builds nothing yet: init does.
    ClapPlugin(const clap::clap_host* host, const clap::clap_plugin_descriptor* descriptor, EffectFactory makeEffect);
    ~ClapPlugin() override;
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const clap::clap_plugin* record() const noexcept { return &record_; }
    // The object behind a record of ours; null for none.
    static ClapPlugin* of(const clap::clap_plugin* plugin) noexcept;

    // The plug-in record's entries.
    bool init() noexcept;                                                        // [main]
    bool activate(double sampleRate, uint32_t maxFrames) noexcept;               // [main]
    void deactivate() noexcept;                                                  // [main]
    void reset() noexcept;                                                       // [audio]
    clap::clap_process_status process(const clap::clap_process* process) noexcept; // [audio]
    const void* extension(const char* id) const noexcept;                        // [any]
    void onMainThread() noexcept;                                                // [main]

    // params (ClapParams.cpp): the effect's, then the bypass
    uint32_t parameterCount() const noexcept;                                        // [main]
    bool parameterInfo(uint32_t index, clap::clap_param_info* info) const noexcept;   // [main]
    bool parameterValue(clap::clap_id id, double* value) const noexcept;             // [main]
    bool valueToText(clap::clap_id id, double value, char* text, uint32_t capacity) const noexcept; // [main]
    bool textToValue(clap::clap_id id, const char* text, double* value) const noexcept;            // [main]
    // [audio] while active, else [main]: the host's changes, and the panel's for the host.
    void flush(const clap::clap_input_events* in, const clap::clap_output_events* out) noexcept;
    uint32_t tail() const noexcept; // [main, audio]

    // state (ClapState.cpp) [main]
    bool saveState(const clap::clap_ostream* stream) noexcept;
    bool loadState(const clap::clap_istream* stream) noexcept;

    // preset-load (ClapPresets.cpp) [main]: a preset of the factory set into the current program
    bool loadPreset(uint32_t kind, const char* location, const char* key) noexcept;

    // gui, timer and descriptor support (ClapGui.cpp) [main]
    static bool windowApiSupported(const char* api, bool floating) noexcept;
    bool createPanel(const char* api, bool floating) noexcept;
    void destroyPanel() noexcept;
    // The host's scale for the panel (gui.set_scale): false where the panel cannot take it.
    // A shown panel is made anew at it, and the host asked for the new size.
    bool setPanelScale(double scale) noexcept;
    bool panelSize(uint32_t* width, uint32_t* height) const noexcept;
    // The host resizing the panel by its window: the nearest size it takes, and taking one.
    bool adjustPanelSize(uint32_t* width, uint32_t* height) const noexcept;
    bool setPanelSize(uint32_t width, uint32_t height) noexcept;
    bool setPanelParent(const clap::clap_window* window) noexcept;
    bool showPanel() noexcept;
    bool hidePanel() noexcept;
    void onTimer(clap::clap_id timer) noexcept;
    void onDescriptor(int fd) noexcept;

    Effect& effect() noexcept { return *effect_; }

private:
    // HostServices
    void beginGesture(int32_t index) noexcept override;
    void endGesture(int32_t index) noexcept override;
    void parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept override;
    void allParametersChanged(ChangeOrigin origin) noexcept override;
    void displayChanged() noexcept override {}
    void wantMidi() noexcept override {}
    void resizePanel(PanelSize size) noexcept override; // gui.request_resize

    // A call of the host's into which the plug-in's changes go as output events.
    class EventCall;
    bool onTheMainThread() const noexcept;
    void report(const ParameterReport& report) noexcept;
    // The queued reports into `out` (at frame 0), in order, as far as the host takes them.
    void sendReports(const clap::clap_output_events* out) noexcept;
    static bool pushValue(const clap::clap_output_events* out, uint32_t time, uint32_t id, double value,
                          uint32_t flags) noexcept;
    void askForRescan() noexcept;
    clap::clap_id bypassId() const noexcept { return static_cast<clap::clap_id>(effect_->parameterCount()); }
    // The host's bypass changes among `events`; the last one holds.
    void takeBypass(const clap::clap_input_events* events) noexcept;
    void setBypass(bool bypassed) noexcept { effect_->setBypass(bypassed); }
    const clap::clap_host_preset_load* hostPresets() const noexcept { return hostPresetLoad_; }
    void reportTailChange() noexcept;
    bool openPanelIn() noexcept;
    void closeOpenPanel() noexcept;

    clap::clap_plugin record_{};
    const clap::clap_host* host_;
    EffectFactory makeEffect_;
    std::unique_ptr<Effect> effect_;

    const clap::clap_host_params* hostParams_ = nullptr;
    const clap::clap_host_tail* hostTail_ = nullptr;
    const clap::clap_host_thread_check* hostThreads_ = nullptr;
    const clap::clap_host_timer_support* hostTimers_ = nullptr;
    const clap::clap_host_posix_fd_support* hostDescriptors_ = nullptr;
    const clap::clap_host_gui* hostGui_ = nullptr;
    const clap::clap_host_preset_load* hostPresetLoad_ = nullptr;

    bool active_ = false;
    int quiet_ = 0; // inside init and activate: the values the effect re-applies are not news
    ClapInputEventList events_;
    const clap::clap_output_events* out_ = nullptr; // of the call in progress, for MIDI-driven moves
    uint32_t lastOutTime_ = 0;
    std::vector<float> silence_; // the input of a block the host gives none
    ReportQueue reports_;
    std::array<bool, 64> gestureOpen_{}; // as the host was told, by parameter
    std::atomic<bool> rescanWanted_{false};
    std::atomic<bool> tailMayChange_{false};
    uint32_t reportedTail_ = 0;

    bool panelCreated_ = false;
    bool panelOpen_ = false;
    void* parentWindow_ = nullptr;
    clap::clap_id timer_ = clap::CLAP_INVALID_ID;
    int descriptor_ = -1;
};

} // namespace zk
