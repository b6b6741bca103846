// The state a CLAP host keeps with its project: a header of 16 bytes, then the bank chunk
// (every program, the shared values and the learned controller bindings), then the flags.
//   0  4  "ZKCS"
//   4  4  format version, 2 (32-bit little-endian, as all numbers here)
//   8  4  the current program
//  12  4  the size of the bank chunk that follows
//  16     the bank chunk
//   +  4  flags: bit 0 bypassed (version 2 on; a version 1 state, which ends with the
//         chunk, loads as not bypassed)
// Streams may move fewer bytes per call than asked; a load that does not find exactly this
// fails and leaves everything as it was.

#include "formats/clap/ClapExtensions.h"
#include "formats/clap/ClapPlugin.h"

#include <cstring>
#include <vector>

namespace zk {

using namespace clap;

namespace {

constexpr char kMagic[4] = {'Z', 'K', 'C', 'S'};
constexpr uint32_t kVersion = 2;
constexpr uint32_t kFirstVersion = 1; // no flags
constexpr uint32_t kBypassedFlag = 1;
constexpr size_t kHeaderBytes = 16;
// Larger than any chunk this plug-in writes, so that a foreign size is refused before
// anything is read into memory.
constexpr uint32_t kLargestChunk = 1u << 20;

void putLittle32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t getLittle32(const uint8_t* in) {
    return uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24;
}

bool writeAll(const clap_ostream* stream, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const int64_t written = stream->write(stream, bytes, size);
        if (written <= 0 || static_cast<uint64_t>(written) > size) return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// False at an error or when the stream ends first.
bool readAll(const clap_istream* stream, uint8_t* bytes, size_t size) {
    while (size > 0) {
        const int64_t read = stream->read(stream, bytes, size);
        if (read <= 0 || static_cast<uint64_t>(read) > size) return false;
        bytes += read;
        size -= static_cast<size_t>(read);
    }
    return true;
}

ClapPlugin* self(const clap_plugin* plugin) { return ClapPlugin::of(plugin); }

} // namespace

bool ClapPlugin::saveState(const clap_ostream* stream) noexcept {
    if (!stream || !stream->write) return false;
    const int32_t program = effect_->currentProgram();
    const void* chunk = nullptr;
    const int32_t size = effect_->saveChunk(ChunkKind::bank, &chunk);
    if (size <= 0 || !chunk) return false;
    uint8_t header[kHeaderBytes];
    std::memcpy(header, kMagic, sizeof kMagic);
    putLittle32(header + 4, kVersion);
    putLittle32(header + 8, static_cast<uint32_t>(program));
    putLittle32(header + 12, static_cast<uint32_t>(size));
    uint8_t flags[4];
    putLittle32(flags, effect_->bypassed() ? kBypassedFlag : 0);
    return writeAll(stream, header, sizeof header) &&
           writeAll(stream, static_cast<const uint8_t*>(chunk), static_cast<size_t>(size)) &&
           writeAll(stream, flags, sizeof flags);
}

bool ClapPlugin::loadState(const clap_istream* stream) noexcept {
    if (!stream || !stream->read) return false;
    uint8_t header[kHeaderBytes];
    if (!readAll(stream, header, sizeof header) || std::memcmp(header, kMagic, sizeof kMagic) != 0) return false;
    const uint32_t version = getLittle32(header + 4);
    if (version != kVersion && version != kFirstVersion) return false;
    const auto program = static_cast<int32_t>(getLittle32(header + 8));
    const uint32_t size = getLittle32(header + 12);
    if (program < 0 || program >= effect_->programCount() || size == 0 || size > kLargestChunk) return false;
    std::vector<uint8_t> chunk;
    try {
        chunk.resize(size);
    } catch (...) {
        return false;
    }
    if (!readAll(stream, chunk.data(), chunk.size())) return false;
    uint8_t flags[4] = {};
    if (version == kVersion && !readAll(stream, flags, sizeof flags)) return false;
    // The effect takes it whole or not at all; it has the host rescan the values.
    if (!effect_->restoreChunk(ChunkKind::bank, chunk.data(), static_cast<int32_t>(size), program)) return false;
    setBypass((getLittle32(flags) & kBypassedFlag) != 0);
    return true;
}

const clap_plugin_state clapState = {
    [](const clap_plugin* plugin, const clap_ostream* stream) { return self(plugin) && self(plugin)->saveState(stream); },
    [](const clap_plugin* plugin, const clap_istream* stream) { return self(plugin) && self(plugin)->loadState(stream); },
};

} // namespace zk
