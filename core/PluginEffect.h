#pragma once

#include "core/Parameters.h"
#include "core/Services.h"
#include "engine/EngineHost.h"
#include "engine/SoundEngine.h"
#include "host/EffectBase.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace zk {

// True once an instance could not create its editor; later instances are refused too.
bool editorCreationFailed() noexcept;

// The one object the host talks to: the parameter table, the 128 programs and their
// chunks, MIDI input and learning, and the sound engine.
class PluginEffect : public EffectBase, private EngineHost {
public:
    static constexpr int32_t kBankChunkSize = kNumParameters * 36 + kNumPrograms * 240; // 32664
    static constexpr int32_t kPresetChunkSize = 240;

    explicit PluginEffect(vst2::audioMasterCallback hostCallback, EffectServices services = defaultServices());
    ~PluginEffect() override;

    // Parameters
    void setParameter(int32_t index, float value) noexcept override;
    float getParameter(int32_t index) const noexcept override;
    void getParameterLabel(int32_t index, char* text) noexcept override;
    void getParameterDisplay(int32_t index, char* text) noexcept override;
    void getParameterName(int32_t index, char* text) noexcept override;

    // Programs and chunks
    void setProgram(int32_t index) noexcept override;
    void setProgramName(const char* text) noexcept override;
    void getProgramName(char* text) noexcept override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) noexcept override;
    bool copyProgram(int32_t destination) noexcept override;
    int32_t getChunk(void** data, bool isPreset) noexcept override;
    int32_t setChunk(void* data, int32_t size, bool isPreset) noexcept override;

    // MIDI
    int32_t processEvents(vst2::VstEvents* events) noexcept override;
    void handlePendingEvents(int32_t frame) noexcept override;
    int32_t nextEventFrame(int32_t frame) const noexcept override;
    void handleMidiEvent(const vst2::VstMidiEvent& event) noexcept;
    int32_t learnedController(int32_t index) const noexcept;
    int32_t learnTarget() const noexcept { return learnTarget_.load(std::memory_order_relaxed); }

    // Audio
    void process(float** inputs, float** outputs, int32_t frames) noexcept override;
    void processReplacing(float** inputs, float** outputs, int32_t frames) noexcept override;
    void suspend() noexcept override;
    void resume() noexcept override;
    int32_t bandActivity(int32_t band) const noexcept { return engine_.bandActivity(band); }
    bool notReady() const noexcept { return notReady_.load(std::memory_order_relaxed); }

    // Identity and capabilities
    bool getOutputProperties(int32_t index, vst2::VstPinProperties* properties) noexcept override;
    bool getEffectName(char* text) noexcept override;
    bool getVendorString(char* text) noexcept override;
    bool getProductString(char* text) noexcept override;
    int32_t getVendorVersion() noexcept override;
    int32_t canDo(const char* capability) noexcept override;

    // The stored name of parameter 0..53, at most 8 characters; `text` holds 9 bytes.
    void copyParameterName(int32_t index, char* text) const noexcept;
    EffectServices services() const noexcept { return services_; }

private:
    // EngineHost
    void reselectCurrentProgram() noexcept override { setProgram(getProgram()); }
    // Points the engine's slot for `index` at where getParameter(index) reads from.
    void refreshParameterSlot(int32_t index) noexcept;

    void initEngine() noexcept;
    // Makes `index` current and applies all its values, exclusive of any other caller.
    void applyProgram(int32_t index) noexcept;
    void readLearnedControllers() noexcept;
    float storeParameter(int32_t index, float value) noexcept;
    void applyEngineHook(int32_t index) noexcept;
    void handleCommand(int32_t index, float value) noexcept;
    void handleLearnCommand(float value) noexcept;
    void forgetAllControllers() noexcept;
    void saveDefaults() noexcept;
    void writeDefaults() noexcept;
    // Messages to the user, over the panel while it is open and this is its thread; a
    // question's answer may come later (MessageService).
    void tell(const char* text, const char* title) noexcept;
    void ask(const char* text, const char* title, MessageService::Answer answer) noexcept;
    void refreshEditorControllers() noexcept;
    void dropPendingEvents() noexcept;
    void renderBlock(float** inputs, float** outputs, int32_t frames, bool replace) noexcept;

    void writeBankChunk() noexcept;
    void readBankChunk(const uint8_t* data) noexcept;
    void writeProgramRecord(const ProgramRecord& program, uint8_t* out) const noexcept;
    void readProgramRecord(const uint8_t* in, ProgramRecord& program) noexcept;

    EffectServices services_;
    std::array<ParameterDescriptor, kNumParameters> descriptors_;
    std::array<ProgramRecord, kNumPrograms> programs_;
    SoundEngine engine_;
    std::atomic<bool> notReady_{true};
    std::atomic<bool> programChangeBusy_{false};
    std::atomic<int32_t> learnTarget_{-1};
    std::atomic<vst2::VstEvents*> pendingList_{nullptr};
    std::atomic<int32_t> pendingIndex_{-1};
    // What getChunk hands out; each kind stays valid until the next getChunk of that kind.
    std::array<uint8_t, kBankChunkSize> bankChunk_{};
    std::array<uint8_t, kPresetChunkSize> presetChunk_{};
};

} // namespace zk
