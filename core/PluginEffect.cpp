#include "core/PluginEffect.h"

#include "product/Identity.h"
#include "editor/PluginEditor.h"
#include "host/TextTools.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace zk {

namespace {

std::atomic<bool> editorCreationFailedFlag{false};

static_assert(kNumParameters == EngineHost::parameterCount);

bool validParameter(int32_t index) noexcept { return index >= 0 && index < kNumParameters; }

// Any service not given is the built-in one.
EffectServices completeServices(EffectServices services) noexcept {
    const EffectServices fallback = defaultServices();
    if (!services.messages) services.messages = fallback.messages;
    if (!services.settings) services.settings = fallback.settings;
    return services;
}

} // namespace

bool editorCreationFailed() noexcept { return editorCreationFailedFlag.load(); }


PluginEffect::PluginEffect(vst2::audioMasterCallback hostCallback, EffectServices services)
    : EffectBase(hostCallback, kNumPrograms, kNumParameters), services_(completeServices(services)), engine_(*this) {
    for (int32_t i = 0; i < kNumParameters; ++i) refreshParameterSlot(i);
    // The members start as every descriptor " " at 1.0 in programs of 1.0 named "Init";
    // the table then gives every parameter its name and default in all programs.
    for (ParameterDescriptor& descriptor : descriptors_) setNameField(descriptor.name, " ");
    for (int32_t i = 0; i < kNumParameters; ++i) {
        ParameterDescriptor& descriptor = descriptors_[i];
        setNameField(descriptor.name, kParameterTable[i].name, kParamNameChars);
        descriptor.value.store(kParameterTable[i].defaultValue);
    }
    for (ProgramRecord& program : programs_) {
        setNameField(program.name, "Init");
        for (int32_t i = 0; i < kNumParameters; ++i) program.values[i].store(kParameterTable[i].defaultValue);
    }
    setFlag(vst2::effFlagsProgramChunks, true);
    notReady_.store(true);

    readLearnedControllers();

    if (hasHostCallback()) {
        setNumInputs(2);
        setNumOutputs(2);
        setFlag(vst2::effFlagsCanReplacing, true);
        setFlag(vst2::effFlagsCanMono, true);
        setFlag(vst2::effFlagsHasVu, true);
        setUniqueID(kVst2UniqueId);
    }

    try {
        attachEditor(new PluginEditor(*this));
    } catch (...) {
        editorCreationFailedFlag.store(true);
    }

    initEngine();
    setProgram(0);
}

PluginEffect::~PluginEffect() {
    notReady_.store(true);
    dropPendingEvents();
    // The panel goes while everything its boxes may answer to is still here.
    if (EditorBase* ed = editor()) ed->close();
}

void PluginEffect::initEngine() noexcept {
    notReady_.store(true);
    programChangeBusy_.store(false);
    learnTarget_.store(-1);
    dropPendingEvents();
    engine_.initEngine(sampleRate());
    for (int32_t i = 0; i < kNumParameters; ++i) refreshParameterSlot(i);
    notReady_.store(false);
}

// ---- parameters -------------------------------------------------------------------

void PluginEffect::setParameter(int32_t index, float value) noexcept {
    if (notReady_.load(std::memory_order_relaxed) || index < 0) return;
    handleCommand(index, value);
    if (validParameter(index)) {
        value = storeParameter(index, value);
        applyEngineHook(index);
        // Once more with the engine's own values set: a frame that read the values between
        // the two announcements reads them again.
        announceValueChange();
    }
    if (EditorBase* ed = editor()) ed->setParameter(index, value);
}

float PluginEffect::storeParameter(int32_t index, float value) noexcept {
    ParameterDescriptor& descriptor = descriptors_[index];
    if (descriptor.unclamped.load(std::memory_order_relaxed)) {
        // Kept as given within what the engine stays stable with: negative values make its
        // filters unstable and huge ones overflow, either leaving NaN in its state for good.
        constexpr float kUnclampedMaximum = 1000.0f;
        if (!std::isfinite(value) || value < 0.0f) value = 0.0f;
        else if (value > kUnclampedMaximum) value = kUnclampedMaximum;
    } else if (!(value >= 0.0f)) { // NaN too: it would poison the engine for good
        value = 0.0f;
    } else if (value > 1.0f) {
        value = 1.0f;
    }
    // A subnormal value is silence in every use, but it would scale sound into subnormal
    // output and slow the engine down.
    if (std::fpclassify(value) == FP_SUBNORMAL) value = 0.0f;
    if (descriptor.inProgram.load(std::memory_order_relaxed))
        programs_[getProgram()].values[index].store(value, std::memory_order_relaxed);
    else
        descriptor.value.store(value, std::memory_order_relaxed);
    announceValueChange();
    // Every program change and bank load passes here for each index (setProgram re-sets
    // all values), so the engine's slots follow the current program and the flags.
    refreshParameterSlot(index);
    return value;
}

void PluginEffect::refreshParameterSlot(int32_t index) noexcept {
    const ParameterDescriptor& descriptor = descriptors_[index];
    setParameterSlot(index, descriptor.inProgram.load(std::memory_order_relaxed)
                                ? &programs_[getProgram()].values[index]
                                : &descriptor.value);
}

void PluginEffect::applyEngineHook(int32_t index) noexcept {
    const ParameterInfo& info = kParameterTable[index];
    switch (info.hook) {
    case EngineHook::None: break;
    case EngineHook::BandTuning:
        engine_.setBandTuning(info.band, getParameter(bandIndex(info.band)), getParameter(fineIndex(info.band)));
        break;
    case EngineHook::Release: engine_.setRelease(info.band, getParameter(index)); break;
    case EngineHook::Feedback: engine_.setFeedback(getParameter(index)); break;
    case EngineHook::Smooth: engine_.setSmooth(getParameter(index)); break;
    case EngineHook::FmEvery: engine_.setFmEvery(getParameter(index)); break;
    }
}

float PluginEffect::getParameter(int32_t index) const noexcept {
    if (!validParameter(index)) return 0.0f;
    const ParameterDescriptor& descriptor = descriptors_[index];
    if (descriptor.inProgram.load(std::memory_order_relaxed))
        return programs_[getProgram()].values[index].load(std::memory_order_relaxed);
    return descriptor.value.load(std::memory_order_relaxed);
}

void PluginEffect::getParameterLabel(int32_t, char* text) noexcept { std::strcpy(text, " "); }

void PluginEffect::getParameterDisplay(int32_t index, char* text) noexcept {
    if (validParameter(index))
        floatToText(getParameter(index), text);
    else
        text[0] = 0;
}

void PluginEffect::getParameterName(int32_t index, char* text) noexcept { copyParameterName(index, text); }

void PluginEffect::copyParameterName(int32_t index, char* text) const noexcept {
    if (validParameter(index))
        copyText(text, descriptors_[index].name, kParamNameChars);
    else
        text[0] = 0;
}

void PluginEffect::tell(const char* text, const char* title) noexcept {
    EditorBase* ed = editor();
    services_.messages->showMessage(text, title, ed ? ed->messageWindow() : nullptr);
}

void PluginEffect::ask(const char* text, const char* title, MessageService::Answer answer) noexcept {
    EditorBase* ed = editor();
    services_.messages->askYesNo(text, title, ed ? ed->messageWindow() : nullptr, std::move(answer));
}

// ---- audio --------------------------------------------------------------------------

void PluginEffect::renderBlock(float** inputs, float** outputs, int32_t frames, bool replace) noexcept {
    if (notReady_.load(std::memory_order_relaxed)) return;
    if (inputs && outputs && inputs[0] && inputs[1] && outputs[0] && outputs[1])
        engine_.processBlock(inputs[0], inputs[1], outputs[0], outputs[1], frames, replace);
    // A sleeping engine skips its frames' events; act on them now rather than lose a
    // program change or controller sent while the input was silent. The frames were
    // silent, so nothing already output would have differed.
    if (frames > 0) handlePendingEvents(frames - 1);
    // The host's event list is valid only for this call: keep no pointer into it.
    dropPendingEvents();
}

void PluginEffect::process(float** inputs, float** outputs, int32_t frames) noexcept {
    renderBlock(inputs, outputs, frames, false);
}

void PluginEffect::processReplacing(float** inputs, float** outputs, int32_t frames) noexcept {
    renderBlock(inputs, outputs, frames, true);
}

// A host may free or reuse the memory of an event list once it switches the effect off or
// on again (or closes it, when the destructor drops it): a list still pending is dropped unread.
void PluginEffect::suspend() noexcept { dropPendingEvents(); }

void PluginEffect::resume() noexcept {
    dropPendingEvents();
    const bool ready = !notReady_.load(std::memory_order_relaxed);
    if (ready) wantMidi();
    engine_.adoptSampleRate(sampleRate(), ready);
}

// ---- identity -----------------------------------------------------------------------

bool PluginEffect::getOutputProperties(int32_t index, vst2::VstPinProperties* properties) noexcept {
    if (index != 0 && index != 1) return false;
    std::snprintf(properties->label, sizeof properties->label, "%s %1d", kProductName, static_cast<int>(index + 1));
    properties->flags = vst2::kVstPinIsActive | vst2::kVstPinIsStereo;
    return true;
}

int32_t PluginEffect::getVendorVersion() noexcept { return kVendorVersion; }

bool PluginEffect::getEffectName(char* text) noexcept {
    copyText(text, kProductName, vst2::kVstMaxEffectNameLen);
    return true;
}

bool PluginEffect::getVendorString(char* text) noexcept {
    copyText(text, kMakerDomain, vst2::kVstMaxVendorStrLen);
    return true;
}

bool PluginEffect::getProductString(char* text) noexcept {
    copyText(text, kProductName, vst2::kVstMaxProductStrLen);
    return true;
}

int32_t PluginEffect::canDo(const char* capability) noexcept {
    return std::strcmp(capability, "receiveVstEvents") == 0 || std::strcmp(capability, "receiveVstMidiEvent") == 0
               ? 1
               : -1;
}

} // namespace zk
