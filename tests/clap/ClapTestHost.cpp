#include "tests/clap/ClapTestHost.h"

#include "tools/zkhost/ClapStreams.h"
#include "tools/zkhost/ModuleLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace zkclaptest {

using namespace clap;

ClapModule::ClapModule() {
    std::string error;
    void* module = zkhost::loadModule(ZK_CLAP_MODULE_PATH, error);
    entry_ = module ? static_cast<const clap_plugin_entry*>(zkhost::findSymbol(module, CLAP_ENTRY_SYMBOL)) : nullptr;
    if (!entry_ || !entry_->init(ZK_CLAP_MODULE_PATH)) {
        ADD_FAILURE() << ZK_CLAP_MODULE_PATH << ": not loaded (" << error << "), no entry, or it refused to initialise";
        entry_ = nullptr;
        return;
    }
    factory_ = static_cast<const clap_plugin_factory*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (!factory_) ADD_FAILURE() << "no plug-in factory";
}

ClapModule::~ClapModule() {
    if (entry_) entry_->deinit();
}

// ---- the host

namespace {

const clap_host_params hostParams = {
    [](const clap_host* host, clap_param_rescan_flags flags) {
        auto* h = static_cast<TestHost*>(host->host_data);
        h->rescans.push_back(flags);
        if (std::this_thread::get_id() != h->mainThread || TestHost::inAudioCall) ++h->rescansOffMain;
    },
    [](const clap_host*, clap_id, clap_param_clear_flags) {},
    [](const clap_host* host) { ++static_cast<TestHost*>(host->host_data)->flushRequests; },
};

const clap_host_thread_check hostThreads = {
    [](const clap_host* host) {
        auto* h = static_cast<TestHost*>(host->host_data);
        return std::this_thread::get_id() == h->mainThread && !TestHost::inAudioCall;
    },
    [](const clap_host*) { return TestHost::inAudioCall; },
};

const clap_host_tail hostTail = {[](const clap_host* host) { ++static_cast<TestHost*>(host->host_data)->tailChanges; }};

const clap_host_timer_support hostTimers = {
    [](const clap_host* host, uint32_t, clap_id* id) {
        auto* h = static_cast<TestHost*>(host->host_data);
        *id = static_cast<clap_id>(100 + h->timers.size());
        h->timers.push_back(*id);
        return true;
    },
    [](const clap_host* host, clap_id id) {
        auto& timers = static_cast<TestHost*>(host->host_data)->timers;
        return std::erase(timers, id) > 0;
    },
};

const clap_host_gui hostGui = {
    [](const clap_host*) {},
    [](const clap_host* host, uint32_t width, uint32_t height) {
        static_cast<TestHost*>(host->host_data)->resizeRequests.push_back({width, height});
        return true;
    },
    [](const clap_host*) { return false; },
    [](const clap_host*) { return false; },
    [](const clap_host*, bool) {},
};

const clap_host_posix_fd_support hostDescriptors = {
    [](const clap_host* host, int fd, clap_posix_fd_flags_t) {
        static_cast<TestHost*>(host->host_data)->descriptors.push_back(fd);
        return true;
    },
    [](const clap_host*, int, clap_posix_fd_flags_t) { return true; },
    [](const clap_host* host, int fd) { return std::erase(static_cast<TestHost*>(host->host_data)->descriptors, fd) > 0; },
};

const clap_host_log hostLog = {[](const clap_host*, clap_log_severity, const char*) {}};

} // namespace

thread_local bool TestHost::inAudioCall = false;

TestHost::TestHost() {
    record_.clap_version = CLAP_VERSION;
    record_.host_data = this;
    record_.name = "zk clap tests";
    record_.vendor = "";
    record_.url = "";
    record_.version = "1";
    record_.get_extension = &TestHost::extension;
    record_.request_restart = [](const clap_host* host) { ++self(host)->restartRequests; };
    record_.request_process = [](const clap_host*) {};
    record_.request_callback = [](const clap_host* host) { ++self(host)->callbackRequests; };
}

const void* TestHost::extension(const clap_host* host, const char* id) {
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &hostParams;
    if (std::strcmp(id, CLAP_EXT_TAIL) == 0) return &hostTail;
    if (std::strcmp(id, CLAP_EXT_LOG) == 0) return &hostLog;
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0) return &hostThreads;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return self(host)->offerTimers ? &hostTimers : nullptr;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &hostDescriptors;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &hostGui;
    return nullptr;
}

// ---- events

OutputEvents::OutputEvents(size_t limit) : limit_(limit) {
    limited_.ctx = this;
    limited_.try_push = [](const clap_output_events* list, const clap_event_header* header) {
        auto* self = static_cast<OutputEvents*>(list->ctx);
        if (header && self->events.size() >= self->limit_) return false;
        if (header) {
            const bool value = header->type == CLAP_EVENT_PARAM_VALUE;
            if (header->space_id != CLAP_CORE_EVENT_SPACE_ID ||
                header->size != (value ? sizeof(clap_event_param_value) : sizeof(clap_event_param_gesture)))
                ++self->misshapen;
        }
        return self->ClapOutputEvents::list()->try_push(self->ClapOutputEvents::list(), header);
    };
}

// ---- an instance

Instance::Instance(const ClapModule& module, TestHost& host) : host_(host) {
    const clap_plugin_factory* factory = module.factory();
    if (!factory) return;
    const clap_plugin_descriptor* descriptor = factory->get_plugin_descriptor(factory, 0);
    plugin_ = descriptor ? factory->create_plugin(factory, host.record(), descriptor->id) : nullptr;
    initialise();
}

Instance::Instance(const clap_plugin* plugin, TestHost& host) : host_(host), plugin_(plugin) { initialise(); }

void Instance::initialise() {
    if (!plugin_ || !plugin_->init(plugin_)) {
        ADD_FAILURE() << "the plug-in was not created or initialised";
        if (plugin_) plugin_->destroy(plugin_);
        plugin_ = nullptr;
        return;
    }
    params_ = extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    state_ = extension<clap_plugin_state>(CLAP_EXT_STATE);
}

Instance::~Instance() {
    if (!plugin_) return;
    deactivate();
    plugin_->destroy(plugin_);
}

bool Instance::activate(double rate, uint32_t maxFrames) {
    deactivate();
    if (!plugin_->activate(plugin_, rate, 1, maxFrames)) return false;
    TestHost::inAudioCall = true;
    const bool started = plugin_->start_processing(plugin_);
    TestHost::inAudioCall = false;
    active_ = started;
    steadyTime_ = 0;
    return started;
}

void Instance::deactivate() {
    if (!active_) return;
    TestHost::inAudioCall = true;
    plugin_->stop_processing(plugin_);
    TestHost::inAudioCall = false;
    plugin_->deactivate(plugin_);
    active_ = false;
}

clap_process_status Instance::process(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
                                      const InputEvents* in, OutputEvents* out) {
    static const InputEvents none;
    OutputEvents dropped;
    float* inputs[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
    float* outputs[2] = {outL, outR};
    clap_audio_buffer input{inputs, nullptr, 2, 0, 0};
    clap_audio_buffer output{outputs, nullptr, 2, 0, 0};
    clap_process block{};
    block.steady_time = steadyTime_;
    block.frames_count = frames;
    block.audio_inputs = &input;
    block.audio_outputs = &output;
    block.audio_inputs_count = 1;
    block.audio_outputs_count = 1;
    block.in_events = (in ? in : &none)->list();
    block.out_events = (out ? out : &dropped)->list();
    TestHost::inAudioCall = true;
    const clap_process_status status = plugin_->process(plugin_, &block);
    TestHost::inAudioCall = false;
    steadyTime_ += frames;
    return status;
}

Stereo Instance::render(const Stereo& input, const std::vector<uint32_t>& blockSizes) {
    return zktest::renderInBlocks(input, blockSizes,
                                  [this](const float* inL, const float* inR, float* outL, float* outR, uint32_t frames) {
        const clap_process_status status = process(inL, inR, outL, outR, frames);
        EXPECT_TRUE(status == CLAP_PROCESS_CONTINUE || status == CLAP_PROCESS_SLEEP) << status; // asleep on silence
    });
}

void Instance::flush(const InputEvents& in, OutputEvents* out) {
    OutputEvents dropped;
    TestHost::inAudioCall = active_;
    params_->flush(plugin_, in.list(), (out ? out : &dropped)->list());
    TestHost::inAudioCall = false;
}

void Instance::setParameter(uint32_t id, double value) {
    InputEvents in;
    in.addParameter(0, id, value);
    flush(in);
}

double Instance::parameter(uint32_t id) const {
    double value = -1.0;
    EXPECT_TRUE(params_->get_value(plugin_, id, &value)) << id;
    return value;
}

std::vector<uint8_t> Instance::save() const {
    zkhost::ClapWriteStream stream(0, SIZE_MAX);
    EXPECT_TRUE(state_->save(plugin_, stream.stream()));
    return stream.bytes;
}

bool Instance::load(const std::vector<uint8_t>& bytes, uint64_t perCall) {
    zkhost::ClapReadStream stream(bytes, perCall);
    return state_->load(plugin_, stream.stream());
}

void Instance::runMainThreadCallbacks() {
    while (host_.callbackRequests > 0) {
        --host_.callbackRequests;
        plugin_->on_main_thread(plugin_);
    }
}

} // namespace zkclaptest
