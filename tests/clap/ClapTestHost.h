#pragma once

// A CLAP host for the tests, written against the interface only: the module loaded as
// zkhost loads it, a host record whose extensions record what the plug-in asks of them,
// zkhost's event lists and streams, and one instance driven through its record and
// extensions.

#include "formats/clap/ClapAbi.h"
#include "tests/support/Stereo.h"
#include "tools/zkhost/ClapEvents.h"

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zkclaptest {

// The built Zephyrkettledrome.clap's entry, loaded as zkhost loads modules and initialised
// for the object's life; fails the test when it does not load.
class ClapModule {
public:
    ClapModule();
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;
    const clap::clap_plugin_entry* entry() const { return entry_; }
    const clap::clap_plugin_factory* factory() const { return factory_; }

private:
    const clap::clap_plugin_entry* entry_ = nullptr;
    const clap::clap_plugin_factory* factory_ = nullptr;
};

// The host side: what the plug-in asked for, and on which thread.
class TestHost {
public:
    TestHost();
    const clap::clap_host* record() const { return &record_; }

    bool offerTimers = true;
    std::thread::id mainThread = std::this_thread::get_id();
    // Set on the thread that makes an audio-thread call (process, flush while active).
    static thread_local bool inAudioCall;

    std::vector<uint32_t> rescans;       // the flags of every params.rescan
    int rescansOffMain = 0;              // of which not on the main thread
    int flushRequests = 0, callbackRequests = 0, restartRequests = 0, tailChanges = 0;
    std::vector<uint32_t> timers;        // registered, by id
    std::vector<int> descriptors;        // registered
    std::vector<std::pair<uint32_t, uint32_t>> resizeRequests; // gui.request_resize's sizes

private:
    static TestHost* self(const clap::clap_host* host) { return static_cast<TestHost*>(host->host_data); }
    static const void* extension(const clap::clap_host* host, const char* id);
    clap::clap_host record_{};
};

// A block's input events, with the shorthands the tests use.
class InputEvents : public zkhost::ClapInputEvents {
public:
    void addParameter(uint32_t frame, uint32_t id, double value) { addParamValue(frame, id, nullptr, value); }
    void addMidi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
        const uint8_t bytes[3] = {status, data1, data2};
        ClapInputEvents::addMidi(frame, 0, bytes, clap::CLAP_EVENT_IS_LIVE);
    }
    // A note on in CLAP's own dialect, which the plug-in ignores.
    void addNote(uint32_t frame, int16_t key) { ClapInputEvents::addNote(clap::CLAP_EVENT_NOTE_ON, frame, 0, 0, key, 1.0); }
};

// What the plug-in pushed, as zkhost copies it; a limit makes the list refuse pushes past
// it, and an event of another space or of a size not its type's counts as misshapen.
class OutputEvents : public zkhost::ClapOutputEvents {
public:
    explicit OutputEvents(size_t limit = SIZE_MAX);
    const clap::clap_output_events* list() const { return &limited_; }
    int misshapen = 0;

private:
    size_t limit_;
    clap::clap_output_events limited_{};
};

using zktest::Stereo;
using zktest::testSignal;

// One instance, created and initialised by the factory of `module`.
class Instance {
public:
    Instance(const ClapModule& module, TestHost& host);
    // An instance made by other means, initialised here and destroyed with this object.
    Instance(const clap::clap_plugin* plugin, TestHost& host);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    const clap::clap_plugin* plugin() const { return plugin_; }
    template <typename T> const T* extension(const char* id) const {
        return static_cast<const T*>(plugin_->get_extension(plugin_, id));
    }
    const clap::clap_plugin_params* params() const { return params_; }
    const clap::clap_plugin_state* state() const { return state_; }

    bool activate(double rate, uint32_t maxFrames);
    void deactivate();
    // As a host that forgets to: the instance is then destroyed while active.
    void forgetToDeactivate() { active_ = false; }
    // One block on the audio thread's side: in place when `inPlace`, else into `out`.
    clap::clap_process_status process(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
                                      const InputEvents* in = nullptr, OutputEvents* out = nullptr);
    // The whole signal in blocks of the sizes given in turn (repeated), out of place.
    Stereo render(const Stereo& input, const std::vector<uint32_t>& blockSizes);
    void flush(const InputEvents& in, OutputEvents* out = nullptr);
    void setParameter(uint32_t id, double value); // through flush
    double parameter(uint32_t id) const;
    std::vector<uint8_t> save() const;
    bool load(const std::vector<uint8_t>& bytes, uint64_t perCall = 0);
    // Calls on_main_thread when the plug-in asked for it.
    void runMainThreadCallbacks();

private:
    void initialise();
    TestHost& host_;
    const clap::clap_plugin* plugin_ = nullptr;
    const clap::clap_plugin_params* params_ = nullptr;
    const clap::clap_plugin_state* state_ = nullptr;
    bool active_ = false;
    int64_t steadyTime_ = 0;
};

} // namespace zkclaptest
