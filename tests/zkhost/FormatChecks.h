#pragma once

// Checks every plug-in format's module passes through zkhost against the VST 2 module: each
// fails the running test where the module does not do as the VST 2 module does.

#include <string>
#include <vector>

namespace zkhosttest {

// A reference scenario (the shared folder's NAME.scenario, input and expected render) in
// blocks of `block` ("512", "1", "random"): the same bits as through the VST 2 module.
void expectReferenceScenarioAsThroughVst2(const std::string& module, const std::string& referenceDir,
                                          const std::string& scenario, const std::string& block);
// Controller 7 bound to Master by the stored settings every new instance reads: a MIDI file
// moving it at 1 s and 2 s changes the sound from exactly those frames, as through the VST 2
// module, and the host hears the moves as not to be recorded, at those frames.
void expectLearnedControllerAsThroughVst2(const std::string& module);
// A state saved by one instance, loaded into the next and saved again: the same bytes
// (`stateSize` of them), through streams of any size, and the same sound as the changes made
// directly; a state of another kind is refused.
void expectStateMovesWhole(const std::string& module, size_t stateSize);
// The reference input with a silent second and tail, rendered as a host that honours what
// the plug-in says of silence (CLAP's sleep, VST3's silence flags) and as one that does not:
// the same bits, and zkhost found `what` ("blocks not processed" or "output channels marked
// silent") to honour.
void expectSilenceHonouredToTheSameBits(const std::string& module, const std::string& referenceDir, const std::string& what);
// The factory set as the format offers it (zkhost presets): the sixteen names, and a preset
// loaded by name (render --preset) sounds as its .fxp through the VST 2 module.
void expectFactorySetAsThroughVst2(const std::string& module, const std::vector<std::string>& stateOptions = {});

} // namespace zkhosttest
