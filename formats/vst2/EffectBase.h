#pragma once

#include "formats/vst2/Vst2Abi.h"

#include <cstdint>

namespace zk {

// The host-facing base of a VST 2 effect: it carries the record, routes every opcode of
// the dispatcher to one virtual operation and calls the host back. Without an override an
// operation does nothing and answers 0, as the opcodes it stands for do for a plug-in
// that has nothing to say.
class EffectBase {
public:
    EffectBase(vst2::audioMasterCallback hostCallback, int32_t numPrograms, int32_t numParams) noexcept;
    virtual ~EffectBase();
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    vst2::AEffect* record() noexcept { return &effectRecord_; }
    static EffectBase* fromRecord(vst2::AEffect* effect) noexcept {
        return effect ? static_cast<EffectBase*>(effect->object) : nullptr;
    }

    virtual void setParameter(int32_t index, float value) noexcept;
    virtual float getParameter(int32_t index) const noexcept;
    virtual void process(float** inputs, float** outputs, int32_t frames) noexcept;
    virtual void processReplacing(float** inputs, float** outputs, int32_t frames) noexcept;
    virtual vst2::VstIntPtr dispatch(int32_t opcode, int32_t index = 0, vst2::VstIntPtr value = 0,
                                       void* ptr = nullptr, float opt = 0.0f) noexcept;

    // One handler per opcode. Text handlers receive a non-null buffer.
    virtual void open() noexcept {}
    virtual void close() noexcept {}
    virtual int32_t getProgram() const noexcept { return 0; }
    virtual void setProgram(int32_t) noexcept {}
    virtual void setProgramName(const char*) noexcept {}
    virtual void getProgramName(char* text) noexcept { text[0] = 0; }
    virtual void getParameterLabel(int32_t, char* text) noexcept { text[0] = 0; }
    virtual void getParameterDisplay(int32_t, char* text) noexcept { text[0] = 0; }
    virtual void getParameterName(int32_t, char* text) noexcept { text[0] = 0; }
    virtual int32_t getChunk(void** data, bool isPreset) noexcept;
    virtual int32_t setChunk(void* data, int32_t size, bool isPreset) noexcept;
    virtual void setSampleRate(float) noexcept {}
    virtual void setBlockSize(int32_t) noexcept {}
    virtual void suspend() noexcept {}
    virtual void resume() noexcept {}
    virtual int32_t processEvents(vst2::VstEvents*) noexcept { return 0; }
    virtual bool canParameterBeAutomated(int32_t) noexcept { return true; }
    virtual bool getProgramNameIndexed(int32_t, int32_t, char* text) noexcept;
    virtual bool copyProgram(int32_t) noexcept { return false; }
    virtual bool getOutputProperties(int32_t, vst2::VstPinProperties*) noexcept { return false; }
    virtual bool getEffectName(char*) noexcept { return false; }
    virtual bool getVendorString(char*) noexcept { return false; }
    virtual bool getProductString(char*) noexcept { return false; }
    virtual int32_t getVendorVersion() noexcept { return 0; }
    virtual vst2::VstIntPtr vendorSpecific(int32_t, vst2::VstIntPtr, void*, float) noexcept { return 0; }
    virtual int32_t canDo(const char*) noexcept { return 0; }
    virtual int32_t getPlugCategory() noexcept;

    // The editor opcodes; every one answers 0 where there is no editor.
    virtual bool editGetRect(vst2::ERect**) noexcept { return false; }
    virtual bool editOpen(void*) noexcept { return false; }
    virtual void editClose() noexcept {}
    virtual void editIdle() noexcept {}
    virtual int32_t editKeyDown(const vst2::VstKeyCode&) noexcept { return 0; }
    virtual int32_t editKeyUp(const vst2::VstKeyCode&) noexcept { return 0; }
    virtual int32_t editKnobMode(int32_t) noexcept { return 0; }
    virtual bool editWheel(float) noexcept { return false; }

    // Record setters used while the effect is built.
    void setUniqueID(int32_t id) noexcept { effectRecord_.uniqueID = id; }
    void setNumInputs(int32_t count) noexcept { effectRecord_.numInputs = count; }
    void setNumOutputs(int32_t count) noexcept { effectRecord_.numOutputs = count; }
    void setFlag(int32_t flag, bool on) noexcept;
    void setInitialDelay(int32_t frames) noexcept { effectRecord_.initialDelay = frames; }

    // Calls the host with this effect's record; 0 when there is no callback.
    vst2::VstIntPtr callHost(int32_t opcode, int32_t index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr,
                               float opt = 0.0f) noexcept;
    bool hasHostCallback() const noexcept { return hostCallback_ != nullptr; }

private:
    vst2::audioMasterCallback hostCallback_;
    int32_t numPrograms_;
    vst2::AEffect effectRecord_;
};

} // namespace zk
