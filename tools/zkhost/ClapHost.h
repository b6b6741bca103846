#pragma once

// Drives one instance of a CLAP plug-in the way hosts do: the entry and factory, the host
// record with the extensions a plug-in calls (log, thread-check, params, state, audio and
// note ports, latency, tail, gui, timer-support and, on POSIX systems, posix-fd-support),
// processing with events at their frames, state through streams, and the embedded panel.
// Written against the interface only: any CLAP plug-in works. The module's first plug-in
// is the one hosted.

#include "formats/clap/ClapAbi.h"
#include "tools/zkhost/ClapEvents.h"
#include "tools/zkhost/HostedPlugin.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace zkhost {

class ClapHost final : public HostedPlugin {
public:
    // Initialises the entry, creates and initialises the first plug-in; throws HostError.
    ClapHost(const clap::clap_plugin_entry* entry, const std::string& modulePath);
    ~ClapHost() override;
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    // HostedPlugin
    const char* formatName() const override { return "CLAP"; }
    std::string name() override { return descriptor_->name ? descriptor_->name : ""; }
    void printInfo(std::ostream& out, bool json) override; // ClapInfo.cpp
    void applyState(const StateOptions& state) override;   // ClapState.cpp
    void saveState(const StateOptions& state) override;    // ClapState.cpp
    std::vector<uint8_t> saveStateBytes(int32_t bytesPerCall) override;                // ClapState.cpp
    bool loadStateBytes(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) override; // ClapState.cpp
    std::vector<Preset> presets() override;                // ClapPresets.cpp
    void choosePreset(const std::string& name) override;
    // A preset the discovery factory told of, with where the plug-in loads it from.
    struct FoundPreset {
        std::string name, description;
        uint32_t kind;
        std::string key;
        bool hasKey;
    };
    int32_t numParams() override { return static_cast<int32_t>(params_.size()); }
    std::string paramName(int32_t index) override { return params_.at(static_cast<size_t>(index)).name; }
    float getParameter(int32_t index) override;
    // Through params.flush, at once.
    void setParameter(int32_t index, float value) override;
    int32_t numInputs() override { return channelCount(audioInputs_); }
    int32_t numOutputs() override { return channelCount(audioOutputs_); }
    // Every channel message on a MIDI note port; notes on one of CLAP's own dialect.
    bool takesMidi(uint8_t status) override;
    bool canAccumulate() override { return false; }
    void start(double sampleRate, int32_t maxBlock) override;
    void stop() override;
    // Parameter changes as param-value events, MIDI as MIDI events on the first note input
    // (note events where it takes only CLAP's own), each at its frame.
    void process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events,
                 bool accumulate) override;
    PanelSize panelSize() override;
    void openPanel(const PanelParent& parent) override;
    void idlePanel() override { runMainLoop({}); }
    void closePanel() override;
    std::vector<WatchedDescriptor> watchedDescriptors() override;
    Clock::time_point nextTimer() override;
    void runMainLoop(const std::vector<WatchedDescriptor>& ready) override;

    // Handed to gui.set_scale before the panel's size is asked.
    bool setPanelScale(double scale) override {
        panelScale_ = scale;
        return true;
    }

    // A MIDI message delivered now, in a block of one silent frame (activating if need be).
    void sendMidiNow(const uint8_t* bytes);

    // The plug-in's calls to the host; ClapHostCallbacks.cpp routes the host record here.
    const void* hostExtension(const char* id); // ClapHostCallbacks.cpp
    void requestRestart() { restartRequested_ = true; }
    void requestProcess() {}
    void requestCallback() { callbackRequested_ = true; }
    void log(int32_t severity, const char* message);
    bool isMainThread() const { return std::this_thread::get_id() == mainThread_ && !audioContext_; }
    bool isAudioThread() const { return std::this_thread::get_id() == mainThread_ && audioContext_; }
    void rescanParams(uint32_t flags);
    void requestFlush() { flushRequested_ = true; }
    bool registerTimer(uint32_t periodMs, clap::clap_id* id);
    bool unregisterTimer(clap::clap_id id);
    bool registerDescriptor(int fd, uint32_t flags);
    bool modifyDescriptor(int fd, uint32_t flags);
    bool unregisterDescriptor(int fd);
    // A main-thread entry of the host called elsewhere: said on stderr and counted.
    void expectMainThread(const char* what);

private:
    struct Param {
        clap::clap_id id;
        void* cookie;
        uint32_t flags;
        std::string name, module;
        double min, max, defaultValue;
    };
    struct Timer {
        uint32_t periodMs;
        Clock::time_point due;
    };
    static int32_t channelCount(const std::vector<clap::clap_audio_port_info>& ports);
    std::vector<FoundPreset> discoverPresets();
    template <typename T> const T* extension(const char* id);
    void readPorts();
    void readParams();
    double plainValue(int32_t index, float normalised) const;
    float normalisedValue(int32_t index, double plain) const;
    std::string valueText(int32_t index, double plain);
    // The plug-in's events, turned into edits; frame -1 outside processing.
    void takeOutputEvents(int64_t blockStart);
    void flush(const ClapInputEvents& in);
    void restart();
    void fillTransport(int64_t frame);
    void createPanel();
    void destroyPanel();

    const clap::clap_plugin_entry* entry_;
    std::string modulePath_;
    clap::clap_host host_{};
    const clap::clap_plugin_descriptor* descriptor_ = nullptr;
    const clap::clap_plugin* plugin_ = nullptr;
    std::thread::id mainThread_;
    std::atomic<bool> audioContext_{false}; // read by the thread check, which any thread may call

    const clap::clap_plugin_params* paramsExt_ = nullptr;
    const clap::clap_plugin_state* state_ = nullptr;
    const clap::clap_plugin_audio_ports* audioPorts_ = nullptr;
    const clap::clap_plugin_note_ports* notePorts_ = nullptr;
    const clap::clap_plugin_gui* gui_ = nullptr;
    const clap::clap_plugin_preset_load* presetLoad_ = nullptr;
    const clap::clap_plugin_latency* latency_ = nullptr;
    const clap::clap_plugin_tail* tail_ = nullptr;
    const clap::clap_plugin_timer_support* timerSupport_ = nullptr;
    const clap::clap_plugin_posix_fd_support* descriptorSupport_ = nullptr;

    std::vector<Param> params_;
    std::map<clap::clap_id, int32_t> indexOfId_;
    std::vector<clap::clap_audio_port_info> audioInputs_, audioOutputs_;
    std::vector<clap::clap_note_port_info> noteInputs_, noteOutputs_;

    bool active_ = false, processing_ = false;
    double sampleRate_ = 44100;
    int32_t maxBlock_ = 512;
    int64_t steadyTime_ = 0;
    bool sleeping_ = false; // the last process call answered CLAP_PROCESS_SLEEP
    clap::clap_event_transport transport_{};
    ClapInputEvents inputEvents_;
    ClapOutputEvents outputEvents_;
    std::vector<clap::clap_audio_buffer> inputBuffers_, outputBuffers_;

    std::atomic<bool> restartRequested_{false}, callbackRequested_{false}, flushRequested_{false};
    std::map<clap::clap_id, Timer> timers_;
    clap::clap_id nextTimerId_ = 1;
    std::map<int, uint32_t> descriptors_;

    bool panelCreated_ = false, panelShown_ = false;
    double panelScale_ = 1.0;
    const char* windowApi_;
};

} // namespace zkhost
