#pragma once

// Loads a VST 2 module (dlopen or LoadLibrary) and drives one instance of it the way hosts do,
// answering its callbacks. Written against the interface only: any VST 2 plug-in works.

#include "formats/vst2/Vst2Abi.h"
#include "tools/zkhost/HostedPlugin.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zkhost {

class Vst2Host final : public HostedPlugin {
public:
    // Loads the module and creates one instance (effOpen included); throws HostError.
    explicit Vst2Host(const std::string& modulePath);
    // The same with a module already loaded.
    Vst2Host(void* library, const std::string& modulePath);
    ~Vst2Host() override;
    Vst2Host(const Vst2Host&) = delete;
    Vst2Host& operator=(const Vst2Host&) = delete;

    vst2::AEffect* effect() const { return effect_; }
    vst2::VstIntPtr dispatch(int32_t opcode, int32_t index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr,
                             float opt = 0.0f);
    // A text query into a generous buffer, since plug-ins overrun the nominal lengths.
    std::string text(int32_t opcode, int32_t index = 0);

    int32_t numPrograms() const { return effect_->numPrograms; }
    std::vector<Preset> presets() override;
    void choosePreset(const std::string& name) override;
    bool hasChunks() const { return effect_->flags & vst2::effFlagsProgramChunks; }
    bool canReplacing() const { return effect_->flags & vst2::effFlagsCanReplacing; }
    std::string programName(int32_t index); // without changing the current program when it can
    void sendMidi(const std::vector<vst2::VstMidiEvent>& events);

    // HostedPlugin
    const char* formatName() const override { return "VST 2"; }
    std::string name() override { return text(vst2::effGetEffectName); }
    void printInfo(std::ostream& out, bool json) override; // Vst2Info.cpp
    void applyState(const StateOptions& state) override;   // Vst2State.cpp
    void saveState(const StateOptions& state) override;    // Vst2State.cpp
    std::vector<uint8_t> saveStateBytes(int32_t bytesPerCall) override;                // Vst2State.cpp
    bool loadStateBytes(const std::vector<uint8_t>& bytes, int32_t bytesPerCall) override; // Vst2State.cpp
    int32_t numParams() override { return effect_->numParams; }
    std::string paramName(int32_t index) override { return text(vst2::effGetParamName, index); }
    float getParameter(int32_t index) override { return effect_->getParameter(effect_, index); }
    void setParameter(int32_t index, float value) override { effect_->setParameter(effect_, index, value); }
    int32_t numInputs() override { return effect_->numInputs; }
    int32_t numOutputs() override { return effect_->numOutputs; }
    bool takesMidi(uint8_t status) override; // Control and Program Change, as a controller-driven plug-in takes
    bool canAccumulate() override { return effect_->process != nullptr; }
    // effSetSampleRate, effSetBlockSize, effMainsChanged(1), effStartProcess.
    void start(double sampleRate, int32_t maxBlock) override;
    // effStopProcess, effMainsChanged(0).
    void stop() override;
    // Parameter changes go in at the start of the block, MIDI through effProcessEvents at its
    // frames; plug-ins without processReplacing are called through the accumulating entry.
    void process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events,
                 bool accumulate) override;
    // VST 2 has no scale of its own: the plug-in takes the desktop's, which zkhost gives as
    // GDK_SCALE (on Linux, before the plug-in first asks).
    bool setPanelScale(double scale) override;
    PanelSize panelSize() override; // effEditGetRect
    // Hosts pass the window in ptr and, by a common convention on X11, their Display in value.
    void openPanel(const PanelParent& parent) override;
    void idlePanel() override { dispatch(vst2::effEditIdle); }
    void closePanel() override { dispatch(vst2::effEditClose); }

    // What the plug-in told the host besides its edits.
    int wantMidiCalls = 0;
    int updateDisplayCalls = 0;

private:
    static vst2::VstIntPtr callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                    vst2::VstIntPtr value, void* ptr, float opt);
    vst2::VstIntPtr answer(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr, float opt);

    void* library_ = nullptr;
    vst2::AEffect* effect_ = nullptr;
    bool running_ = false;
    bool inProcess_ = false;
    double sampleRate_ = 44100;
    int32_t blockSize_ = 512;
    int64_t samplePos_ = 0;
    vst2::VstTimeInfo timeInfo_{};
    std::vector<vst2::VstMidiEvent> midiEvents_;
    std::vector<uint8_t> eventList_;
};

} // namespace zkhost
