#include "formats/vst2/Vst2Effect.h"

#include "core/TextTools.h"
#include "product/Identity.h"
#include "product/ParameterIndex.h"

#include <cstdio>
#include <cstring>

namespace zk {

namespace {

KeyPress keyPress(const vst2::VstKeyCode& key) noexcept { return {key.character, key.virt, key.modifier}; }

int16_t rectSide(int32_t pixels) noexcept { return static_cast<int16_t>(pixels > 0x7FFF ? 0x7FFF : pixels); }

} // namespace

Vst2Effect::Vst2Effect(vst2::audioMasterCallback hostCallback, const EffectFactory& makeEffect)
    : EffectBase(hostCallback, kNumPrograms, kNumParameters) {
    setFlag(vst2::effFlagsProgramChunks, true);
    if (hasHostCallback()) {
        setNumInputs(kNumInputs);
        setNumOutputs(kNumOutputs);
        setFlag(vst2::effFlagsCanReplacing, true);
        setFlag(vst2::effFlagsCanMono, true);
        setFlag(vst2::effFlagsHasVu, true);
        setUniqueID(kVst2UniqueId);
    }
    effect_ = makeEffect(*this);
    setFlag(vst2::effFlagsHasEditor, effect_->hasPanel());
    effect_->initialise();
}

Vst2Effect::~Vst2Effect() = default;

void Vst2Effect::setParameter(int32_t index, float value) noexcept { effect_->setParameter(index, value); }

float Vst2Effect::getParameter(int32_t index) const noexcept { return effect_->parameter(index); }

void Vst2Effect::process(float** inputs, float** outputs, int32_t frames) noexcept {
    effect_->process(inputs, outputs, frames, ProcessMode::adding);
}

void Vst2Effect::processReplacing(float** inputs, float** outputs, int32_t frames) noexcept {
    effect_->process(inputs, outputs, frames, ProcessMode::replacing);
}

int32_t Vst2Effect::getProgram() const noexcept { return effect_->currentProgram(); }

void Vst2Effect::setProgram(int32_t index) noexcept { effect_->selectProgram(index); }

void Vst2Effect::setProgramName(const char* text) noexcept { effect_->setProgramName(text); }

void Vst2Effect::getProgramName(char* text) noexcept { effect_->programName(effect_->currentProgram(), text); }

// VST 2 hosts and the automation they have stored read every value as the plain number
// of eight characters with a blank label ("0.899999" for 0.9), whatever its unit.
void Vst2Effect::getParameterLabel(int32_t, char* text) noexcept { copyText(text, " ", vst2::kVstMaxParamStrLen); }

void Vst2Effect::getParameterDisplay(int32_t index, char* text) noexcept {
    text[0] = 0;
    if (index >= 0 && index < effect_->parameterCount()) floatToText(effect_->parameter(index), text);
}

void Vst2Effect::getParameterName(int32_t index, char* text) noexcept { effect_->parameterShortName(index, text); }

int32_t Vst2Effect::getChunk(void** data, bool isPreset) noexcept {
    const void* bytes = nullptr;
    const int32_t size = effect_->saveChunk(isPreset ? ChunkKind::preset : ChunkKind::bank, &bytes);
    *data = const_cast<void*>(bytes); // the host only reads them
    return size;
}

int32_t Vst2Effect::setChunk(void* data, int32_t size, bool isPreset) noexcept {
    effect_->loadChunk(isPreset ? ChunkKind::preset : ChunkKind::bank, data, size);
    return 1;
}

void Vst2Effect::setSampleRate(float rate) noexcept { effect_->setSampleRate(rate); }

void Vst2Effect::setBlockSize(int32_t size) noexcept { effect_->setMaxBlockSize(size); }

void Vst2Effect::suspend() noexcept { effect_->deactivate(); }

void Vst2Effect::resume() noexcept { effect_->activate(); }

int32_t Vst2Effect::processEvents(vst2::VstEvents* events) noexcept {
    events_.reset(events);
    effect_->queueEvents(&events_);
    return 1;
}

bool Vst2Effect::getProgramNameIndexed(int32_t, int32_t index, char* text) noexcept {
    return effect_->programName(index, text);
}

bool Vst2Effect::copyProgram(int32_t destination) noexcept { return effect_->copyProgram(destination); }

bool Vst2Effect::getOutputProperties(int32_t index, vst2::VstPinProperties* properties) noexcept {
    if (index != 0 && index != 1) return false;
    std::snprintf(properties->label, sizeof properties->label, "%s %1d", kProductName, static_cast<int>(index + 1));
    properties->flags = vst2::kVstPinIsActive | vst2::kVstPinIsStereo;
    return true;
}

int32_t Vst2Effect::getVendorVersion() noexcept { return kVendorVersion; }

bool Vst2Effect::getEffectName(char* text) noexcept {
    copyText(text, kProductName, vst2::kVstMaxEffectNameLen);
    return true;
}

bool Vst2Effect::getVendorString(char* text) noexcept {
    copyText(text, kMakerDomain, vst2::kVstMaxVendorStrLen);
    return true;
}

bool Vst2Effect::getProductString(char* text) noexcept {
    copyText(text, kProductName, vst2::kVstMaxProductStrLen);
    return true;
}

int32_t Vst2Effect::canDo(const char* capability) noexcept {
    return std::strcmp(capability, "receiveVstEvents") == 0 || std::strcmp(capability, "receiveVstMidiEvent") == 0
               ? 1
               : -1;
}

bool Vst2Effect::editGetRect(vst2::ERect** rect) noexcept {
    if (!effect_->hasPanel()) return false;
    const PanelSize size = effect_->panelSize();
    panelRect_ = {0, 0, rectSide(size.height), rectSide(size.width)};
    *rect = &panelRect_;
    return true;
}

bool Vst2Effect::editOpen(void* parentWindow) noexcept { return effect_->openPanel(parentWindow); }

void Vst2Effect::editClose() noexcept { effect_->closePanel(); }

void Vst2Effect::editIdle() noexcept { effect_->panelIdle(); }

int32_t Vst2Effect::editKeyDown(const vst2::VstKeyCode& key) noexcept {
    return effect_->hasPanel() ? effect_->panelKeyDown(keyPress(key)) : 0;
}

int32_t Vst2Effect::editKeyUp(const vst2::VstKeyCode& key) noexcept {
    return effect_->hasPanel() ? effect_->panelKeyUp(keyPress(key)) : 0;
}

int32_t Vst2Effect::editKnobMode(int32_t mode) noexcept {
    return effect_->hasPanel() && effect_->setKnobMode(mode) ? 1 : 0;
}

bool Vst2Effect::editWheel(float distance) noexcept { return effect_->panelWheel(distance); }

void Vst2Effect::beginGesture(int32_t index) noexcept { callHost(vst2::audioMasterBeginEdit, index); }

void Vst2Effect::endGesture(int32_t index) noexcept { callHost(vst2::audioMasterEndEdit, index); }

void Vst2Effect::parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept {
    if (origin == ChangeOrigin::panel) callHost(vst2::audioMasterAutomate, index, 0, nullptr, value);
}

void Vst2Effect::displayChanged() noexcept { callHost(vst2::audioMasterUpdateDisplay); }

void Vst2Effect::wantMidi() noexcept { callHost(vst2::audioMasterWantMidi, 0, 1); }

void Vst2Effect::idle() noexcept { callHost(vst2::audioMasterIdle); }

void Vst2Effect::resizePanel(PanelSize size) noexcept {
    char capability[] = "sizeWindow";
    if (callHost(vst2::audioMasterCanDo, 0, 0, capability) > 0)
        callHost(vst2::audioMasterSizeWindow, size.width, size.height);
}

} // namespace zk
