#include "formats/vst3/Vst3State.h"

#include <cstring>
#include <vector>

namespace zk {

namespace {

constexpr char kMagic[4] = {'Z', 'K', 'S', 'T'};
constexpr char kPresetMagic[4] = {'Z', 'K', 'S', 'P'};
constexpr uint32_t kPresetVersion = 1;
constexpr uint32_t kVersion = 2;
constexpr uint32_t kFirstVersion = 1; // no flags
constexpr uint32_t kBypassedFlag = 1;
constexpr size_t kHeaderSize = 16;
constexpr uint32_t kMostBankBytes = 16u << 20; // far above any bank; a bigger size is damage

void putLe32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t le32(const uint8_t* at) {
    return uint32_t(at[0]) | (uint32_t(at[1]) << 8) | (uint32_t(at[2]) << 16) | (uint32_t(at[3]) << 24);
}

bool writeAll(vst3::IBStream* stream, const uint8_t* data, size_t size) {
    while (size > 0) {
        const auto step = static_cast<vst3::int32>(size > 0x40000000u ? 0x40000000u : size);
        vst3::int32 written = 0;
        if (stream->write(const_cast<uint8_t*>(data), step, &written) != vst3::kResultOk || written <= 0 || written > step)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool readAll(vst3::IBStream* stream, uint8_t* data, size_t size) {
    while (size > 0) {
        const auto step = static_cast<vst3::int32>(size);
        vst3::int32 got = 0;
        if (stream->read(data, step, &got) != vst3::kResultOk || got <= 0 || got > step) return false;
        data += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

struct StoredState {
    bool preset = false; // one program's chunk, not the bank
    int32_t program = 0;
    std::vector<uint8_t> bank; // or the preset chunk
    uint32_t flags = 0;
};

bool readState(const Effect& effect, vst3::IBStream* stream, StoredState& state) noexcept {
    if (!stream) return false;
    try {
        uint8_t header[kHeaderSize];
        if (!readAll(stream, header, sizeof header)) return false;
        if (std::memcmp(header, kPresetMagic, sizeof kPresetMagic) == 0) {
            // A preset: the chunk's size comes at 8 and its bytes at 12.
            if (le32(header + 4) != kPresetVersion || le32(header + 8) != 240) return false;
            state.preset = true;
            state.bank.resize(240);
            std::memcpy(state.bank.data(), header + 12, 4);
            return readAll(stream, state.bank.data() + 4, 236);
        }
        const uint32_t version = le32(header + 4);
        if (std::memcmp(header, kMagic, sizeof kMagic) != 0 || (version != kVersion && version != kFirstVersion))
            return false;
        state.program = static_cast<int32_t>(le32(header + 8));
        const uint32_t size = le32(header + 12);
        if (state.program < 0 || state.program >= effect.programCount() || size == 0 || size > kMostBankBytes)
            return false;
        state.bank.resize(size);
        if (!readAll(stream, state.bank.data(), size)) return false;
        uint8_t flags[4] = {};
        if (version == kVersion && !readAll(stream, flags, sizeof flags)) return false;
        state.flags = le32(flags);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

bool saveVst3State(Effect& effect, vst3::IBStream* stream) noexcept {
    if (!stream) return false;
    const void* bank = nullptr;
    const int32_t size = effect.saveChunk(ChunkKind::bank, &bank);
    if (size <= 0 || !bank) return false;
    uint8_t header[kHeaderSize];
    std::memcpy(header, kMagic, sizeof kMagic);
    putLe32(header + 4, kVersion);
    putLe32(header + 8, static_cast<uint32_t>(effect.currentProgram()));
    putLe32(header + 12, static_cast<uint32_t>(size));
    uint8_t flags[4];
    putLe32(flags, effect.bypassed() ? kBypassedFlag : 0);
    return writeAll(stream, header, sizeof header) && writeAll(stream, static_cast<const uint8_t*>(bank), size_t(size)) &&
           writeAll(stream, flags, sizeof flags);
}

bool loadVst3State(Effect& effect, vst3::IBStream* stream) noexcept {
    StoredState state;
    if (!readState(effect, stream, state)) return false;
    if (state.preset)
        return effect.restoreChunk(ChunkKind::preset, state.bank.data(), static_cast<int32_t>(state.bank.size()));
    if (!effect.restoreChunk(ChunkKind::bank, state.bank.data(), static_cast<int32_t>(state.bank.size()), state.program))
        return false;
    effect.setBypass((state.flags & kBypassedFlag) != 0);
    return true;
}

bool checkVst3State(const Effect& effect, vst3::IBStream* stream) noexcept {
    StoredState state;
    return readState(effect, stream, state);
}

std::vector<uint8_t> vst3PresetState(Effect& effect) {
    const void* chunk = nullptr;
    const int32_t size = effect.saveChunk(ChunkKind::preset, &chunk);
    std::vector<uint8_t> bytes(12 + static_cast<size_t>(size > 0 ? size : 0));
    std::memcpy(bytes.data(), kPresetMagic, sizeof kPresetMagic);
    putLe32(bytes.data() + 4, kPresetVersion);
    putLe32(bytes.data() + 8, static_cast<uint32_t>(size));
    if (size > 0) std::memcpy(bytes.data() + 12, chunk, static_cast<size_t>(size));
    return bytes;
}

} // namespace zk
