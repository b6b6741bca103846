#include "formats/vst2/Vst2Effect.h"

#include "core/Parameters.h"
#include "core/Services.h"
#include "core/TextTools.h"
#include "product/Identity.h"
#include "product/PanelCommand.h"
#include "product/ParameterIndex.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zk {

namespace {

KeyPress keyPress(const vst2::VstKeyCode& key) noexcept { return {key.character, key.virt, key.modifier}; }

int16_t rectSide(int32_t pixels) noexcept { return static_cast<int16_t>(pixels > 0x7FFF ? 0x7FFF : pixels); }

// The accumulating call's block, computed before it is added, holds this many frames at least.
constexpr int32_t kScratchFrames = 8192;

// A subnormal as the zero of its sign, as the engine's arithmetic takes and gives it.
float flushed(float x) noexcept { return std::fpclassify(x) == FP_SUBNORMAL ? std::copysign(0.0f, x) : x; }

// The events of one part of a longer block: those from `first` on, their frames counted
// from the part's start.
class PartEvents final : public BlockEvents {
public:
    PartEvents(const BlockEvents& all, int32_t first, int32_t offset) noexcept
        : all_(all), first_(first), offset_(offset) {}
    int32_t size() const noexcept override { return std::max(all_.size() - first_, 0); }
    BlockEvent at(int32_t index) const noexcept override {
        BlockEvent event = all_.at(first_ + index);
        event.frame -= offset_;
        return event;
    }

private:
    const BlockEvents& all_;
    int32_t first_;
    int32_t offset_;
};

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
    for (std::vector<float>& channel : scratch_) channel.assign(kScratchFrames, 0.0f);
    effect_ = makeEffect(*this);
    setFlag(vst2::effFlagsHasEditor, effect_->hasPanel());
    effect_->initialise();
}

Vst2Effect::~Vst2Effect() = default;

// Past the parameters lie the panel's commands, which hosts and their stored automation
// reach as parameter indices.
void Vst2Effect::setParameter(int32_t index, float value) noexcept {
    if (TaggedCommand command; commandOfTag(index, value, command))
        effect_->panelCommand(command.command, command.parameter);
    else
        effect_->setParameter(index, value);
}

float Vst2Effect::getParameter(int32_t index) const noexcept { return effect_->parameter(index); }

const BlockEvents* Vst2Effect::takeEvents() noexcept {
    return eventsWaiting_.exchange(false, std::memory_order_relaxed) ? &events_ : nullptr;
}

// The effect's block added to what the buffers hold, with subnormal operands and sums as
// zeros, as the engine computes.
void Vst2Effect::process(float** inputs, float** outputs, int32_t frames) noexcept {
    const BlockEvents* events = takeEvents();
    if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) {
        effect_->process(inputs, outputs, frames, events); // the events still count
        return;
    }
    const auto room = static_cast<int32_t>(scratch_[0].size());
    int32_t done = 0;
    int32_t nextEvent = 0;
    do {
        const int32_t part = std::min(frames - done, room);
        const float* in[2] = {inputs[0] + done, inputs[1] + done};
        float* computed[2] = {scratch_[0].data(), scratch_[1].data()};
        if (done == 0 || !events) {
            effect_->process(in, computed, part, done == 0 ? events : nullptr);
        } else {
            const PartEvents rest(*events, nextEvent, done);
            effect_->process(in, computed, part, &rest);
        }
        for (int c = 0; c < 2; ++c)
            for (int32_t i = 0; i < part; ++i)
                outputs[c][done + i] = flushed(flushed(outputs[c][done + i]) + computed[c][i]);
        done += part;
        // The effect took the events in order up to the first one past the part.
        if (events)
            while (nextEvent < events->size() && events->at(nextEvent).frame < done) ++nextEvent;
    } while (done < frames);
}

void Vst2Effect::processReplacing(float** inputs, float** outputs, int32_t frames) noexcept {
    effect_->process(inputs, outputs, frames, takeEvents());
}

int32_t Vst2Effect::getProgram() const noexcept { return effect_->currentProgram(); }

void Vst2Effect::setProgram(int32_t index) noexcept { effect_->selectProgram(index); }

int32_t Vst2Effect::currentPreset(std::array<uint8_t, 256>& record) noexcept {
    const void* bytes = nullptr;
    const int32_t size = effect_->saveChunk(ChunkKind::preset, &bytes);
    if (!bytes || size < kNameBytes || size > static_cast<int32_t>(record.size())) return 0;
    std::memcpy(record.data(), bytes, static_cast<size_t>(size));
    return size;
}

bool Vst2Effect::storeQuietly(const std::array<uint8_t, 256>& record, int32_t size, int32_t program) noexcept {
    quietThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    const bool stored = effect_->restoreChunk(ChunkKind::preset, record.data(), size, program);
    quietThread_.store(std::thread::id{}, std::memory_order_relaxed);
    return stored;
}

// A program's name leads its preset chunk.
void Vst2Effect::setProgramName(const char* text) noexcept {
    std::array<uint8_t, 256> record;
    const int32_t size = currentPreset(record);
    if (size == 0) return;
    char name[kNameBytes];
    setNameField(name, text, kProgramNameChars);
    std::memcpy(record.data(), name, sizeof name);
    storeQuietly(record, size, -1);
}

void Vst2Effect::getProgramName(char* text) noexcept { effect_->programName(effect_->currentProgram(), text); }

// VST 2 hosts and the automation they have stored read every value as the plain number
// of eight characters with a blank label ("0.899999" for 0.9), whatever its unit.
void Vst2Effect::getParameterLabel(int32_t, char* text) noexcept { copyText(text, " ", vst2::kVstMaxParamStrLen); }

void Vst2Effect::getParameterDisplay(int32_t index, char* text) noexcept {
    text[0] = 0;
    if (index >= 0 && index < effect_->parameterCount()) floatToText(effect_->parameter(index), text);
}

void Vst2Effect::getParameterName(int32_t index, char* text) noexcept { effect_->parameterShortName(index, text); }

// The host keeps a copy of its own: renaming and copying programs save the effect's chunks
// too, and must not change what the host still holds.
int32_t Vst2Effect::getChunk(void** data, bool isPreset) noexcept {
    const void* bytes = nullptr;
    const int32_t size = effect_->saveChunk(isPreset ? ChunkKind::preset : ChunkKind::bank, &bytes);
    std::vector<uint8_t>& copy = chunkCopy_[isPreset ? 1 : 0];
    try {
        copy.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + std::max(size, 0));
    } catch (...) {
        return 0; // out of memory: no chunk
    }
    *data = copy.data();
    return size;
}

// As VST 2 hosts expect: a bank of another size is refused and the user told, and the
// current program applies again all the same; a shorter preset replaces only the leading
// bytes of the current program.
int32_t Vst2Effect::setChunk(void* data, int32_t size, bool isPreset) noexcept {
    if (!isPreset) {
        if (!data || !effect_->restoreChunk(ChunkKind::bank, data, size)) {
            tell("Can't load bank, wrong file size!", "Error!");
            effect_->selectProgram(effect_->currentProgram());
        }
        return 1;
    }
    std::array<uint8_t, 256> record;
    const int32_t full = currentPreset(record);
    if (size < 0 || size > full || (!data && size != 0)) {
        tell("Can't load preset, wrong file size!", "Error!");
        return 1;
    }
    if (size > 0) std::memcpy(record.data(), data, static_cast<size_t>(size));
    effect_->restoreChunk(ChunkKind::preset, record.data(), full);
    return 1;
}

void Vst2Effect::tell(const char* text, const char* title) noexcept {
    if (tellUser_) {
        try {
            tellUser_(text, title);
            return;
        } catch (...) {
        }
    }
    consoleMessages().showMessage(text, title, nullptr);
}

void Vst2Effect::setSampleRate(float rate) noexcept { effect_->setSampleRate(rate); }

void Vst2Effect::setBlockSize(int32_t size) noexcept { effect_->setMaxBlockSize(size); }

// A host may free or reuse an event list once it switches the effect off or on again: a
// list still waiting is dropped unread.
void Vst2Effect::suspend() noexcept {
    eventsWaiting_.store(false, std::memory_order_relaxed);
    effect_->deactivate();
}

void Vst2Effect::resume() noexcept {
    eventsWaiting_.store(false, std::memory_order_relaxed);
    effect_->activate();
}

// The next block's events, handed over before it; they stay the host's.
int32_t Vst2Effect::processEvents(vst2::VstEvents* events) noexcept {
    events_.reset(events);
    eventsWaiting_.store(true, std::memory_order_relaxed);
    return 1;
}

bool Vst2Effect::getProgramNameIndexed(int32_t, int32_t index, char* text) noexcept {
    return effect_->programName(index, text);
}

bool Vst2Effect::copyProgram(int32_t destination) noexcept {
    if (destination < 0 || destination >= effect_->programCount()) return false;
    std::array<uint8_t, 256> record;
    const int32_t size = currentPreset(record);
    return size > 0 && storeQuietly(record, size, destination);
}

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

void Vst2Effect::displayChanged() noexcept {
    if (quietThread_.load(std::memory_order_relaxed) == std::this_thread::get_id()) return;
    callHost(vst2::audioMasterUpdateDisplay);
}

void Vst2Effect::wantMidi() noexcept { callHost(vst2::audioMasterWantMidi, 0, 1); }

void Vst2Effect::resizePanel(PanelSize size) noexcept {
    char capability[] = "sizeWindow";
    if (callHost(vst2::audioMasterCanDo, 0, 0, capability) > 0)
        callHost(vst2::audioMasterSizeWindow, size.width, size.height);
}

} // namespace zk
