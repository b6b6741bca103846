#pragma once

// Loads the built plug-in module with dlopen, as a host does, and drives one instance
// through nothing but the VST 2 record. Records every host callback it receives.

#include "formats/vst2/Vst2Abi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zktest {

struct HostCall {
    vst2::VstInt32 opcode;
    vst2::VstInt32 index;
    vst2::VstIntPtr value;
    float opt;
};

class LoadedModule {
public:
    explicit LoadedModule(const std::string& path);
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    void* symbol(const char* name) const;
    using Entry = vst2::AEffect* (*)(vst2::audioMasterCallback);
    Entry entry(const char* name = "VSTPluginMain") const { return reinterpret_cast<Entry>(symbol(name)); }

private:
    void* handle_ = nullptr;
};

// The path of the module built by this tree, and that module, loaded once for the test program.
std::string builtModulePath();
const LoadedModule& builtModule();

// One instance of the module with a recording host callback.
class HostedEffect {
public:
    explicit HostedEffect(const LoadedModule& module, vst2::VstIntPtr hostVersion = 2400,
                          const char* entryName = "VSTPluginMain");
    ~HostedEffect();
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    vst2::AEffect* effect() const { return effect_; }
    vst2::VstIntPtr dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index = 0, vst2::VstIntPtr value = 0,
                             void* ptr = nullptr, float opt = 0.0f);
    void setParameter(int32_t index, float value) { effect_->setParameter(effect_, index, value); }
    float getParameter(int32_t index) { return effect_->getParameter(effect_, index); }
    std::string text(vst2::VstInt32 opcode, vst2::VstInt32 index = 0);

    // Switches the effect on at `sampleRate` with blocks of up to `blockSize` frames.
    void resume(float sampleRate, int32_t blockSize = 512);
    void processReplacing(float* inL, float* inR, float* outL, float* outR, int32_t frames);
    // Hands a list of 3-byte MIDI messages, each at its delta frame, to effProcessEvents.
    void sendMidi(const std::vector<std::pair<int32_t, std::vector<uint8_t>>>& messages);

    // Closes the instance now (effClose); the destructor then does nothing.
    vst2::VstIntPtr close();

    std::vector<HostCall> calls;

private:
    static vst2::VstIntPtr callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                    vst2::VstIntPtr value, void* ptr, float opt);
    vst2::AEffect* effect_ = nullptr;
    vst2::VstIntPtr hostVersion_;
    std::vector<vst2::VstMidiEvent> midiEvents_;
    std::vector<char> eventList_;
};

} // namespace zktest
