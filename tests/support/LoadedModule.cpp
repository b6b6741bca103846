#include "tests/support/LoadedModule.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>

namespace zktest {

LoadedModule::LoadedModule(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
}

LoadedModule::~LoadedModule() {
    if (handle_) dlclose(handle_);
}

void* LoadedModule::symbol(const char* name) const { return dlsym(handle_, name); }

std::string builtModulePath() { return ZK_MODULE_PATH; }

const LoadedModule& builtModule() {
    static const LoadedModule loaded(builtModulePath());
    return loaded;
}

namespace {
// The version query comes before the record exists, so the instance being created is
// found through this slot; afterwards through the record's user field, which is the host's.
thread_local HostedEffect* instanceBeingCreated = nullptr;
thread_local vst2::VstIntPtr versionBeingAsked = 0;
} // namespace

HostedEffect::HostedEffect(const LoadedModule& module, vst2::VstIntPtr hostVersion, const char* entryName)
    : hostVersion_(hostVersion) {
    instanceBeingCreated = this;
    versionBeingAsked = hostVersion;
    effect_ = module.entry(entryName)(&HostedEffect::callback);
    instanceBeingCreated = nullptr;
    if (effect_) effect_->user = this;
}

HostedEffect::~HostedEffect() {
    if (effect_) close();
}

vst2::VstIntPtr HostedEffect::close() {
    vst2::VstIntPtr result = effect_->dispatcher(effect_, vst2::effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    return result;
}

vst2::VstIntPtr HostedEffect::callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                       vst2::VstIntPtr value, void*, float opt) {
    HostedEffect* self = effect && effect->user ? static_cast<HostedEffect*>(effect->user) : instanceBeingCreated;
    if (opcode == vst2::audioMasterVersion) return self ? self->hostVersion_ : versionBeingAsked;
    if (self) self->calls.push_back({opcode, index, value, opt});
    return 0;
}

vst2::VstIntPtr HostedEffect::dispatch(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value,
                                       void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string HostedEffect::text(vst2::VstInt32 opcode, vst2::VstInt32 index) {
    char buffer[256];
    std::memset(buffer, 0x7F, sizeof buffer);
    buffer[sizeof buffer - 1] = 0;
    dispatch(opcode, index, 0, buffer, 0.0f);
    return buffer;
}

void HostedEffect::resume(float sampleRate, int32_t blockSize) {
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(vst2::effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    dispatch(vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
}

void HostedEffect::processReplacing(float* inL, float* inR, float* outL, float* outR, int32_t frames) {
    float* inputs[2] = {inL, inR};
    float* outputs[2] = {outL, outR};
    effect_->processReplacing(effect_, inputs, outputs, frames);
}

void HostedEffect::sendMidi(const std::vector<std::pair<int32_t, std::vector<uint8_t>>>& messages) {
    midiEvents_.assign(messages.size(), vst2::VstMidiEvent{});
    for (size_t i = 0; i < messages.size(); ++i) {
        vst2::VstMidiEvent& event = midiEvents_[i];
        event.type = vst2::kVstMidiType;
        event.byteSize = sizeof(vst2::VstMidiEvent);
        event.deltaFrames = messages[i].first;
        for (size_t b = 0; b < messages[i].second.size() && b < 4; ++b)
            event.midiData[b] = static_cast<char>(messages[i].second[b]);
    }
    eventList_.assign(sizeof(vst2::VstEvents) + messages.size() * sizeof(vst2::VstEvent*), 0);
    auto* list = reinterpret_cast<vst2::VstEvents*>(eventList_.data());
    list->numEvents = static_cast<vst2::VstInt32>(messages.size());
    for (size_t i = 0; i < messages.size(); ++i)
        list->events[i] = reinterpret_cast<vst2::VstEvent*>(&midiEvents_[i]);
    dispatch(vst2::effProcessEvents, 0, 0, list, 0.0f);
}

} // namespace zktest
