#pragma once

// What the CLAP fuzz targets share: the CLAP plug-in built from the libraries around an
// effect with quiet dialogs and settings in memory, hosted by a host that offers no
// extension, active at 44100 Hz; put back into its first state before each input by
// loading the state it had when it was made.

#include "core/PluginEffect.h"
#include "formats/clap/ClapAbi.h"
#include "formats/clap/ClapPlugin.h"
#include "fuzz/FuzzSupport.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace zkfuzz {

// A stream over bytes that moves at most `step` bytes per call (0: all asked for) and, at
// `failAt` bytes (when set), reports an error instead.
struct ByteStream {
    const uint8_t* data = nullptr;
    size_t size = 0, at = 0, step = 0;
    size_t failAt = SIZE_MAX;
    clap::clap_istream record{this, &ByteStream::read};

    static int64_t read(const clap::clap_istream* stream, void* buffer, uint64_t asked) {
        auto* self = static_cast<ByteStream*>(stream->ctx);
        if (self->at >= self->failAt) return -1;
        size_t n = self->size - self->at;
        if (asked < n) n = static_cast<size_t>(asked);
        if (self->step && self->step < n) n = self->step;
        if (n > 0) std::memcpy(buffer, self->data + self->at, n);
        self->at += n;
        return static_cast<int64_t>(n);
    }
};

struct ByteSink {
    std::vector<uint8_t> bytes;
    clap::clap_ostream record{this, &ByteSink::write};

    static int64_t write(const clap::clap_ostream* stream, const void* buffer, uint64_t size) {
        auto* self = static_cast<ByteSink*>(stream->ctx);
        const auto* p = static_cast<const uint8_t*>(buffer);
        self->bytes.insert(self->bytes.end(), p, p + size);
        return static_cast<int64_t>(size);
    }
};

class ClapFuzzPlugin {
public:
    static constexpr uint32_t kMaxFrames = LoudBlock::kMaxFrames;

    static ClapFuzzPlugin& reused() {
        static ClapFuzzPlugin* instance = new ClapFuzzPlugin; // lives as long as the process
        instance->reset();
        return *instance;
    }

    const clap::clap_plugin* plugin() const { return plugin_; }
    const clap::clap_plugin_params* params() const { return params_; }

    std::vector<uint8_t> save() const {
        ByteSink sink;
        if (!state_->save(plugin_, &sink.record)) std::abort();
        return sink.bytes;
    }
    bool load(ByteStream& stream) const { return state_->load(plugin_, &stream.record); }
    bool load(const std::vector<uint8_t>& bytes) const {
        ByteStream stream;
        stream.data = bytes.data();
        stream.size = bytes.size();
        return load(stream);
    }

    // One block of loud pseudo-random input with the given events (none by default), in
    // place or not.
    clap::clap_process_status process(uint32_t frames, bool inPlace, uint32_t seed,
                                      const clap::clap_input_events* in = &kNoEvents,
                                      const clap::clap_output_events* out = &kDiscard) {
        LoudBlock block(frames, inPlace ? LoudBlock::Output::inPlace : LoudBlock::Output::replaced, seed);
        clap::clap_audio_buffer input{block.inputs, nullptr, 2, 0, 0};
        clap::clap_audio_buffer output{block.outputs, nullptr, 2, 0, 0};
        const clap::clap_process data{-1, block.frames, nullptr, &input, &output, 1, 1, in, out};
        const clap::clap_process_status status = plugin_->process(plugin_, &data);
        block.checkFinite();
        return status;
    }

private:
    ClapFuzzPlugin() {
        auto* made = new zk::ClapPlugin(&host_, &kDescriptor, [this](zk::HostServices& services) {
            return std::make_unique<zk::PluginEffect>(services, zk::EffectServices{&messages_, &settings_});
        });
        plugin_ = made->record();
        if (!plugin_->init(plugin_)) std::abort();
        state_ = static_cast<const clap::clap_plugin_state*>(plugin_->get_extension(plugin_, clap::CLAP_EXT_STATE));
        params_ = static_cast<const clap::clap_plugin_params*>(plugin_->get_extension(plugin_, clap::CLAP_EXT_PARAMS));
        if (!state_ || !params_) std::abort();
        if (!plugin_->activate(plugin_, 44100.0, 1, kMaxFrames) || !plugin_->start_processing(plugin_)) std::abort();
        first_ = save();
    }

    void reset() {
        if (!load(first_)) std::abort();
        plugin_->reset(plugin_);
        messages_ = QuietMessages{};
    }

    static constexpr clap::clap_input_events kNoEvents{
        nullptr, [](const clap::clap_input_events*) -> uint32_t { return 0; },
        [](const clap::clap_input_events*, uint32_t) -> const clap::clap_event_header* { return nullptr; }};
    static constexpr clap::clap_output_events kDiscard{
        nullptr, [](const clap::clap_output_events*, const clap::clap_event_header*) { return true; }};

    static const void* noExtension(const clap::clap_host*, const char*) { return nullptr; }
    static void nothing(const clap::clap_host*) {}

    static constexpr clap::clap_plugin_descriptor kDescriptor = {
        clap::CLAP_VERSION, "org.zephyrkettledrome.fuzz", "fuzz", "", "", "", "", "1", "", nullptr};
    clap::clap_host host_{clap::CLAP_VERSION, nullptr, "fuzz", nullptr, nullptr, "1",
                          &noExtension, &nothing, &nothing, &nothing};
    QuietMessages messages_;
    MemorySettings settings_;
    const clap::clap_plugin* plugin_ = nullptr;
    const clap::clap_plugin_state* state_ = nullptr;
    const clap::clap_plugin_params* params_ = nullptr;
    std::vector<uint8_t> first_;
};

} // namespace zkfuzz
