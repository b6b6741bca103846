#pragma once

// Loads a VST 2 module (dlopen or LoadLibrary) and drives one instance of it the way hosts do,
// answering its callbacks. Written against the interface only: any VST 2 plug-in works.

#include "formats/vst2/Vst2Abi.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zkhost {

class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One report of the plug-in about a parameter, in the order it came.
struct EditRecord {
    enum class Kind { automate, beginEdit, endEdit };
    Kind kind;
    int32_t index;
    float value; // automate only
};

class PluginHost {
public:
    // Loads the module and creates one instance (effOpen included); throws HostError.
    explicit PluginHost(const std::string& modulePath);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    vst2::AEffect* effect() const { return effect_; }
    vst2::VstIntPtr dispatch(int32_t opcode, int32_t index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr,
                             float opt = 0.0f);
    // A text query into a generous buffer, since plug-ins overrun the nominal lengths.
    std::string text(int32_t opcode, int32_t index = 0);

    int32_t numParams() const { return effect_->numParams; }
    int32_t numPrograms() const { return effect_->numPrograms; }
    bool hasChunks() const { return effect_->flags & vst2::effFlagsProgramChunks; }
    bool canReplacing() const { return effect_->flags & vst2::effFlagsCanReplacing; }
    std::string paramName(int32_t index);
    std::string programName(int32_t index); // without changing the current program when it can
    float getParameter(int32_t index) { return effect_->getParameter(effect_, index); }
    void setParameter(int32_t index, float value) { effect_->setParameter(effect_, index, value); }

    // effSetSampleRate, effSetBlockSize, effMainsChanged(1), effStartProcess.
    void start(double sampleRate, int32_t maxBlock);
    // effStopProcess, effMainsChanged(0).
    void stop();
    void sendMidi(const std::vector<vst2::VstMidiEvent>& events);
    void process(float** inputs, float** outputs, int32_t frames, bool accumulate);

    // What the plug-in told the host.
    std::vector<EditRecord> edits;
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
