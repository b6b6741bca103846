#pragma once

// The effect as a VST 2 host holds it, built from the libraries instead of loaded: the
// wrapper's record and dispatcher over a core effect, with the core's own entries beside
// them for the checks that look inside (the frames of MIDI events, learning, the panel's
// path to the host).

#include "core/PluginEffect.h"
#include "formats/vst2/Vst2Effect.h"
#include "formats/vst2/Vst2Events.h"

namespace zktest {

class HostedEffect : public zk::Vst2Effect {
public:
    HostedEffect(vst2::audioMasterCallback hostCallback, zk::EffectServices services,
                 const zk::EditorFactory& makeEditor = {});

    zk::PluginEffect& core() noexcept { return static_cast<zk::PluginEffect&>(effect()); }
    const zk::PluginEffect& core() const noexcept { return static_cast<const zk::PluginEffect&>(effect()); }
    zk::Editor* editor() const noexcept { return core().editor(); }

    // The events go to the wrapper for the next block and, for the checks that walk the
    // frames themselves (handlePendingEvents), to the effect at once.
    int32_t processEvents(vst2::VstEvents* events) noexcept override {
        walked_.reset(events);
        core().takeEvents(&walked_);
        return Vst2Effect::processEvents(events);
    }

    // MIDI as the engine's block loop reaches it, and one message on its own.
    void handlePendingEvents(int32_t frame) noexcept { core().handlePendingEvents(frame); }
    int32_t nextEventFrame(int32_t frame) const noexcept { return core().nextEventFrame(frame); }
    void handleMidiEvent(const vst2::VstMidiEvent& event) noexcept;
    int32_t learnTarget() const noexcept { return core().learnTarget(); }
    int32_t learnedController(int32_t index) const noexcept { return core().learnedController(index); }
    int32_t bandActivity(int32_t band) const noexcept { return core().bandActivity(band); }

    // What the panel does: its edits (reported to the host) and commands, as its controls'
    // tags and values; its gestures, its idle requests.
    void setParameterAutomated(int32_t tag, float value) noexcept {
        if (zk::TaggedCommand command; zk::commandOfTag(tag, value, command))
            core().panelCommand(command.command, command.parameter);
        else
            core().editParameter(tag, value);
    }
    void beginEdit(int32_t tag) noexcept { core().beginEdit(tag); }
    void endEdit(int32_t tag) noexcept { core().endEdit(tag); }
    void hostIdle() noexcept { core().hostIdle(); }

private:
    zk::Vst2Events walked_;
};

} // namespace zktest
