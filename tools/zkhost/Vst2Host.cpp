#include "tools/zkhost/Vst2Host.h"

#include "tools/zkhost/ModuleLoader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zkhost {

namespace {

constexpr vst2::VstIntPtr kHostVersion = 2400;
constexpr double kTempo = 120.0;

// Callbacks made before the entry returns carry no record, or one whose user field is not
// yet ours, so the instance being created is found through this slot.
thread_local Vst2Host* instanceBeingCreated = nullptr;

using Entry = vst2::AEffect* (*)(vst2::audioMasterCallback);

void copyText(void* ptr, const char* text, size_t capacity) {
    if (!ptr) return;
    std::strncpy(static_cast<char*>(ptr), text, capacity - 1);
    static_cast<char*>(ptr)[capacity - 1] = 0;
}

} // namespace

Vst2Host::Vst2Host(const std::string& modulePath) : Vst2Host(loadModuleOrThrow(modulePath), modulePath) {}

Vst2Host::Vst2Host(void* library, const std::string& modulePath) : library_(library) {
    auto entry = reinterpret_cast<Entry>(findSymbol(library_, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<Entry>(findSymbol(library_, "main"));
    if (!entry)
        throw HostError(modulePath + " is not a VST 2 module: it exports neither VSTPluginMain nor main" +
                        " (nor is it a CLAP module: it exports no clap_entry)");
    instanceBeingCreated = this;
    effect_ = entry(&Vst2Host::callback);
    instanceBeingCreated = nullptr;
    if (!effect_) throw HostError("the entry of " + modulePath + " returned no effect");
    if (effect_->magic != vst2::kEffectMagic) {
        effect_ = nullptr;
        throw HostError(modulePath + " returned a record without the VST 2 magic");
    }
    if (!effect_->dispatcher || !effect_->getParameter || !effect_->setParameter ||
        (!effect_->process && !effect_->processReplacing)) {
        effect_ = nullptr;
        throw HostError(modulePath + " returned a record with missing entries");
    }
    if (effect_->numParams < 0 || effect_->numPrograms < 0 || effect_->numInputs < 0 || effect_->numOutputs < 0 ||
        effect_->numInputs > 64 || effect_->numOutputs > 64) {
        effect_ = nullptr;
        throw HostError(modulePath + " reports impossible numbers of parameters, programs or channels");
    }
    effect_->user = this;
    dispatch(vst2::effOpen);
}

Vst2Host::~Vst2Host() {
    if (effect_) {
        if (running_) stop();
        dispatch(vst2::effClose);
    }
    // The module stays loaded: some plug-ins leave threads or atexit handlers behind
    // that would run into unmapped code, and the process ends soon anyway.
}

vst2::VstIntPtr Vst2Host::dispatch(int32_t opcode, int32_t index, vst2::VstIntPtr value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string Vst2Host::text(int32_t opcode, int32_t index) {
    char buffer[512] = {};
    dispatch(opcode, index, 0, buffer, 0.0f);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

std::string Vst2Host::programName(int32_t index) {
    char buffer[512] = {};
    if (dispatch(vst2::effGetProgramNameIndexed, index, -1, buffer) != 0) {
        buffer[sizeof buffer - 1] = 0;
        return buffer;
    }
    auto current = static_cast<int32_t>(dispatch(vst2::effGetProgram));
    if (index != current) dispatch(vst2::effSetProgram, 0, index);
    std::string name = text(vst2::effGetProgramName);
    if (index != current) dispatch(vst2::effSetProgram, 0, current);
    return name;
}

void Vst2Host::start(double sampleRate, int32_t maxBlock) {
    sampleRate_ = sampleRate;
    blockSize_ = maxBlock;
    samplePos_ = 0;
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(vst2::effSetBlockSize, 0, maxBlock);
    dispatch(vst2::effMainsChanged, 0, 1);
    dispatch(vst2::effStartProcess);
    running_ = true;
}

void Vst2Host::stop() {
    dispatch(vst2::effStopProcess);
    dispatch(vst2::effMainsChanged, 0, 0);
    running_ = false;
}

void Vst2Host::sendMidi(const std::vector<vst2::VstMidiEvent>& events) {
    if (events.empty()) return;
    midiEvents_ = events;
    // The list's declared array holds two pointers; the rest follow it in the same buffer.
    size_t pointers = std::max<size_t>(events.size(), 2);
    eventList_.assign(offsetof(vst2::VstEvents, events) + pointers * sizeof(vst2::VstEvent*), 0);
    auto* list = reinterpret_cast<vst2::VstEvents*>(eventList_.data());
    list->numEvents = static_cast<int32_t>(events.size());
    for (size_t i = 0; i < events.size(); ++i) list->events[i] = reinterpret_cast<vst2::VstEvent*>(&midiEvents_[i]);
    dispatch(vst2::effProcessEvents, 0, 0, list);
}

bool Vst2Host::takesMidi(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xB0 || kind == 0xC0;
}

void Vst2Host::process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events,
                       bool accumulate) {
    std::vector<vst2::VstMidiEvent> midi;
    for (const HostEvent& e : events) {
        if (e.kind == HostEvent::Kind::parameter) {
            setParameter(e.index, e.value);
            continue;
        }
        vst2::VstMidiEvent event{};
        event.type = vst2::kVstMidiType;
        event.byteSize = sizeof(vst2::VstMidiEvent);
        event.deltaFrames = e.frame;
        event.flags = e.live ? 1 : 0; // kVstMidiEventIsRealtime
        for (int b = 0; b < e.midiLength && b < 3; ++b) event.midiData[b] = static_cast<char>(e.midi[b]);
        midi.push_back(event);
    }
    sendMidi(midi);
    inProcess_ = true;
    if (accumulate || !canReplacing() || !effect_->processReplacing)
        effect_->process(effect_, inputs, outputs, frames);
    else
        effect_->processReplacing(effect_, inputs, outputs, frames);
    inProcess_ = false;
    samplePos_ += frames;
}

PanelSize Vst2Host::panelSize() {
    if (!(effect_->flags & vst2::effFlagsHasEditor)) throw HostError("the plug-in has no panel");
    vst2::ERect* rect = nullptr;
    dispatch(vst2::effEditGetRect, 0, 0, &rect);
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top)
        throw HostError("the plug-in reports no panel size");
    return {rect->right - rect->left, rect->bottom - rect->top};
}

void Vst2Host::openPanel(const PanelParent& parent) {
    void* window = parent.win32 ? parent.win32 : reinterpret_cast<void*>(uintptr_t(parent.x11));
    if (dispatch(vst2::effEditOpen, 0, reinterpret_cast<vst2::VstIntPtr>(parent.display), window) == 0)
        throw HostError("the plug-in did not open its panel");
}

vst2::VstIntPtr Vst2Host::callback(vst2::AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index,
                                     vst2::VstIntPtr value, void* ptr, float opt) {
    Vst2Host* self = instanceBeingCreated;
    if (effect && effect->user && !self) self = static_cast<Vst2Host*>(effect->user);
    if (opcode == vst2::audioMasterVersion) return kHostVersion;
    if (!self) return 0;
    return self->answer(opcode, index, value, ptr, opt);
}

vst2::VstIntPtr Vst2Host::answer(vst2::VstInt32 opcode, vst2::VstInt32 index, vst2::VstIntPtr value, void* ptr,
                                   float opt) {
    switch (opcode) {
    case vst2::audioMasterAutomate:
        edits.push_back({.kind = EditRecord::Kind::automate, .index = index, .value = opt});
        return 0;
    case vst2::audioMasterCurrentId:
        return effect_ ? effect_->uniqueID : 0;
    case vst2::audioMasterIdle:
        return 0;
    case vst2::audioMasterWantMidi:
        ++wantMidiCalls;
        return 1;
    case vst2::audioMasterGetTime: {
        // A steady transport: playing from the start at a fixed tempo in 4/4.
        double seconds = double(samplePos_) / sampleRate_;
        double ppq = seconds * kTempo / 60.0;
        timeInfo_ = {};
        timeInfo_.samplePos = double(samplePos_);
        timeInfo_.sampleRate = sampleRate_;
        timeInfo_.nanoSeconds = seconds * 1e9;
        timeInfo_.ppqPos = ppq;
        timeInfo_.tempo = kTempo;
        timeInfo_.barStartPos = 4.0 * static_cast<double>(static_cast<int64_t>(ppq / 4.0));
        timeInfo_.timeSigNumerator = 4;
        timeInfo_.timeSigDenominator = 4;
        using namespace vst2;
        timeInfo_.flags = kVstTransportPlaying | kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                          kVstTimeSigValid | (samplePos_ == 0 ? kVstTransportChanged : 0);
        return reinterpret_cast<vst2::VstIntPtr>(&timeInfo_);
    }
    case vst2::audioMasterProcessEvents:
        return 0; // events sent by the plug-in are not routed anywhere
    case vst2::audioMasterGetSampleRate:
        return static_cast<vst2::VstIntPtr>(sampleRate_);
    case vst2::audioMasterGetBlockSize:
        return blockSize_;
    case vst2::audioMasterGetCurrentProcessLevel:
        return inProcess_ ? vst2::kVstProcessLevelRealtime : vst2::kVstProcessLevelUser;
    case vst2::audioMasterGetVendorString:
        copyText(ptr, "Zephyrkettledrome project", vst2::kVstMaxVendorStrLen);
        return 1;
    case vst2::audioMasterGetProductString:
        copyText(ptr, "zkhost", vst2::kVstMaxProductStrLen);
        return 1;
    case vst2::audioMasterGetVendorVersion:
        return 1000;
    case vst2::audioMasterCanDo: {
        if (!ptr) return 0;
        const char* what = static_cast<const char*>(ptr);
        for (const char* yes : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "startStopProcess",
                                "supplyIdle", "sizeWindow"})
            if (std::strcmp(what, yes) == 0) return 1;
        return 0;
    }
    case vst2::audioMasterSizeWindow: // the panel's window follows
        if (index <= 0 || value <= 0) return 0;
        requestedPanelSize = {int(index), int(value)};
        return 1;
    case vst2::audioMasterUpdateDisplay:
        ++updateDisplayCalls;
        return 1;
    case vst2::audioMasterBeginEdit:
        edits.push_back({.kind = EditRecord::Kind::beginEdit, .index = index});
        return 1;
    case vst2::audioMasterEndEdit:
        edits.push_back({.kind = EditRecord::Kind::endEdit, .index = index});
        return 1;
    default:
        return 0;
    }
}

bool Vst2Host::setPanelScale(double scale) {
#if defined(_WIN32)
    (void)scale;
    return false;
#else
    return setenv("GDK_SCALE", std::to_string(scale).c_str(), 1) == 0;
#endif
}

} // namespace zkhost
