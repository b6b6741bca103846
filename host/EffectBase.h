#pragma once

#include "host/EditorBase.h"
#include "host/Vst2Abi.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace zk {

// The host-facing base of the effect: it carries the VST 2 record, routes every opcode
// of the dispatcher to one virtual operation and wraps the host callbacks.
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
    // setParameter, then tells the host so it can record the change. Only the record's
    // parameters are ever reported, here and by beginEdit and endEdit: an index past them
    // (a command of the panel) is carried out but kept from the host, which may index an
    // array of its own with it.
    virtual void setParameterAutomated(int32_t index, float value) noexcept;
    virtual void process(float** inputs, float** outputs, int32_t frames) noexcept;
    virtual void processReplacing(float** inputs, float** outputs, int32_t frames) noexcept;
    virtual vst2::VstIntPtr dispatch(int32_t opcode, int32_t index = 0, vst2::VstIntPtr value = 0,
                                     void* ptr = nullptr, float opt = 0.0f) noexcept;

    // One handler per opcode. Text handlers receive a non-null buffer.
    virtual void open() noexcept {}
    virtual void close() noexcept {}
    virtual int32_t getProgram() const noexcept { return currentProgram_.load(std::memory_order_relaxed); }
    virtual void setProgram(int32_t index) noexcept;
    virtual void setProgramName(const char*) noexcept {}
    virtual void getProgramName(char* text) noexcept { text[0] = 0; }
    virtual void getParameterLabel(int32_t, char* text) noexcept { text[0] = 0; }
    virtual void getParameterDisplay(int32_t, char* text) noexcept { text[0] = 0; }
    virtual void getParameterName(int32_t, char* text) noexcept { text[0] = 0; }
    virtual int32_t getChunk(void** data, bool isPreset) noexcept;
    virtual int32_t setChunk(void* data, int32_t size, bool isPreset) noexcept;
    // Rates outside 1 Hz to 10 MHz are ignored: coefficients divide by the rate (a tiny one
    // makes them infinite) and the delay lines hold one second of it.
    virtual void setSampleRate(float rate) noexcept;
    virtual void setBlockSize(int32_t size) noexcept { blockSize_.store(size, std::memory_order_relaxed); }
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

    // Record setters used while the effect is built.
    void setUniqueID(int32_t id) noexcept { effectRecord_.uniqueID = id; }
    void setNumInputs(int32_t count) noexcept { effectRecord_.numInputs = count; }
    void setNumOutputs(int32_t count) noexcept { effectRecord_.numOutputs = count; }
    void setFlag(int32_t flag, bool on) noexcept;
    void setInitialDelay(int32_t frames) noexcept { effectRecord_.initialDelay = frames; }

    float sampleRate() const noexcept { return sampleRate_.load(std::memory_order_relaxed); }
    int32_t blockSize() const noexcept { return blockSize_.load(std::memory_order_relaxed); }

    // The editor attaches itself here and is owned by this object from then on.
    void attachEditor(EditorBase* editor) noexcept;
    EditorBase* editor() const noexcept { return editor_.get(); }

    // Text tools, with this effect's sample rate where they need one.
    static void floatToText(float value, char* text) noexcept;
    static void dbToText(float level, char* text) noexcept;
    void hzToText(float samples, char* text) const noexcept;
    void msToText(float samples, char* text) const noexcept;
    static void longToText(int32_t value, char* text) noexcept;

    // Host services; each returns 0 (or false) when there is no callback.
    vst2::VstIntPtr callHost(int32_t opcode, int32_t index = 0, vst2::VstIntPtr value = 0, void* ptr = nullptr,
                             float opt = 0.0f) noexcept;
    bool wantMidi() noexcept { return callHost(vst2::audioMasterWantMidi, 0, 1) != 0; }
    bool updateDisplay() noexcept { return callHost(vst2::audioMasterUpdateDisplay) != 0; }
    bool beginEdit(int32_t index) noexcept {
        return isParameterIndex(index) && callHost(vst2::audioMasterBeginEdit, index) != 0;
    }
    bool endEdit(int32_t index) noexcept {
        return isParameterIndex(index) && callHost(vst2::audioMasterEndEdit, index) != 0;
    }
    void hostIdle() noexcept { callHost(vst2::audioMasterIdle); }
    bool hasHostCallback() const noexcept { return hostCallback_ != nullptr; }

protected:
    std::atomic<int32_t> currentProgram_{0};

private:
    bool isParameterIndex(int32_t index) const noexcept { return index >= 0 && index < numParams_; }

    std::atomic<float> sampleRate_{44100.0f};
    std::unique_ptr<EditorBase> editor_;
    vst2::audioMasterCallback hostCallback_;
    int32_t numPrograms_;
    int32_t numParams_;
    std::atomic<int32_t> blockSize_{1024};
    vst2::AEffect effectRecord_;
};

} // namespace zk
