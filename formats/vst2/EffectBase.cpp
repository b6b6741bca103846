#include "formats/vst2/EffectBase.h"

#include <cstring>

namespace zk {

namespace {

using vst2::AEffect;
using vst2::VstIntPtr;

VstIntPtr dispatcherEntry(AEffect* effect, vst2::VstInt32 opcode, vst2::VstInt32 index, VstIntPtr value,
                          void* ptr, float opt) {
    EffectBase* object = EffectBase::fromRecord(effect);
    if (!object) return 0;
    VstIntPtr result = object->dispatch(opcode, index, value, ptr, opt);
    if (opcode == vst2::effClose) {
        delete object;
        return 1;
    }
    return result;
}

void processEntry(AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames) {
    if (EffectBase* object = EffectBase::fromRecord(effect)) object->process(inputs, outputs, frames);
}

void processReplacingEntry(AEffect* effect, float** inputs, float** outputs, vst2::VstInt32 frames) {
    if (EffectBase* object = EffectBase::fromRecord(effect)) object->processReplacing(inputs, outputs, frames);
}

void setParameterEntry(AEffect* effect, vst2::VstInt32 index, float value) {
    if (EffectBase* object = EffectBase::fromRecord(effect)) object->setParameter(index, value);
}

float getParameterEntry(AEffect* effect, vst2::VstInt32 index) {
    EffectBase* object = EffectBase::fromRecord(effect);
    return object ? object->getParameter(index) : 0.0f;
}

// The mouse-wheel message some hosts send through effVendorSpecific.
constexpr int32_t kWheelIndex = 0x73744341;
constexpr VstIntPtr kWheelValue = 0x57686565;
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566;
constexpr VstIntPtr kVstVersion = 2300;

// The key opcodes carry the modifier bits in the float argument.
unsigned char modifierBits(float opt) noexcept {
    return opt >= 0.0f && opt <= 255.0f ? static_cast<unsigned char>(opt) : 0;
}

} // namespace

EffectBase::EffectBase(vst2::audioMasterCallback hostCallback, int32_t numPrograms, int32_t numParams) noexcept
    : hostCallback_(hostCallback), numPrograms_(numPrograms) {
    std::memset(&effectRecord_, 0, sizeof effectRecord_);
    effectRecord_.magic = vst2::kEffectMagic;
    effectRecord_.dispatcher = dispatcherEntry;
    effectRecord_.process = processEntry;
    effectRecord_.setParameter = setParameterEntry;
    effectRecord_.getParameter = getParameterEntry;
    effectRecord_.processReplacing = processReplacingEntry;
    effectRecord_.numPrograms = numPrograms;
    effectRecord_.numParams = numParams;
    effectRecord_.numInputs = 1;
    effectRecord_.numOutputs = 2;
    effectRecord_.ioRatio = 1.0f;
    effectRecord_.object = this;
    effectRecord_.version = 1;
}

EffectBase::~EffectBase() = default;

void EffectBase::setParameter(int32_t, float) noexcept {}
float EffectBase::getParameter(int32_t) const noexcept { return 0.0f; }

void EffectBase::process(float**, float**, int32_t) noexcept {}
void EffectBase::processReplacing(float**, float**, int32_t) noexcept {}

int32_t EffectBase::getChunk(void**, bool) noexcept { return 0; }
int32_t EffectBase::setChunk(void*, int32_t, bool) noexcept { return 0; }
bool EffectBase::getProgramNameIndexed(int32_t, int32_t, char* text) noexcept {
    text[0] = 0;
    return false;
}
int32_t EffectBase::getPlugCategory() noexcept {
    return (effectRecord_.flags & vst2::effFlagsIsSynth) ? vst2::kPlugCategSynth : vst2::kPlugCategUnknown;
}

void EffectBase::setFlag(int32_t flag, bool on) noexcept {
    if (on)
        effectRecord_.flags |= flag;
    else
        effectRecord_.flags &= ~flag;
}

VstIntPtr EffectBase::callHost(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) noexcept {
    return hostCallback_ ? hostCallback_(&effectRecord_, opcode, index, value, ptr, opt) : 0;
}

VstIntPtr EffectBase::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) noexcept {
    using namespace vst2;
    char* text = static_cast<char*>(ptr);
    // Every opcode below that reads or writes through ptr answers 0 to a null one.
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms_) setProgram(static_cast<int32_t>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName:
        if (text) setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text) getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text) getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text) getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text) getParameterName(index, text);
        return 0;
    case effGetVu: return 0;
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<int32_t>(value)); return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect: return ptr && editGetRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen: return ptr && editOpen(ptr) ? 1 : 0;
    case effEditClose: editClose(); return 0;
    case effEditIdle: editIdle(); return 0;
    case effIdentify: return kIdentifyAnswer;
    case effGetChunk: return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk: return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effGetNumProgramCategories: return 1;
    case effGetProgramNameIndexed:
        return text && getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
    case effCopyProgram: return copyProgram(index) ? 1 : 0;
    case effConnectInput:
    case effConnectOutput: return 1;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effSetBlockSizeAndSampleRate:
        setBlockSize(static_cast<int32_t>(value));
        setSampleRate(opt);
        return 1;
    case effGetEffectName: return text && getEffectName(text) ? 1 : 0;
    case effGetVendorString: return text && getVendorString(text) ? 1 : 0;
    case effGetProductString: return text && getProductString(text) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific:
        if (index == kWheelIndex && value == kWheelValue) return editWheel(opt) ? 1 : 0;
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return text ? canDo(text) : 0;
    case effKeysRequired: return 1;
    case effGetVstVersion: return kVstVersion;
    case effEditKeyDown:
    case effEditKeyUp: {
        VstKeyCode key{index, static_cast<unsigned char>(value), modifierBits(opt)};
        return opcode == effEditKeyDown ? editKeyDown(key) : editKeyUp(key);
    }
    case effSetEditKnobMode: return editKnobMode(static_cast<int32_t>(value));
    case effGetCurrentMidiProgram: return -1;
    case effGetSpeakerArrangement:
        // Both arguments point at the host's arrangement pointers; we have none to give.
        if (value) *reinterpret_cast<void**>(value) = nullptr;
        if (ptr) *static_cast<void**>(ptr) = nullptr;
        return 0;
    case effSetTotalSampleToProcess: return value;
    default: return 0;
    }
}

} // namespace zk
