#pragma once

// The effect as a VST 2 host holds it, built from the libraries instead of loaded: the
// wrapper's record and dispatcher over a core effect, with the core's own entries beside
// them for the checks that look inside (learning, the panel's path to the host).

#include "core/PluginEffect.h"
#include "formats/vst2/Vst2Effect.h"

namespace zktest {

class HostedEffect : public zk::Vst2Effect {
public:
    HostedEffect(vst2::audioMasterCallback hostCallback, zk::EffectServices services,
                 const zk::EditorFactory& makeEditor = {});

    zk::PluginEffect& core() noexcept { return static_cast<zk::PluginEffect&>(effect()); }
    const zk::PluginEffect& core() const noexcept { return static_cast<const zk::PluginEffect&>(effect()); }
    zk::Editor* editor() const noexcept { return core().editor(); }

    // One MIDI message on its own, as the engine's block loop hands it over.
    void handleMidiEvent(const vst2::VstMidiEvent& event) noexcept;
    int32_t learnTarget() const noexcept { return core().learnTarget(); }
    int32_t learnedController(int32_t index) const noexcept { return core().learnedController(index); }
    int32_t bandActivity(int32_t band) const noexcept { return core().bandActivity(band); }

    // What the panel does: its edits (reported to the host) and commands, as its controls'
    // tags and values.
    void setParameterAutomated(int32_t tag, float value) noexcept {
        if (zk::TaggedCommand command; zk::commandOfTag(tag, value, command))
            core().panelCommand(command.command, command.parameter);
        else
            core().editParameter(tag, value);
    }
};

} // namespace zktest
