// Programs, their names, and the bank and preset chunks byte for byte.

#include "core/PluginEffect.h"

#include "core/FactoryPresets.h"

#include "core/TextTools.h"

#include <bit>
#include <cstring>
#include <thread>

namespace zk {

namespace {

constexpr int32_t kDescriptorBytes = 36;
constexpr int32_t kProgramBytes = 240;
constexpr int32_t kProgramsOffset = kNumParameters * kDescriptorBytes; // 1944
static_assert(PluginEffect::kBankChunkSize == 32664 && kProgramsOffset == 1944);

bool validProgram(int32_t index) noexcept { return index >= 0 && index < kNumPrograms; }

void putLittle32(uint8_t* out, uint32_t value) noexcept {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t getLittle32(const uint8_t* in) noexcept {
    return uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24;
}

} // namespace

void PluginEffect::selectProgram(int32_t index) noexcept { changeProgram(index, ChangeOrigin::program); }

void PluginEffect::changeProgram(int32_t index, ChangeOrigin origin) noexcept {
    if (!validProgram(index)) return;
    applyProgram(index);
    // Outside the exclusive part: the host and the panel may change the program again from
    // inside these calls, on this thread or another, and must not wait for this one.
    host_.allParametersChanged(origin);
    host_.displayChanged();
    // Inside processing the panel only takes the values (above): drawing there would wait on
    // the window system and allocate, in a host that processes on the panel's thread. Its
    // next idle draws them.
    if (editor_ && processingThread_.load(std::memory_order_relaxed) != std::this_thread::get_id())
        editor_->idle();
}

void PluginEffect::applyProgram(int32_t index) noexcept {
    // A program change is exclusive: a second caller waits until the first has applied all
    // its values. Nothing in here calls the host or draws (the panel only takes the values),
    // so the holder never waits for anyone.
    bool expected = false;
    while (!programChangeBusy_.compare_exchange_weak(expected, true, std::memory_order_acquire)) {
        expected = false;
        std::this_thread::yield();
    }
    currentProgram_.store(index, std::memory_order_relaxed);
    for (int32_t i = 0; i < kNumParameters; ++i) applyParameter(i, parameter(i));
    programChangeBusy_.store(false, std::memory_order_release);
}

bool PluginEffect::programName(int32_t index, char* text) const noexcept {
    if (!validProgram(index)) {
        text[0] = 0;
        return false;
    }
    copyText(text, programs_[index].name, kProgramNameChars);
    return true;
}

void PluginEffect::writeProgramRecord(const ProgramRecord& program, uint8_t* out) const noexcept {
    std::memcpy(out, program.name, kNameBytes);
    for (int32_t i = 0; i < kNumParameters; ++i)
        putLittle32(out + kNameBytes + 4 * i, std::bit_cast<uint32_t>(program.values[i].load(std::memory_order_relaxed)));
}

void PluginEffect::readProgramRecord(const uint8_t* in, ProgramRecord& program) noexcept {
    std::memcpy(program.name, in, kNameBytes);
    for (int32_t i = 0; i < kNumParameters; ++i)
        program.values[i].store(std::bit_cast<float>(getLittle32(in + kNameBytes + 4 * i)), std::memory_order_relaxed);
}

void PluginEffect::writeBankChunk() noexcept {
    uint8_t* out = bankChunk_.data();
    for (const ParameterDescriptor& descriptor : descriptors_) {
        out[0] = descriptor.inProgram.load(std::memory_order_relaxed);
        out[1] = descriptor.unclamped.load(std::memory_order_relaxed);
        out[2] = descriptor.savedAsDefault.load(std::memory_order_relaxed);
        out[3] = descriptor.reserved.load(std::memory_order_relaxed);
        putLittle32(out + 4, std::bit_cast<uint32_t>(descriptor.value.load(std::memory_order_relaxed)));
        putLittle32(out + 8, static_cast<uint32_t>(descriptor.learnedController.load(std::memory_order_relaxed)));
        std::memcpy(out + 12, descriptor.name, kNameBytes);
        out += kDescriptorBytes;
    }
    for (const ProgramRecord& program : programs_) {
        writeProgramRecord(program, out);
        out += kProgramBytes;
    }
}

void PluginEffect::readBankChunk(const uint8_t* in) noexcept {
    for (ParameterDescriptor& descriptor : descriptors_) {
        descriptor.inProgram.store(in[0], std::memory_order_relaxed);
        descriptor.unclamped.store(in[1], std::memory_order_relaxed);
        descriptor.savedAsDefault.store(in[2], std::memory_order_relaxed);
        descriptor.reserved.store(in[3], std::memory_order_relaxed);
        descriptor.value.store(std::bit_cast<float>(getLittle32(in + 4)), std::memory_order_relaxed);
        descriptor.learnedController.store(static_cast<int32_t>(getLittle32(in + 8)), std::memory_order_relaxed);
        std::memcpy(descriptor.name, in + 12, kNameBytes);
        in += kDescriptorBytes;
    }
    for (ProgramRecord& program : programs_) {
        readProgramRecord(in, program);
        in += kProgramBytes;
    }
}

int32_t PluginEffect::saveChunk(ChunkKind kind, const void** data) noexcept {
    if (kind == ChunkKind::preset) {
        writeProgramRecord(programs_[currentProgram()], presetChunk_.data());
        *data = presetChunk_.data();
        return kPresetChunkSize;
    }
    writeBankChunk();
    *data = bankChunk_.data();
    return kBankChunkSize;
}

bool PluginEffect::restoreChunk(ChunkKind kind, const void* data, int32_t size, int32_t program) noexcept {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || notReady_.load(std::memory_order_relaxed)) return false;
    if (kind == ChunkKind::bank) {
        if (size != kBankChunkSize || !(program == -1 || validProgram(program))) return false;
        readBankChunk(bytes);
        changeProgram(program == -1 ? currentProgram() : program, ChangeOrigin::state);
    } else {
        if (size != kPresetChunkSize || !(program == -1 || validProgram(program))) return false;
        if (program != -1 && program != currentProgram()) {
            // Into another program: nothing sounds or shows of it until it is selected.
            readProgramRecord(bytes, programs_[program]);
            announceValueChange(); // should a program change have made it current meanwhile
            return true;
        }
        readProgramRecord(bytes, programs_[currentProgram()]);
        changeProgram(currentProgram(), ChangeOrigin::state);
    }
    refreshEditorControllers();
    return true;
}

// ---- the factory set

int32_t PluginEffect::factoryPresetCount() const noexcept { return zk::factoryPresetCount(); }

bool PluginEffect::factoryPresetInfo(int32_t index, const char** name, const char** description) const noexcept {
    const FactoryPreset* preset = factoryPreset(index);
    if (!preset) return false;
    if (name) *name = preset->name;
    if (description) *description = preset->description;
    return true;
}

bool PluginEffect::loadFactoryPreset(int32_t index) noexcept {
    const FactoryPreset* preset = factoryPreset(index);
    return preset && restoreChunk(ChunkKind::preset, preset->chunk, kPresetChunkSize);
}

} // namespace zk
