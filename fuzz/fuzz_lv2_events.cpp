// libFuzzer target: the LV2 instance's input in run: the events port's sequence (MIDI of any
// length, the UI's messages with any tag, index and value, objects and atoms of any type
// and body, at frames in order or not and past the block), control ports with any value
// (NaN, out of range), the enabled port, and a notify port with little room. Every block's
// output must be finite and the notify port must hold a well-formed sequence.
#include "formats/lv2/Lv2Plugin.h"
#include "formats/lv2/Lv2Ports.h"
#include "formats/lv2/Lv2Protocol.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/Lv2Fuzz.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kMaxFrames = zkfuzz::LoudBlock::kMaxFrames;
constexpr size_t kSequenceBytes = 1 << 16;

class Instance {
public:
    static Instance& reused() {
        static Instance* instance = new Instance; // lives as long as the process
        instance->reset();
        return *instance;
    }

    zk::lv2::Urids urids;
    float controls[zk::kNumParameters] = {};
    float enabled = 1.0f;

    // Starts the input sequence; events are appended with `event`.
    void beginSequence() {
        lv2_atom_forge_set_buffer(&forge_, input_.data(), input_.size());
        lv2_atom_forge_sequence_head(&forge_, &frame_, 0);
    }
    LV2_Atom_Forge& forge() { return forge_; }
    bool eventAt(int64_t frames) { return lv2_atom_forge_frame_time(&forge_, frames) != 0; }

    void run(uint32_t frames, bool inPlace, uint32_t seed, uint32_t notifyRoom) {
        lv2_atom_forge_pop(&forge_, &frame_);
        using Output = zkfuzz::LoudBlock::Output;
        const zkfuzz::LoudBlock block(frames, inPlace ? Output::inPlace : Output::replaced, seed);
        plugin_->connectPort(zk::lv2::kAudioInLeft, block.inputs[0]);
        plugin_->connectPort(zk::lv2::kAudioInRight, block.inputs[1]);
        plugin_->connectPort(zk::lv2::kAudioOutLeft, block.outputs[0]);
        plugin_->connectPort(zk::lv2::kAudioOutRight, block.outputs[1]);
        // The host gives the notify port's room as its atom's size.
        auto* notify = reinterpret_cast<LV2_Atom*>(notify_.data());
        notify->size = std::min<uint32_t>(notifyRoom, static_cast<uint32_t>(notify_.size() - sizeof(LV2_Atom)));
        notify->type = 0;
        plugin_->run(block.frames);
        block.checkFinite();
        checkNotify();
    }

private:
    Instance() {
        const LV2_Feature mapFeature{LV2_URID__map, &map_.feature};
        const LV2_Feature* features[] = {&mapFeature, nullptr};
        plugin_ = zk::lv2::Lv2Plugin::create(44100.0, features, settings_);
        if (!plugin_ || !urids.mapAll(map_.feature)) std::abort();
        lv2_atom_forge_init(&forge_, &map_.feature);
        for (int32_t i = 0; i < zk::kNumParameters; ++i) {
            controls[i] = plugin_->effect().parameter(i);
            plugin_->connectPort(zk::lv2::portOfParameter(i), &controls[i]);
        }
        first_.assign(controls, controls + zk::kNumParameters);
        plugin_->connectPort(zk::lv2::kEventsInPort, input_.data());
        plugin_->connectPort(zk::lv2::kNotifyPort, notify_.data());
        plugin_->connectPort(zk::lv2::kEnabledPort, &enabled);
        plugin_->activate();
        const void* bank = nullptr;
        const int32_t size = plugin_->effect().saveChunk(zk::ChunkKind::bank, &bank);
        firstBank_.assign(static_cast<const uint8_t*>(bank), static_cast<const uint8_t*>(bank) + size);
    }

    void reset() {
        plugin_->effect().restoreChunk(zk::ChunkKind::bank, firstBank_.data(), static_cast<int32_t>(firstBank_.size()), 0);
        std::copy(first_.begin(), first_.end(), controls);
        enabled = 1.0f;
    }

    // The notify port: a sequence within the room given, its events in time order.
    void checkNotify() const {
        const auto* sequence = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
        if (sequence->atom.type == 0) return; // nothing written
        if (sequence->atom.type != urids.atomSequence || sequence->atom.size + sizeof(LV2_Atom) > notify_.size())
            std::abort();
        int64_t last = 0;
        LV2_ATOM_SEQUENCE_FOREACH(sequence, event) {
            if (event->time.frames < last) std::abort();
            last = event->time.frames;
        }
    }

    zkfuzz::UridMap map_;
    zkfuzz::MemorySettings settings_;
    std::unique_ptr<zk::lv2::Lv2Plugin> plugin_;
    LV2_Atom_Forge forge_{};
    LV2_Atom_Forge_Frame frame_{};
    std::vector<float> first_;
    std::vector<uint8_t> firstBank_;
    std::vector<uint8_t> input_ = std::vector<uint8_t>(kSequenceBytes);
    std::vector<uint8_t> notify_ = std::vector<uint8_t>(kSequenceBytes);
};

float anyValue(zkfuzz::InputReader& in) { return static_cast<float>(zkfuzz::anyValue(in, 100.0)); }

// One event of the sequence at `frames`: false when the sequence is full.
bool writeEvent(zkfuzz::InputReader& in, Instance& instance, int64_t frames) {
    LV2_Atom_Forge& forge = instance.forge();
    const zk::lv2::Urids& u = instance.urids;
    const uint8_t kind = in.byte();
    if (!instance.eventAt(frames)) return false;
    switch (kind % 8) {
    case 0:
    case 1: { // MIDI, mostly three bytes
        uint8_t bytes[8];
        const uint32_t length = kind & 0x80 ? in.byte() % 9 : 3;
        for (uint32_t i = 0; i < length; ++i) bytes[i] = in.byte();
        if (length > 0) bytes[0] |= 0x80;
        return lv2_atom_forge_atom(&forge, length, u.midiEvent) && lv2_atom_forge_write(&forge, bytes, length);
    }
    case 2: return zk::lv2::writePanelCommand(forge, u, static_cast<int8_t>(in.byte()), anyValue(in));
    case 3: return in.byte() & 1 ? zk::lv2::writePanelOpened(forge, u) : zk::lv2::writePanelClosed(forge, u);
    case 4: return zk::lv2::writeValue(forge, u, static_cast<int8_t>(in.byte()), anyValue(in));
    default: { // an atom of one of the types the plug-in knows, or any, with any body
        const LV2_URID types[] = {u.atomObject, u.atomBlank, u.atomInt, u.atomFloat, u.midiEvent, u.atomSequence,
                                  u.panelCommand, in.u32()};
        const LV2_URID type = types[in.byte() % 8];
        size_t got = 0;
        const uint8_t* body = in.take(in.byte() % 64, got);
        return lv2_atom_forge_atom(&forge, static_cast<uint32_t>(got), type) &&
               lv2_atom_forge_write(&forge, body, static_cast<uint32_t>(got));
    }
    }
}

} // namespace

// Input: rounds of a control byte, the block size, control port changes, then the events.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zkfuzz::InputReader in(data, size);
    Instance& instance = Instance::reused();
    for (int round = 0; round < 16 && !in.done(); ++round) {
        const uint8_t control = in.byte();
        const uint32_t frames = in.u16() % (kMaxFrames + 1);
        for (int changes = in.byte() % 8; changes > 0; --changes)
            instance.controls[in.byte() % zk::kNumParameters] = anyValue(in);
        if (control & 1) instance.enabled = anyValue(in);
        instance.beginSequence();
        uint32_t time = 0;
        for (int events = in.byte() % 32; events > 0; --events)
            if (!writeEvent(in, instance, time = zkfuzz::nextFrame(in, time, frames))) break;
        const uint32_t room = control & 2 ? in.u16() % 512 : 1 << 15;
        instance.run(frames, (control & 4) != 0, round, room);
    }
    return 0;
}
