#pragma once

// The factory set: sounds that come with the plug-in, apart from its 128 programs (a new
// instance's programs are all "Init"). Each is a preset chunk, what loading it into the
// current program takes: its name and its 54 values. The build embeds them from
// presets/factory.fxb and presets/factory.txt, which presets/make-factory-set makes.

#include <cstdint>

namespace zk {

struct FactoryPreset {
    const char* name;
    const char* description; // one line, what it does
    const uint8_t* chunk;    // the preset chunk, 240 bytes
};

int32_t factoryPresetCount() noexcept;
// Null for an index that is none.
const FactoryPreset* factoryPreset(int32_t index) noexcept;

} // namespace zk
