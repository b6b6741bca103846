#include "core/PluginEffect.h"

#include "core/TextTools.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

namespace zk {

namespace {

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

PluginEffect::PluginEffect(HostServices& host, EffectServices services, const EditorFactory& makeEditor)
    : host_(host), services_(completeServices(services)), engine_(*this) {
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
    notReady_.store(true);

    readLearnedControllers();

    if (makeEditor) {
        try {
            editor_ = makeEditor(*this);
        } catch (...) {
            editor_.reset(); // the effect goes on without a panel; the entry decides what that means
        }
    }
}

PluginEffect::~PluginEffect() {
    notReady_.store(true);
    dropPendingEvents();
    // The panel goes while everything its boxes may answer to is still here.
    if (editor_) editor_->close();
}

void PluginEffect::initialise() noexcept {
    initEngine();
    changeProgram(0, ChangeOrigin::program);
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

void PluginEffect::setParameter(int32_t index, float value) noexcept { applyParameter(index, value); }

float PluginEffect::applyParameter(int32_t index, float value) noexcept {
    if (notReady_.load(std::memory_order_relaxed) || !validParameter(index)) return value;
    value = storeParameter(index, value);
    applyEngineHook(index);
    // Once more with the engine's own values set: a frame that read the values between
    // the two announcements reads them again.
    announceValueChange();
    if (editor_) editor_->setParameter(index, value);
    return value;
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
        programs_[currentProgram()].values[index].store(value, std::memory_order_relaxed);
    else
        descriptor.value.store(value, std::memory_order_relaxed);
    announceValueChange();
    // Every program change and bank load passes here for each index (a program change
    // re-sets all values), so the engine's slots follow the current program and the flags.
    refreshParameterSlot(index);
    return value;
}

void PluginEffect::refreshParameterSlot(int32_t index) noexcept {
    const ParameterDescriptor& descriptor = descriptors_[index];
    setParameterSlot(index, descriptor.inProgram.load(std::memory_order_relaxed)
                                ? &programs_[currentProgram()].values[index]
                                : &descriptor.value);
}

void PluginEffect::applyEngineHook(int32_t index) noexcept {
    const ParameterInfo& info = kParameterTable[index];
    switch (info.hook) {
    case EngineHook::None: break;
    case EngineHook::BandTuning:
        engine_.setBandTuning(info.band, parameter(bandIndex(info.band)), parameter(fineIndex(info.band)));
        break;
    case EngineHook::Release: engine_.setRelease(info.band, parameter(index)); break;
    case EngineHook::Feedback: engine_.setFeedback(parameter(index)); break;
    case EngineHook::Smooth: engine_.setSmooth(parameter(index)); break;
    case EngineHook::FmEvery: engine_.setFmEvery(parameter(index)); break;
    }
}

float PluginEffect::parameter(int32_t index) const noexcept {
    if (!validParameter(index)) return 0.0f;
    const ParameterDescriptor& descriptor = descriptors_[index];
    if (descriptor.inProgram.load(std::memory_order_relaxed))
        return programs_[currentProgram()].values[index].load(std::memory_order_relaxed);
    return descriptor.value.load(std::memory_order_relaxed);
}

bool PluginEffect::describeParameter(int32_t index, ParameterDescription& description) const noexcept {
    if (!validParameter(index)) return false;
    const ParameterInfo& info = kParameterTable[index];
    description.name = info.fullName;
    description.symbol = info.symbol;
    description.shortName = info.name;
    const ValueStyle style = valueStyle(index);
    description.unit = style.unit;
    description.defaultValue = info.defaultValue;
    description.minimum = 0.0f;
    description.maximum = 1.0f;
    description.steps = style.steps;
    description.hidden = style.hidden;
    description.automatable = !style.hidden;
    return true;
}

void PluginEffect::parameterShortName(int32_t index, char* text) const noexcept {
    if (validParameter(index))
        copyText(text, descriptors_[index].name, kParamNameChars);
    else
        text[0] = 0;
}

const char* PluginEffect::parameterName(int32_t index) const noexcept {
    return validParameter(index) ? kParameterTable[index].fullName : "";
}

bool PluginEffect::valueToText(int32_t index, float value, char* text, size_t capacity) const noexcept {
    return unitValueText(index, value, valueContext(), text, capacity);
}

bool PluginEffect::textToValue(int32_t index, const char* text, float& value) const noexcept {
    return validParameter(index) && unitTextValue(index, text, valueContext(), value);
}

ValueContext PluginEffect::valueContext() const noexcept {
    ValueContext context;
    context.sampleRate = sampleRate();
    for (int32_t band = 1; band <= 3; ++band) {
        context.band[band - 1] = parameter(bandIndex(band));
        context.fine[band - 1] = parameter(fineIndex(band));
    }
    return context;
}

void PluginEffect::tell(const char* text, const char* title) noexcept {
    services_.messages->showMessage(text, title, editor_ ? editor_->messageWindow() : nullptr);
}

void PluginEffect::ask(const char* text, const char* title, MessageService::Answer answer) noexcept {
    services_.messages->askYesNo(text, title, editor_ ? editor_->messageWindow() : nullptr, std::move(answer));
}

// ---- the panel's side -----------------------------------------------------------------

void PluginEffect::editParameter(int32_t tag, float value) noexcept {
    if (!validParameter(tag)) return;
    host_.parameterChanged(tag, applyParameter(tag, value), ChangeOrigin::panel);
}

void PluginEffect::beginEdit(int32_t tag) noexcept {
    if (validParameter(tag)) host_.beginGesture(tag);
}

void PluginEffect::endEdit(int32_t tag) noexcept {
    if (validParameter(tag)) host_.endGesture(tag);
}

PanelSize PluginEffect::panelSize() const noexcept { return editor_ ? editor_->size() : PanelSize{}; }

bool PluginEffect::openPanel(void* parentWindow) noexcept { return editor_ && parentWindow && editor_->open(parentWindow); }

void PluginEffect::closePanel() noexcept {
    if (editor_) editor_->close();
}

void PluginEffect::panelIdle() noexcept {
    if (editor_) editor_->hostIdle();
}

int32_t PluginEffect::panelKeyDown(const KeyPress& key) noexcept { return editor_ ? editor_->onKeyDown(key) : 0; }

int32_t PluginEffect::panelKeyUp(const KeyPress& key) noexcept { return editor_ ? editor_->onKeyUp(key) : -1; }

bool PluginEffect::panelWheel(float distance) noexcept { return editor_ && editor_->onWheel(distance); }

bool PluginEffect::setKnobMode(int32_t mode) noexcept { return editor_ && editor_->setKnobMode(mode); }

// ---- audio --------------------------------------------------------------------------

void PluginEffect::setSampleRate(float rate) noexcept {
    // A tiny rate would make the coefficients, which divide by it, infinite; the delay lines
    // hold one second of it.
    if (rate >= 1.0f && rate <= 1.0e7f) sampleRate_.store(rate, std::memory_order_relaxed);
}

void PluginEffect::renderBlock(const float* const* inputs, float* const* outputs, int32_t frames) noexcept {
    if (notReady_.load(std::memory_order_relaxed)) return;
    if (inputs && outputs && inputs[0] && inputs[1] && outputs[0] && outputs[1]) {
        bypass_.process(inputs, outputs, frames, [&](int32_t n) {
            engine_.processBlock(inputs[0], inputs[1], outputs[0], outputs[1], n, true);
        });
    }
    // A sleeping engine skips its frames' events; act on them now rather than lose a
    // program change or controller sent while the input was silent. The frames were
    // silent, so nothing already output would have differed. A block of no frames (hosts
    // pass changes that way) still brings its events.
    handlePendingEvents(frames > 0 ? frames - 1 : 0);
    // The host's event list is valid only for this call: keep no pointer into it.
    dropPendingEvents();
}

void PluginEffect::process(const float* const* inputs, float* const* outputs, int32_t frames,
                           const BlockEvents* events) noexcept {
    processingThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    takeEvents(events);
    renderBlock(inputs, outputs, frames);
    processingThread_.store(std::thread::id{}, std::memory_order_relaxed);
}

void PluginEffect::deactivate() noexcept { dropPendingEvents(); }

void PluginEffect::activate() noexcept {
    dropPendingEvents();
    const bool ready = !notReady_.load(std::memory_order_relaxed);
    if (ready) host_.wantMidi();
    engine_.adoptSampleRate(sampleRate(), ready);
    try {
        bypass_.prepare(sampleRate());
    } catch (...) {
        // Out of memory: the fade keeps the size it had.
    }
}

} // namespace zk
