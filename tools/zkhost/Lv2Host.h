#pragma once

// Drives one LV2 plug-in the way hosts do, through lilv (Debian's liblilv-dev): the
// plug-in found from a bundle folder or its URI, the host's features (URID map and unmap,
// options with the sample rate and block lengths, the worker, a log), control ports as
// parameters, MIDI and the UI's messages as atom events at their frames, state through
// lilv's state files, and an X11 UI embedded in zkhost's window. Written against the
// interface only: any LV2 plug-in works.
// Parameters are the control input ports in port order. A control port holds one value
// for a whole call, so a change inside a block splits it there. The instance is made at
// 44100 Hz; start() at another rate makes it again at that rate and restores the old
// instance's state into it, as a host re-creates an instance when its rate changes.

#include "tools/zkhost/HostedPlugin.h"

#include <lilv/lilv.h>
#include <lv2/presets/presets.h>
#include <lv2/atom/atom.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdarg>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace zkhost {

// Whether `where` names an LV2 plug-in: a folder (a bundle) or a URI.
bool looksLikeLv2(const std::string& where);

// This host's URIDs: every URI gets a number of its own, and back.
class UridTable {
public:
    UridTable();
    UridTable(const UridTable&) = delete;
    UridTable& operator=(const UridTable&) = delete;
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid) const;
    LV2_URID_Map* mapFeature() { return &map_; }
    LV2_URID_Unmap* unmapFeature() { return &unmap_; }

private:
    std::map<std::string, LV2_URID> ids_;
    std::deque<std::string> uris_; // stable addresses for unmap
    LV2_URID_Map map_{};
    LV2_URID_Unmap unmap_{};
};

class Lv2Host final : public HostedPlugin {
public:
    // Finds the plug-in and makes an instance at 44100 Hz; throws HostError.
    explicit Lv2Host(const std::string& where);
    ~Lv2Host() override;
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    // HostedPlugin
    const char* formatName() const override { return "LV2"; }
    std::string name() override;
    void printInfo(std::ostream& out, bool json) override; // Lv2Info.cpp
    void applyState(const StateOptions& state) override;   // Lv2State.cpp
    void saveState(const StateOptions& state) override;    // Lv2State.cpp
    std::vector<uint8_t> saveStateBytes(int32_t bytesPerCall) override;                // Lv2State.cpp
    bool loadStateBytes(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) override; // Lv2State.cpp
    std::vector<Preset> presets() override;
    void choosePreset(const std::string& name) override;
    int32_t numParams() override { return static_cast<int32_t>(parameterPorts_.size()); }
    std::string paramName(int32_t index) override { return port(index).name; }
    // The host's view: the value in the control port.
    float getParameter(int32_t index) override;
    void setParameter(int32_t index, float value) override;
    int32_t numInputs() override { return static_cast<int32_t>(audioInputs_.size()); }
    int32_t numOutputs() override { return static_cast<int32_t>(audioOutputs_.size()); }
    // Channel messages, where an event input takes MIDI.
    bool takesMidi(uint8_t status) override;
    bool canAccumulate() override { return false; }
    void start(double sampleRate, int32_t maxBlock) override;
    void stop() override;
    void process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events,
                 bool accumulate) override;
    bool setPanelScale(double scale) override { // the UI's ui:scaleFactor option
        panelScale_ = scale;
        return true;
    }
    PanelSize panelSize() override;                        // Lv2Panel.cpp
    void openPanel(const PanelParent& parent) override;    // Lv2Panel.cpp
    void idlePanel() override;                             // Lv2Panel.cpp
    void closePanel() override;                            // Lv2Panel.cpp

    // A MIDI message delivered now, in a block of one silent frame (activating if need be).
    void sendMidiNow(const uint8_t* bytes, uint32_t length);

    // The plug-in's and its UI's calls to the host.
    LV2_Worker_Status scheduleWork(uint32_t size, const void* data);
    LV2_Worker_Status respond(uint32_t size, const void* data);
    void uiWrite(uint32_t portIndex, uint32_t size, uint32_t protocol, const void* buffer);
    void uiTouch(uint32_t portIndex, bool grabbed);
    void uiResize(int width, int height);
    // The plug-in's log, to stderr as "zkhost: plug-in SEVERITY: TEXT".
    int log(LV2_URID type, const char* format, va_list args);

private:
    enum class PortKind { audioIn, audioOut, controlIn, controlOut, eventsIn, eventsOut, unknown };
    struct Port {
        uint32_t index = 0;
        PortKind kind = PortKind::unknown;
        std::string symbol, name;
        float minimum = 0, maximum = 1, defaultValue = 0;
        bool optional = false, midi = false;
        bool enabled = false;     // the host's bypass switch (lv2:enabled): no parameter, left on
        uint32_t bufferBytes = 0; // event ports
    };
    struct AlignedBuffer {
        std::vector<uint64_t> words;
        LV2_Atom_Sequence* sequence() { return reinterpret_cast<LV2_Atom_Sequence*>(words.data()); }
        uint32_t bytes() const { return static_cast<uint32_t>(words.size() * sizeof(uint64_t)); }
    };
    struct UiPlug; // Lv2Panel.cpp

    const Port& port(int32_t parameter) const { return ports_.at(parameterPorts_.at(static_cast<size_t>(parameter))); }
    void findPlugin(const std::string& where);
    void keepBinaryLoaded();
    void readPorts();
    void buildFeatures();
    void instantiate(double sampleRate);
    void destroyInstance();
    void activate();
    void deactivate();
    // One run of `frames` with the events given (frames relative to the run), then the
    // worker's jobs, then what the plug-in wrote to its event outputs.
    void runSegment(float** inputs, float** outputs, int32_t offset, int32_t frames,
                    const std::vector<const HostEvent*>& midi, int32_t midiOffset);
    void takeEventOutputs(int64_t frame);
    // A run of no frames, in which the plug-in takes the control ports' values.
    void settlePorts();
    void runWorker();
    void applyLilvState(LilvState* state, const std::string& what);
    void restoreState(const std::string& path); // Lv2State.cpp
    // A state file's text; FormatError names `what` when lilv or the plug-in refuses it.
    void restoreStateText(const std::vector<uint8_t>& text, const std::string& what);

    std::string where_;
    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    UridTable urids_;
    std::vector<Port> ports_;
    std::vector<size_t> parameterPorts_, audioInputs_, audioOutputs_;
    std::vector<float> controlValues_; // by port index
    std::map<uint32_t, AlignedBuffer> eventBuffers_;
    std::vector<uint8_t> pendingUiEvents_; // LV2_Atom_Event records for the next run

    // Features; the options point at the fields below.
    double sampleRate_ = 44100;
    float sampleRateOption_ = 44100;
    int32_t minBlock_ = 1, maxBlock_ = 4096, nominalBlock_ = 512, sequenceBytes_ = 65536;
    std::vector<LV2_Options_Option> options_;
    LV2_Worker_Schedule schedule_{};
    LV2_Log_Log log_{};
    std::vector<LV2_Feature> featureRecords_;
    std::vector<const LV2_Feature*> features_;

    const void* workerInterface_ = nullptr;
    std::vector<std::vector<uint8_t>> jobs_, responses_;
    bool active_ = false;
    bool started_ = false; // between start and stop: the host's blocks run

    UiPlug* ui_ = nullptr;
    PanelSize uiSize_{0, 0};
    double panelScale_ = 0; // none given
    std::vector<float> uiKnownValues_;                         // control values the UI was told
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> uiEvents_; // event outputs still to tell it
};

} // namespace zkhost
