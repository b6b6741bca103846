#pragma once

// The processor's state as it lies in the host's stream, all numbers little-endian:
//   0  4  "ZKST"
//   4  4  version, 2
//   8  4  the current program, 0..127
//  12  4  the bank chunk's size in bytes
//  16     the bank chunk: every parameter's flags, shared value and learned controller,
//         and the 128 programs
//   +  4  flags: bit 0 bypassed (a version 1 state ends with the chunk and loads as not
//         bypassed)
// A preset (a .vstpreset's component state: one program, not the whole instance):
//   0  4  "ZKSP"
//   4  4  version, 1
//   8  4  the preset chunk's size, 240
//  12     the preset chunk: the program's name and values, loaded into the current program
// Streams may move fewer bytes per call than asked; both directions go on until done.

#include "core/Effect.h"
#include "formats/vst3/Vst3Abi.h"

#include <cstdint>
#include <vector>

namespace zk {

// [main] Writes the effect's state; false when the stream takes less than all of it.
bool saveVst3State(Effect& effect, vst3::IBStream* stream) noexcept;
// [main] Reads a state from the stream's position and loads it into the effect; false, with
// the effect unchanged, for a stream that holds none of ours, a damaged or short one, or
// one the effect refuses.
bool loadVst3State(Effect& effect, vst3::IBStream* stream) noexcept;
// [main] Reads and checks a state without loading it.
bool checkVst3State(const Effect& effect, vst3::IBStream* stream) noexcept;
// A preset state of the effect's current program.
std::vector<uint8_t> vst3PresetState(Effect& effect);

} // namespace zk
