#pragma once

#include "core/Effect.h"
#include "core/HostServices.h"
#include "formats/vst2/EffectBase.h"
#include "formats/vst2/Vst2Events.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace zk {

// The plug-in as a VST 2 effect: the dispatcher's operations turned into the effect's
// format-neutral ones, and the effect's host services turned into host callbacks. What VST 2
// alone asks of a plug-in is done here on the effect's general entries: events handed over
// before the block, the accumulating process call, chunks of the wrong size (told to the
// user), renaming and copying programs, the panel's commands as parameter indices.
class Vst2Effect : public EffectBase, private HostServices {
public:
    using EffectFactory = std::function<std::unique_ptr<Effect>(HostServices& host)>;
    // [main] Shows the user a notice (text, title), over the panel where it is open.
    using TellUser = std::function<void(const char* text, const char* title)>;

    // Fills the record, builds the effect through `makeEffect` and initialises it; the host
    // hears from it (program 0 selected) before this returns. Throws what the factory throws.
    Vst2Effect(vst2::audioMasterCallback hostCallback, const EffectFactory& makeEffect);
    ~Vst2Effect() override;
    // [main] Before the host has the record: where notices go (stderr until then).
    void setTellUser(TellUser tell) { tellUser_ = std::move(tell); }

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
    // audioMasterSizeWindow, where the host says it can ("sizeWindow"); effEditGetRect
    // answers the new size from then on in any case.
    void resizePanel(PanelSize size) noexcept override;

    // [audio] The events handed over for this block, if any; from then on none are waiting.
    const BlockEvents* takeEvents() noexcept;
    // [main] The current program's preset chunk into `record`; its size, 0 when it does not fit.
    int32_t currentPreset(std::array<uint8_t, 256>& record) noexcept;
    // [main] Loads a preset into `program` without the host hearing of it, as renaming and
    // copying have never been reported.
    bool storeQuietly(const std::array<uint8_t, 256>& record, int32_t size, int32_t program) noexcept;
    void tell(const char* text, const char* title) noexcept;

    std::unique_ptr<Effect> effect_;
    TellUser tellUser_;
    Vst2Events events_;
    std::atomic<bool> eventsWaiting_{false};
    // The accumulating call's block, computed here before it is added to the host's buffers;
    // sized off the audio thread, a longer block goes through in parts.
    std::vector<float> scratch_[2];
    // The thread whose program reports the host does not hear (storeQuietly).
    std::atomic<std::thread::id> quietThread_{};
    // What getChunk hands the host, each kind valid until the next of its kind.
    std::vector<uint8_t> chunkCopy_[2];
    vst2::ERect panelRect_{};
};

} // namespace zk
