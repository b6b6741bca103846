// MIDI input as a controller surface: learned Control Change bindings and Program Change,
// acted on at the frame each event names; and the panel's commands, learning among them.

#include "core/PluginEffect.h"

#include <cmath>

namespace zk {

namespace {
constexpr float kDataByteScale = 0.007874016f; // 1/127: data byte 127 gives 1.0
constexpr int32_t kNoList = -1;
// Controller numbers 120..127 carry the Channel Mode messages (All Sound Off, Reset All
// Controllers, All Notes Off ...), which hosts send on every channel when the transport
// stops: they are not controllers, and neither teach nor move a parameter.
constexpr int32_t kFirstChannelModeMessage = 120;

bool validParameter(int32_t index) noexcept { return index >= 0 && index < kNumParameters; }
} // namespace

void PluginEffect::takeEvents(const BlockEvents* events) noexcept {
    if (notReady_.load(std::memory_order_relaxed)) return;
    if (!events || events->size() <= 0) {
        dropPendingEvents();
        return;
    }
    pendingList_.store(events, std::memory_order_relaxed);
    pendingIndex_.store(0, std::memory_order_relaxed);
    setEventsPending(true);
}

void PluginEffect::dropPendingEvents() noexcept {
    setEventsPending(false);
    pendingIndex_.store(kNoList, std::memory_order_relaxed);
    pendingList_.store(nullptr, std::memory_order_relaxed);
}

void PluginEffect::handlePendingEvents(int32_t frame) noexcept {
    int32_t index = pendingIndex_.load(std::memory_order_relaxed);
    if (index == kNoList) return;
    const BlockEvents* list = pendingList_.load(std::memory_order_relaxed);
    if (!list) return;
    // Every event is consumed once, in list order. One whose frame has already passed (an
    // unsorted list) is acted on at once rather than holding up those behind it.
    const int32_t count = list->size();
    while (index < count) {
        const BlockEvent event = list->at(index);
        if (event.frame > frame) break;
        pendingIndex_.store(++index, std::memory_order_relaxed);
        if (event.kind == BlockEvent::Kind::midi)
            handleMidiMessage(event.midi);
        else if (event.kind == BlockEvent::Kind::parameter && validParameter(event.parameter))
            applyParameter(event.parameter, event.value); // the host's own change: not reported back
    }
}

int32_t PluginEffect::nextEventFrame(int32_t frame) const noexcept {
    const int32_t index = pendingIndex_.load(std::memory_order_relaxed);
    if (index == kNoList) return noPendingEvents;
    const BlockEvents* list = pendingList_.load(std::memory_order_relaxed);
    if (!list || index >= list->size()) return noPendingEvents;
    const int32_t due = list->at(index).frame;
    return due < frame ? frame : due;
}

void PluginEffect::handleMidiMessage(const uint8_t (&bytes)[3]) noexcept {
    const uint8_t status = bytes[0];
    const int32_t data1 = bytes[1] & 0x7F;
    const int32_t data2 = bytes[2] & 0x7F;
    switch (status & 0xF0) {
    case 0xC0: changeProgram(data1, ChangeOrigin::program); break;
    case 0xB0: {
        if (data1 >= kFirstChannelModeMessage) break;
        // The message that teaches a binding also moves the parameter it binds.
        int32_t target = learnTarget_.exchange(-1, std::memory_order_relaxed);
        if (target >= 0 && target < kNumParameters) {
            descriptors_[target].learnedController.store(data1, std::memory_order_relaxed);
            refreshEditorControllers();
        }
        if (data1 == 0) break; // controller 0 cannot be bound
        const float value = static_cast<float>(data2) * kDataByteScale;
        for (int32_t i = 0; i < kNumParameters; ++i)
            if (descriptors_[i].learnedController.load(std::memory_order_relaxed) == data1)
                host_.parameterChanged(i, applyParameter(i, value), ChangeOrigin::controller);
        break;
    }
    default: break; // notes, pitch bend, pressure and system messages play no part
    }
}

int32_t PluginEffect::learnedController(int32_t index) const noexcept {
    if (index < 0 || index >= kNumParameters) return 0;
    return descriptors_[index].learnedController.load(std::memory_order_relaxed);
}

void PluginEffect::refreshEditorControllers() noexcept {
    if (editor_) editor_->refreshLearnedControllers();
}

void PluginEffect::panelCommand(PanelCommand command, int32_t parameter) noexcept {
    if (notReady_.load(std::memory_order_relaxed)) return;
    switch (command) {
    case PanelCommand::learnController:
        if (parameter != -1 && !validParameter(parameter)) return;
        learnTarget_.store(parameter, std::memory_order_relaxed);
        break;
    case PanelCommand::forgetController:
        if (!validParameter(parameter)) return;
        descriptors_[parameter].learnedController.store(0, std::memory_order_relaxed);
        refreshEditorControllers();
        break;
    case PanelCommand::saveDefaults: saveDefaults(); break;
    case PanelCommand::forgetAllControllers: forgetAllControllers(); break;
    case PanelCommand::openAbout:
    case PanelCommand::closeAbout: break; // the panel's own
    }
    // The panel hears every command as the tag its control sends.
    if (editor_) {
        int32_t tag = 0;
        float value = 0.0f;
        tagOfCommand(command, parameter, tag, value);
        editor_->setParameter(tag, value);
    }
}

void PluginEffect::forgetAllControllers() noexcept {
    ask(kForgetControllersQuestion, kQuestionTitle, [this](bool yes) {
        if (!yes) return;
        for (ParameterDescriptor& descriptor : descriptors_)
            descriptor.learnedController.store(0, std::memory_order_relaxed);
        refreshEditorControllers();
    });
}

} // namespace zk
