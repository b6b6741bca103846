// libFuzzer target: any bank or preset chunk through effSetChunk, then blocks of audio.
// The output stays finite, and whatever state a chunk leaves restores through getChunk
// and setChunk into a fresh instance to the same bytes.
#include "fuzz/FuzzEffect.h"

#include <vector>

namespace {

std::vector<uint8_t> chunkOf(zkfuzz::FuzzEffect& effect, bool isPreset) {
    void* data = nullptr;
    const auto size = effect.dispatch(vst2::effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || !data) std::abort();
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

} // namespace

// Input: a flag byte (bit 0 preset, bits 1-2 the sample rate, bits 3-7 the program), then
// the chunk itself, its size being the rest of the input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const float rates[4] = {44100.0f, 8000.0f, 96000.0f, 22050.0f};
    const bool isPreset = data[0] & 1;
    const int32_t program = data[0] >> 3;
    std::vector<uint8_t> chunk(data + 1, data + size); // the effect may keep no pointer into it

    zkfuzz::FuzzEffect& effect = zkfuzz::FuzzEffect::reused(0);
    effect.resume(rates[(data[0] >> 1) & 3], 512);
    effect.dispatch(vst2::effSetProgram, 0, program);
    if (effect.dispatch(vst2::effSetChunk, isPreset ? 1 : 0, static_cast<vst2::VstIntPtr>(chunk.size()),
                        chunk.data()) != 1)
        std::abort();
    effect.process(512, true, 1);
    effect.process(77, false, 2);
    effect.dispatch(vst2::effSetProgram, 0, (program + 1) % 128);
    effect.process(300, true, 3);
    effect.dispatch(vst2::effSetProgram, 0, program);

    const std::vector<uint8_t> saved = chunkOf(effect, isPreset);
    zkfuzz::FuzzEffect& restored = zkfuzz::FuzzEffect::reused(1);
    restored.dispatch(vst2::effSetProgram, 0, program);
    restored.dispatch(vst2::effSetChunk, isPreset ? 1 : 0, static_cast<vst2::VstIntPtr>(saved.size()),
                      const_cast<uint8_t*>(saved.data()));
    if (chunkOf(restored, isPreset) != saved) std::abort();
    restored.process(256, true, 4);
    return 0;
}
