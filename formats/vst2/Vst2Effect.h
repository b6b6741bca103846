#pragma once

#include "core/Effect.h"
#include "core/HostServices.h"
#include "formats/vst2/EffectBase.h"
#include "formats/vst2/Vst2Events.h"

#include <functional>
#include <memory>

namespace zk {

// The plug-in as a VST 2 effect: the dispatcher's operations turned into the effect's
// format-neutral ones, and the effect's host services turned into host callbacks.
class Vst2Effect : public EffectBase, private HostServices {
public:
    using EffectFactory = std::function<std::unique_ptr<Effect>(HostServices& host)>;

    // Fills the record, builds the effect through `makeEffect` and initialises it; the host
    // hears from it (program 0 selected) before this returns. Throws what the factory throws.
    Vst2Effect(vst2::audioMasterCallback hostCallback, const EffectFactory& makeEffect);
    ~Vst2Effect() override;

    Effect& effect() noexcept { return *effect_; }
    const Effect& effect() const noexcept { return *effect_; }

    void setParameter(int32_t index, float value) noexcept override;
    float getParameter(int32_t index) const noexcept override;
    void process(float** inputs, float** outputs, int32_t frames) noexcept override;
    void processReplacing(float** inputs, float** outputs, int32_t frames) noexcept override;

    int32_t getProgram() const noexcept override;
    void setProgram(int32_t index) noexcept override;
    void setProgramName(const char* text) noexcept override;
    void getProgramName(char* text) noexcept override;
    void getParameterLabel(int32_t index, char* text) noexcept override;
    void getParameterDisplay(int32_t index, char* text) noexcept override;
    void getParameterName(int32_t index, char* text) noexcept override;
    int32_t getChunk(void** data, bool isPreset) noexcept override;
    int32_t setChunk(void* data, int32_t size, bool isPreset) noexcept override;
    void setSampleRate(float rate) noexcept override;
    void setBlockSize(int32_t size) noexcept override;
    void suspend() noexcept override;
    void resume() noexcept override;
    int32_t processEvents(vst2::VstEvents* events) noexcept override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) noexcept override;
    bool copyProgram(int32_t destination) noexcept override;
    bool getOutputProperties(int32_t index, vst2::VstPinProperties* properties) noexcept override;
    bool getEffectName(char* text) noexcept override;
    bool getVendorString(char* text) noexcept override;
    bool getProductString(char* text) noexcept override;
    int32_t getVendorVersion() noexcept override;
    int32_t canDo(const char* capability) noexcept override;

    bool editGetRect(vst2::ERect** rect) noexcept override;
    bool editOpen(void* parentWindow) noexcept override;
    void editClose() noexcept override;
    void editIdle() noexcept override;
    int32_t editKeyDown(const vst2::VstKeyCode& key) noexcept override;
    int32_t editKeyUp(const vst2::VstKeyCode& key) noexcept override;
    int32_t editKnobMode(int32_t mode) noexcept override;
    bool editWheel(float distance) noexcept override;

private:
    // HostServices: what a VST 2 host has always been told. Only the user's edits on the
    // panel are automation; MIDI-driven moves are not reported, and a program change or a
    // chunk load reaches the host as a display update.
    void beginGesture(int32_t index) noexcept override;
    void endGesture(int32_t index) noexcept override;
    void parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept override;
    void allParametersChanged(ChangeOrigin) noexcept override {}
    void displayChanged() noexcept override;
    void wantMidi() noexcept override;
    void idle() noexcept override;
    // audioMasterSizeWindow, where the host says it can ("sizeWindow"); effEditGetRect
    // answers the new size from then on in any case.
    void resizePanel(PanelSize size) noexcept override;

    std::unique_ptr<Effect> effect_;
    Vst2Events events_;
    vst2::ERect panelRect_{};
};

} // namespace zk
