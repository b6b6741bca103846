#pragma once

#include "core/Effect.h"
#include "core/BypassFade.h"
#include "core/HostServices.h"
#include "core/Parameters.h"
#include "core/Services.h"
#include "core/ValueText.h"
#include "engine/EngineHost.h"
#include "engine/SoundEngine.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace zk {

// The plug-in itself: the parameter table, the 128 programs and their chunks, MIDI input
// and learning, the sound engine, and the panel it builds through its EditorFactory.
// Formats drive it as an Effect; its panel reaches it as its EditorContext.
class PluginEffect final : public Effect, public EditorContext, private EngineHost {
public:
    static constexpr int32_t kBankChunkSize = kNumParameters * 36 + kNumPrograms * 240; // 32664
    static constexpr int32_t kPresetChunkSize = 240;

    explicit PluginEffect(HostServices& host, EffectServices services = defaultServices(),
                          const EditorFactory& makeEditor = {});
    ~PluginEffect() override;

    // Effect
    void initialise() noexcept override;
    int32_t parameterCount() const noexcept override { return kNumParameters; }
    bool describeParameter(int32_t index, ParameterDescription& description) const noexcept override;
    float parameter(int32_t index) const noexcept override;
    void setParameter(int32_t index, float value) noexcept override;
    void panelCommand(PanelCommand command, int32_t parameter = -1) noexcept override; // MidiInput.cpp
    void parameterShortName(int32_t index, char* text) const noexcept override;
    bool valueToText(int32_t index, float value, char* text, size_t capacity) const noexcept override;
    bool textToValue(int32_t index, const char* text, float& value) const noexcept override;
    // What the value texts depend on beyond the value: the rate, the bands' tunings.
    ValueContext valueContext() const noexcept;
    int32_t programCount() const noexcept override { return kNumPrograms; }
    int32_t currentProgram() const noexcept override { return currentProgram_.load(std::memory_order_relaxed); }
    void selectProgram(int32_t index) noexcept override;
    bool programName(int32_t index, char* text) const noexcept override;
    int32_t factoryPresetCount() const noexcept override;
    bool factoryPresetInfo(int32_t index, const char** name, const char** description) const noexcept override;
    bool loadFactoryPreset(int32_t index) noexcept override;
    int32_t saveChunk(ChunkKind kind, const void** data) noexcept override;
    bool restoreChunk(ChunkKind kind, const void* data, int32_t size, int32_t program = -1) noexcept override;
    void setSampleRate(float rate) noexcept override;
    float sampleRate() const noexcept override { return sampleRate_.load(std::memory_order_relaxed); }
    void setMaxBlockSize(int32_t frames) noexcept override { maxBlockSize_.store(frames, std::memory_order_relaxed); }
    int32_t maxBlockSize() const noexcept override { return maxBlockSize_.load(std::memory_order_relaxed); }
    void activate() noexcept override;
    void deactivate() noexcept override;
    void process(const float* const* inputs, float* const* outputs, int32_t frames,
                 const BlockEvents* events = nullptr) noexcept override;
    uint32_t tailFrames() const noexcept override;
    void setBypass(bool bypassed) noexcept override { bypass_.request(bypassed); }
    bool bypassed() const noexcept override { return bypass_.requested(); }
    bool sleeping() const noexcept override { return engine_.asleep() && bypass_.plain(); } // Tail.cpp
    bool hasPanel() const noexcept override { return editor_ != nullptr; }
    PanelSize panelSize() const noexcept override;
    bool setPanelScale(float scale) noexcept override { return editor_ && editor_->setScale(scale); }
    bool openPanel(void* parentWindow) noexcept override;
    void closePanel() noexcept override;
    int32_t panelEventDescriptor() noexcept override { return editor_ ? editor_->eventDescriptor() : -1; }
    void panelIdle() noexcept override;
    int32_t panelKeyDown(const KeyPress& key) noexcept override;
    int32_t panelKeyUp(const KeyPress& key) noexcept override;
    bool panelWheel(float distance) noexcept override;
    bool setKnobMode(int32_t mode) noexcept override;

    // EditorContext (parameter and valueToText as above)
    const char* parameterName(int32_t index) const noexcept override;
    void editParameter(int32_t tag, float value) noexcept override;
    void beginEdit(int32_t tag) noexcept override;
    void endEdit(int32_t tag) noexcept override;
    int32_t learnedController(int32_t index) const noexcept override;
    bool bandActive(int32_t band) const noexcept override { return engine_.bandActivity(band) != 0; }
    MessageService& messages() noexcept override { return *services_.messages; }
    SettingsStore& settings() noexcept override { return *services_.settings; }
    void panelResized(PanelSize size) noexcept override { host_.resizePanel(size); }

    // MIDI, as the engine's block loop reaches it (EngineHost), and one message on its own.
    void handlePendingEvents(int32_t frame) noexcept override;
    int32_t nextEventFrame(int32_t frame) const noexcept override;
    void handleMidiMessage(const uint8_t (&bytes)[3]) noexcept;
    // [audio] The block's events, read as the engine reaches their frames (process takes
    // them so; checks of the frame walk hand them over and walk it themselves).
    void takeEvents(const BlockEvents* events) noexcept;
    int32_t learnTarget() const noexcept { return learnTarget_.load(std::memory_order_relaxed); }

    int32_t bandActivity(int32_t band) const noexcept { return engine_.bandActivity(band); }
    // [any] The sound engine as it stands, for checks of what the effect says of it.
    const SoundEngine& engine() const noexcept { return engine_; }
    bool notReady() const noexcept { return notReady_.load(std::memory_order_relaxed); }
    EffectServices services() const noexcept { return services_; }
    Editor* editor() const noexcept { return editor_.get(); }
    // [any] A notice for the user: over the panel while it is open and this is its thread.
    void tell(const char* text, const char* title) noexcept;

private:
    // EngineHost
    void reselectCurrentProgram() noexcept override { changeProgram(currentProgram(), ChangeOrigin::program); }
    // Points the engine's slot for `index` at where parameter(index) reads from.
    void refreshParameterSlot(int32_t index) noexcept;

    void initEngine() noexcept;
    // Stores and applies one value and shows it on the panel; returns what was stored (the
    // value itself for an index that is no parameter).
    float applyParameter(int32_t index, float value) noexcept;
    void changeProgram(int32_t index, ChangeOrigin origin) noexcept;
    // Makes `index` current and applies all its values, exclusive of any other caller.
    void applyProgram(int32_t index) noexcept;
    void readLearnedControllers() noexcept;
    float storeParameter(int32_t index, float value) noexcept;
    void applyEngineHook(int32_t index) noexcept;
    void forgetAllControllers() noexcept;
    void saveDefaults() noexcept;
    void writeDefaults() noexcept;
    // A question to the user, over the panel while it is open and this is its thread; its
    // answer may come later (MessageService).
    void ask(const char* text, const char* title, MessageService::Answer answer) noexcept;
    void refreshEditorControllers() noexcept;
    void dropPendingEvents() noexcept;
    void renderBlock(const float* const* inputs, float* const* outputs, int32_t frames) noexcept;

    void writeBankChunk() noexcept;
    void readBankChunk(const uint8_t* data) noexcept;
    void writeProgramRecord(const ProgramRecord& program, uint8_t* out) const noexcept;
    void readProgramRecord(const uint8_t* in, ProgramRecord& program) noexcept;

    // First, so that it goes last: the panel outlives everything its views may still show.
    std::unique_ptr<Editor> editor_;
    HostServices& host_;
    EffectServices services_;
    std::array<ParameterDescriptor, kNumParameters> descriptors_;
    std::array<ProgramRecord, kNumPrograms> programs_;
    SoundEngine engine_;
    BypassFade bypass_;
    std::atomic<int32_t> currentProgram_{0};
    std::atomic<float> sampleRate_{44100.0f};
    std::atomic<int32_t> maxBlockSize_{1024};
    std::atomic<bool> notReady_{true};
    std::atomic<bool> programChangeBusy_{false};
    std::atomic<int32_t> learnTarget_{-1};
    std::atomic<const BlockEvents*> pendingList_{nullptr};
    std::atomic<int32_t> pendingIndex_{-1};
    // The thread inside process(), none outside it.
    std::atomic<std::thread::id> processingThread_{};
    static_assert(std::atomic<std::thread::id>::is_always_lock_free);
    // What saveChunk hands out; each kind stays valid until the next saveChunk of that kind.
    std::array<uint8_t, kBankChunkSize> bankChunk_{};
    std::array<uint8_t, kPresetChunkSize> presetChunk_{};
};

} // namespace zk
