#include "tests/support/HostedEffect.h"

#include <memory>

namespace zktest {

HostedEffect::HostedEffect(vst2::audioMasterCallback hostCallback, zk::EffectServices services,
                           const zk::EditorFactory& makeEditor)
    : Vst2Effect(hostCallback, [&](zk::HostServices& host) {
          return std::make_unique<zk::PluginEffect>(host, services, makeEditor);
      }) {
    setTellUser([this](const char* text, const char* title) { core().tell(text, title); });
}

void HostedEffect::handleMidiEvent(const vst2::VstMidiEvent& event) noexcept {
    const uint8_t bytes[3] = {static_cast<uint8_t>(event.midiData[0]), static_cast<uint8_t>(event.midiData[1]),
                              static_cast<uint8_t>(event.midiData[2])};
    core().handleMidiMessage(bytes);
}

} // namespace zktest
