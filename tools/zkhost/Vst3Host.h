#pragma once

// Drives one VST3 plug-in the way hosts do: the module's entry and factory, the first
// audio-effect class, its processor and edit controller (one object or two, connected both
// ways), the controller given the processor's state, processing with the block's parameter
// changes and events, the plug-in's own changes (component handler, output parameter
// changes), state through streams, and the panel with its frame and run loop. MIDI Control
// Change, aftertouch and pitch bend reach the plug-in through its MIDI mapping as parameter
// changes, Program Change through its program-change parameter, notes as events. Written
// against the interface only: any VST3 plug-in works.

#include "formats/vst3/Vst3Abi.h"
#include "tools/zkhost/HostedPlugin.h"
#include "tools/zkhost/Vst3HostObjects.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zkhost {

class Vst3Host final : public HostedPlugin, private Vst3HostEvents {
public:
    // Enters the module (ModuleEntry or InitDll), creates, initialises and connects the first
    // audio-effect class and its controller; throws HostError.
    Vst3Host(void* library, const std::string& modulePath);
    ~Vst3Host() override;
    Vst3Host(const Vst3Host&) = delete;
    Vst3Host& operator=(const Vst3Host&) = delete;

    // HostedPlugin
    const char* formatName() const override { return "VST3"; }
    std::string name() override { return className_; }
    void printInfo(std::ostream& out, bool json) override; // Vst3Info.cpp
    void applyState(const StateOptions& state) override;   // Vst3HostState.cpp
    void saveState(const StateOptions& state) override;    // Vst3HostState.cpp
    std::vector<uint8_t> saveStateBytes(int32_t bytesPerCall) override;                // Vst3HostState.cpp
    bool loadStateBytes(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) override; // Vst3HostState.cpp
    std::vector<Preset> presets() override;                // Vst3Presets.cpp
    void choosePreset(const std::string& name) override;
    // The parameters the plug-in does not hide, in its order.
    int32_t numParams() override { return static_cast<int32_t>(params_.size()); }
    std::string paramName(int32_t index) override { return params_.at(static_cast<size_t>(index)).title; }
    float getParameter(int32_t index) override;
    // To the controller at once, and to the processor with the next block (or, while not
    // processing, in a call of its own that brings only changes).
    void setParameter(int32_t index, float value) override;
    int32_t numInputs() override { return inputChannels_; }
    int32_t numOutputs() override { return outputChannels_; }
    bool takesMidi(uint8_t status) override;
    bool canAccumulate() override { return false; }
    void start(double sampleRate, int32_t maxBlock) override;
    void stop() override;
    void process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events,
                 bool accumulate) override;
    bool setPanelScale(double scale) override { // handed to the view's content scale support
        panelScale_ = scale;
        return true;
    }
    PanelSize panelSize() override;
    void openPanel(const PanelParent& parent) override;
    void idlePanel() override { runMainLoop({}); }
    void closePanel() override;
    std::vector<WatchedDescriptor> watchedDescriptors() override;
    Clock::time_point nextTimer() override;
    void runMainLoop(const std::vector<WatchedDescriptor>& ready) override;

    // A MIDI message delivered now, in a block of one silent frame (starting if need be).
    void sendMidiNow(const uint8_t* bytes);
    // The component's state, and loading one (false: refused).
    std::vector<uint8_t> componentState(int32_t bytesPerCall = 0);
    bool loadComponentState(const std::vector<uint8_t>& bytes, int32_t bytesPerCall = 0);
    void loadControllerState(const std::vector<uint8_t>& bytes);
    bool readPresetFile(const std::string& path, std::vector<uint8_t>& component, std::vector<uint8_t>& controller) const;

private:
    struct Param {
        vst3::ParamID id;
        std::string title, units;
        int32_t stepCount, flags, unitId;
        double defaultValue;
    };
    struct Pending {
        vst3::ParamID id;
        double value;
    };

    // Vst3HostEvents: the plug-in's calls on the handler.
    void beginEdit(vst3::ParamID id) override;
    void performEdit(vst3::ParamID id, vst3::ParamValue value) override;
    void endEdit(vst3::ParamID id) override;
    void restartComponent(int32_t flags) override;
    void programListChanged(vst3::ProgramListID list, int32_t program) override;

    void createInstance();
    void teardown();
    void readBuses();
    void readParams();
    void readMidiMapping();
    int32_t indexOf(vst3::ParamID id) const;
    std::string valueText(vst3::ParamID id, double value);
    // A MIDI message as the host turns it into a parameter change: false when unmapped.
    bool mappedChange(const uint8_t* midi, uint8_t length, vst3::ParamID& id, double& value) const;
    void addNoteEvent(const HostEvent& e, int32_t frame);
    void takeOutputChanges(int64_t blockStart);
    void flushPending();
    void createView();
    void destroyView();
    std::vector<std::string> programNames(vst3::ProgramListID list, int32_t count);

    void* library_;
    std::string modulePath_;
    vst3::IPluginFactory* factory_ = nullptr;
    std::string className_, classCategory_, subCategories_, classVersion_, sdkVersion_, vendor_, url_, email_;
    std::string cidText_;
    Vst3Ref<vst3::IComponent> component_;
    Vst3Ref<vst3::IAudioProcessor> processor_;
    Vst3Ref<vst3::IEditController> controller_;
    Vst3Ref<vst3::IConnectionPoint> componentPoint_, controllerPoint_;
    Vst3Ref<vst3::IMidiMapping> midiMapping_;
    Vst3Ref<vst3::IUnitInfo> unitInfo_;
    bool separateController_ = false;
    bool componentInitialised_ = false, controllerInitialised_ = false;

    Vst3HostContext context_;
    Vst3ComponentHandler handler_{*this};
    Vst3PlugFrame frame_;
    int resizesTaken_ = 0; // of frame_'s resize requests

    std::vector<Param> params_;
    std::map<vst3::ParamID, int32_t> indexOfId_;
    vst3::ParamID programParam_ = vst3::kNoParamId;
    int32_t programSteps_ = 0;
    // The parameter each controller number (0..130: Control Change, aftertouch, pitch bend,
    // Program Change) is mapped to, per channel.
    std::array<std::array<vst3::ParamID, 131>, 16> midiMap_{};
    int32_t inputChannels_ = 0, outputChannels_ = 0;
    int32_t eventInputs_ = 0;

    bool active_ = false, processing_ = false, inProcess_ = false, inStateLoad_ = false;
    double sampleRate_ = 44100;
    int32_t maxBlock_ = 512;
    int64_t position_ = 0;
    std::vector<Pending> pending_;
    Vst3ParameterChanges inputChanges_, outputChanges_;
    Vst3EventList inputEvents_, outputEvents_;
    vst3::ProcessContext processContext_{};

    vst3::IPlugView* view_ = nullptr;
    bool viewAttached_ = false;
    double panelScale_ = 0; // none given
    std::map<const void*, Clock::time_point> timerDue_;
};

} // namespace zkhost
