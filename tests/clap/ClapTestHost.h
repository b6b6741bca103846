#pragma once

// A CLAP host for the tests, written against the interface only: the module loaded with
// dlopen (RTLD_NOW, as strict hosts do), a host record whose extensions record what the
// plug-in asks of them, event lists, streams that move few bytes per call or fail, and one
// instance driven through its record and extensions.

#include "formats/clap/ClapAbi.h"
#include "tools/zkhost/ClapEvents.h"

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zkclaptest {

// The built Zephyrkettledrome.clap.
std::string builtClapPath();

class ClapModule {
public:
    explicit ClapModule(const std::string& path); // fails the test when it does not load
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;
    const clap::clap_plugin_entry* entry() const { return entry_; }
    const clap::clap_plugin_factory* factory() const { return factory_; }

private:
    void* handle_ = nullptr;
    const clap::clap_plugin_entry* entry_ = nullptr;
    const clap::clap_plugin_factory* factory_ = nullptr;
};

// The host side: what the plug-in asked for, and on which thread.
class TestHost {
public:
    TestHost();
    const clap::clap_host* record() const { return &record_; }

    bool offerTimers = true, offerDescriptors = true, offerThreadCheck = true;
    std::thread::id mainThread = std::this_thread::get_id();
    // Set on the thread that makes an audio-thread call (process, flush while active).
    static thread_local bool inAudioCall;

    std::vector<uint32_t> rescans;       // the flags of every params.rescan
    int rescansOffMain = 0;              // of which not on the main thread
    int flushRequests = 0, callbackRequests = 0, restartRequests = 0, tailChanges = 0;
    std::vector<uint32_t> timers;        // registered, by id
    std::vector<int> descriptors;        // registered
    std::vector<std::pair<uint32_t, uint32_t>> resizeRequests; // gui.request_resize's sizes
    std::vector<std::string> logs;

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

// What the plug-in pushed, copied; a limit makes the list refuse pushes past it.
class OutputEvents {
public:
    explicit OutputEvents(size_t limit = SIZE_MAX);
    struct Event {
        clap::clap_event_header header;
        uint32_t paramId = 0;
        double value = 0.0;
    };
    std::vector<Event> events;
    int refused = 0;
    const clap::clap_output_events* list() const { return &list_; }

private:
    size_t limit_;
    clap::clap_output_events list_{};
};

// A stream over bytes in memory moving at most `perCall` bytes per call (0: as many as
// asked); from byte `failAt` on, every call returns -1.
class ReadStream {
public:
    explicit ReadStream(std::vector<uint8_t> bytes, uint64_t perCall = 0, uint64_t failAt = UINT64_MAX);
    const clap::clap_istream* stream() const { return &stream_; }
    uint64_t position = 0;
    int calls = 0;

private:
    std::vector<uint8_t> bytes_;
    uint64_t perCall_, failAt_;
    clap::clap_istream stream_{};
};

class WriteStream {
public:
    // `refuseAfter`: bytes taken before every further call returns `refusal` (0 or -1).
    explicit WriteStream(uint64_t perCall = 0, uint64_t refuseAfter = UINT64_MAX, int64_t refusal = -1);
    const clap::clap_ostream* stream() const { return &stream_; }
    std::vector<uint8_t> bytes;
    int calls = 0;

private:
    uint64_t perCall_, refuseAfter_;
    int64_t refusal_;
    clap::clap_ostream stream_{};
};

// Stereo audio, planar.
struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
    size_t frames() const { return left.size(); }
    bool operator==(const Stereo&) const = default;
};
// Noise at -6 dB with a pause of silence in its middle, the same for every seed.
Stereo testSignal(size_t frames, uint32_t seed = 1);

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
    // One block on the audio thread's side: in place when `inPlace`, else into `out`.
    clap::clap_process_status process(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
                                      const InputEvents* in = nullptr, OutputEvents* out = nullptr);
    // The whole signal in blocks of the sizes given in turn (repeated), out of place.
    Stereo render(const Stereo& input, const std::vector<uint32_t>& blockSizes);
    void flush(const InputEvents& in, OutputEvents* out = nullptr);
    void setParameter(uint32_t id, double value); // through flush
    double parameter(uint32_t id) const;
    std::vector<uint8_t> save() const;
    bool load(std::vector<uint8_t> bytes, uint64_t perCall = 0);
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
