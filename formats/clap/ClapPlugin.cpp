#include "formats/clap/ClapPlugin.h"

#include "formats/clap/ClapExtensions.h"

#include <algorithm>
#include <cstring>

namespace zk {

using namespace clap;

namespace {

// The instance whose host call (process or flush) this thread is inside, if any.
thread_local ClapPlugin* callInProgress = nullptr;

template <typename T> const T* hostExtension(const clap_host* host, const char* id) noexcept {
    return host->get_extension ? static_cast<const T*>(host->get_extension(host, id)) : nullptr;
}

bool validRate(double rate) noexcept { return rate >= 1.0 && rate <= 1.0e7; } // as the effect takes them

// The two channels of a port's 32-bit buffers; false where the host gave fewer.
bool stereoChannels(const clap_audio_buffer* ports, uint32_t count, float* (&channels)[2]) noexcept {
    if (count == 0 || !ports || ports[0].channel_count < 2 || !ports[0].data32) return false;
    channels[0] = ports[0].data32[0];
    channels[1] = ports[0].data32[1];
    return channels[0] && channels[1];
}

} // namespace

class ClapPlugin::EventCall {
public:
    EventCall(ClapPlugin& plugin, const clap_output_events* out) noexcept : plugin_(plugin), outer_(callInProgress) {
        callInProgress = &plugin;
        plugin.out_ = out && out->try_push ? out : nullptr;
        plugin.lastOutTime_ = 0;
    }
    ~EventCall() {
        plugin_.out_ = nullptr;
        callInProgress = outer_;
    }
    EventCall(const EventCall&) = delete;
    EventCall& operator=(const EventCall&) = delete;

private:
    ClapPlugin& plugin_;
    ClapPlugin* outer_;
};

ClapPlugin::ClapPlugin(const clap_host* host, const clap_plugin_descriptor* descriptor, EffectFactory makeEffect)
    : host_(host), makeEffect_(std::move(makeEffect)) {
    record_.desc = descriptor;
    record_.plugin_data = this;
    record_.init = [](const clap_plugin* p) { return of(p) && of(p)->init(); };
    record_.destroy = [](const clap_plugin* p) { delete of(p); };
    record_.activate = [](const clap_plugin* p, double rate, uint32_t, uint32_t maxFrames) {
        return of(p) && of(p)->activate(rate, maxFrames);
    };
    record_.deactivate = [](const clap_plugin* p) {
        if (of(p)) of(p)->deactivate();
    };
    record_.start_processing = [](const clap_plugin* p) { return of(p) && of(p)->active_; };
    record_.stop_processing = [](const clap_plugin*) {};
    record_.reset = [](const clap_plugin* p) {
        if (of(p)) of(p)->reset();
    };
    record_.process = [](const clap_plugin* p, const clap_process* block) {
        return of(p) ? of(p)->process(block) : CLAP_PROCESS_ERROR;
    };
    record_.get_extension = [](const clap_plugin* p, const char* id) { return of(p) ? of(p)->extension(id) : nullptr; };
    record_.on_main_thread = [](const clap_plugin* p) {
        if (of(p)) of(p)->onMainThread();
    };
}

ClapPlugin::~ClapPlugin() {
    if (!effect_) return;
    destroyPanel();
    deactivate();
    effect_.reset();
}

ClapPlugin* ClapPlugin::of(const clap_plugin* plugin) noexcept {
    return plugin ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
}

bool ClapPlugin::init() noexcept {
    if (effect_) return true;
    hostParams_ = hostExtension<clap_host_params>(host_, CLAP_EXT_PARAMS);
    hostTail_ = hostExtension<clap_host_tail>(host_, CLAP_EXT_TAIL);
    hostThreads_ = hostExtension<clap_host_thread_check>(host_, CLAP_EXT_THREAD_CHECK);
    hostTimers_ = hostExtension<clap_host_timer_support>(host_, CLAP_EXT_TIMER_SUPPORT);
    hostGui_ = hostExtension<clap_host_gui>(host_, CLAP_EXT_GUI);
    hostPresetLoad_ = hostExtension<clap_host_preset_load>(host_, CLAP_EXT_PRESET_LOAD);
    if (!hostPresetLoad_) hostPresetLoad_ = hostExtension<clap_host_preset_load>(host_, CLAP_EXT_PRESET_LOAD_COMPAT);
#if !defined(_WIN32)
    hostDescriptors_ = hostExtension<clap_host_posix_fd_support>(host_, CLAP_EXT_POSIX_FD_SUPPORT);
#endif
    // A table with an empty entry is no table.
    if (hostParams_ && !(hostParams_->rescan && hostParams_->request_flush)) hostParams_ = nullptr;
    if (hostTail_ && !hostTail_->changed) hostTail_ = nullptr;
    if (hostThreads_ && !hostThreads_->is_main_thread) hostThreads_ = nullptr;
    if (hostTimers_ && !(hostTimers_->register_timer && hostTimers_->unregister_timer)) hostTimers_ = nullptr;
    if (hostGui_ && !hostGui_->request_resize) hostGui_ = nullptr;
    if (hostDescriptors_ && !(hostDescriptors_->register_fd && hostDescriptors_->unregister_fd)) hostDescriptors_ = nullptr;
    try {
        effect_ = makeEffect_(*this);
    } catch (...) {
        return false;
    }
    if (!effect_) return false;
    ++quiet_;
    effect_->initialise();
    --quiet_;
    return true;
}

bool ClapPlugin::activate(double sampleRate, uint32_t maxFrames) noexcept {
    if (!effect_ || !validRate(sampleRate) || maxFrames == 0 || maxFrames > INT32_MAX) return false;
    if (active_) deactivate();
    try {
        silence_.assign(maxFrames, 0.0f);
    } catch (...) {
        return false;
    }
    effect_->setSampleRate(static_cast<float>(sampleRate));
    effect_->setMaxBlockSize(static_cast<int32_t>(maxFrames));
    ++quiet_; // the effect re-applies its program at the new rate: the values stay
    effect_->activate();
    --quiet_;
    active_ = true;
    reportedTail_ = tail();
    tailMayChange_.store(false, std::memory_order_relaxed);
    return true;
}

void ClapPlugin::deactivate() noexcept {
    if (!active_) return;
    effect_->deactivate();
    active_ = false;
}

// The engine clears its sound when it is switched on again; the host is asked to do that,
// since switching on allocates and may not happen on the audio thread.
void ClapPlugin::reset() noexcept {
    if (active_ && host_->request_restart) host_->request_restart(host_);
}

clap_process_status ClapPlugin::process(const clap_process* block) noexcept {
    if (!active_ || !block) return CLAP_PROCESS_ERROR;
    EventCall call(*this, block->out_events);
    if (out_) sendReports(out_);
    const uint32_t frames = block->frames_count;
    takeBypass(block->in_events);
    events_.reset(block->in_events, frames);
    if (events_.size() > 0) tailMayChange_.store(true, std::memory_order_relaxed);

    float* inputs[2] = {};
    float* outputs[2] = {};
    const bool output = stereoChannels(block->audio_outputs, block->audio_outputs_count, outputs);
    bool input = stereoChannels(block->audio_inputs, block->audio_inputs_count, inputs);
    if (output && !input && frames <= silence_.size()) {
        inputs[0] = inputs[1] = silence_.data(); // the effect's own sound goes on without input
        input = true;
    }
    const auto count = static_cast<int32_t>(std::min<uint32_t>(frames, INT32_MAX));
    effect_->process(input ? inputs : nullptr, output && input ? outputs : nullptr, count,
                     &events_);
    uint64_t silent = 0;
    if (output) {
        if (!input)
            for (float* channel : outputs) std::fill(channel, channel + frames, 0.0f);
        for (int c = 0; c < 2; ++c)
            if (std::all_of(outputs[c], outputs[c] + frames, [](float x) { return x == 0.0f; })) silent |= 1u << c;
        block->audio_outputs[0].constant_mask = silent; // a silent channel is constant
    }
    reportTailChange();
    // Asleep, the output stays silence until the input wakes the engine: the host may stop
    // calling until it has input or events again.
    return effect_->sleeping() && (!output || silent == 3u) ? CLAP_PROCESS_SLEEP : CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::takeBypass(const clap_input_events* events) noexcept {
    const uint32_t count = events && events->size && events->get ? events->size(events) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header* header = events->get(events, i);
        if (header && header->space_id == CLAP_CORE_EVENT_SPACE_ID && header->type == CLAP_EVENT_PARAM_VALUE &&
            header->size >= sizeof(clap_event_param_value) &&
            reinterpret_cast<const clap_event_param_value*>(header)->param_id == bypassId())
            setBypass(reinterpret_cast<const clap_event_param_value*>(header)->value >= 0.5);
    }
}

void ClapPlugin::flush(const clap_input_events* in, const clap_output_events* out) noexcept {
    EventCall call(*this, out);
    takeBypass(in);
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header* header = in->get(in, i);
        if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID || header->type != CLAP_EVENT_PARAM_VALUE ||
            header->size < sizeof(clap_event_param_value))
            continue;
        const auto* change = reinterpret_cast<const clap_event_param_value*>(header);
        if (change->param_id >= static_cast<uint32_t>(effect_->parameterCount())) continue; // no commands
        effect_->setParameter(static_cast<int32_t>(change->param_id), static_cast<float>(change->value));
        tailMayChange_.store(true, std::memory_order_relaxed);
    }
    if (out_) sendReports(out_);
}

const void* ClapPlugin::extension(const char* id) const noexcept {
    if (!effect_ || !id) return nullptr;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return effect_->hasPanel() ? &clapGui : nullptr;
    const std::pair<const char*, const void*> offered[] = {
        {CLAP_EXT_AUDIO_PORTS, &clapAudioPorts}, {CLAP_EXT_NOTE_PORTS, &clapNotePorts},
        {CLAP_EXT_PARAMS, &clapParams},          {CLAP_EXT_STATE, &clapState},
        {CLAP_EXT_LATENCY, &clapLatency},        {CLAP_EXT_TAIL, &clapTail},
        {CLAP_EXT_TIMER_SUPPORT, &clapTimers},   {CLAP_EXT_PRESET_LOAD, &clapPresetLoad},
        {CLAP_EXT_PRESET_LOAD_COMPAT, &clapPresetLoad},
#if !defined(_WIN32)
        {CLAP_EXT_POSIX_FD_SUPPORT, &clapDescriptors},
#endif
    };
    for (const auto& [name, table] : offered)
        if (std::strcmp(name, id) == 0) return table;
    return nullptr;
}

void ClapPlugin::onMainThread() noexcept {
    if (rescanWanted_.exchange(false) && hostParams_) hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
}

// ---- what the effect tells its host

bool ClapPlugin::onTheMainThread() const noexcept {
    if (callInProgress == this) return false; // process, or a flush on the audio thread
    return !hostThreads_ || hostThreads_->is_main_thread(host_);
}

void ClapPlugin::beginGesture(int32_t index) noexcept {
    report({ParameterReport::Kind::begin, static_cast<uint32_t>(index), 0.0});
}

void ClapPlugin::endGesture(int32_t index) noexcept {
    report({ParameterReport::Kind::end, static_cast<uint32_t>(index), 0.0});
}

void ClapPlugin::parameterChanged(int32_t index, float value, ChangeOrigin origin) noexcept {
    tailMayChange_.store(true, std::memory_order_relaxed);
    if (origin == ChangeOrigin::controller && callInProgress == this && out_) {
        // At the frame of the MIDI event that made it, never before an event already sent.
        lastOutTime_ = std::max(lastOutTime_, events_.lastFrame());
        if (!pushValue(out_, lastOutTime_, static_cast<uint32_t>(index), value, CLAP_EVENT_DONT_RECORD))
            askForRescan(); // the host's list is full: it reads the values again instead
    } else if (origin == ChangeOrigin::panel) {
        report({ParameterReport::Kind::value, static_cast<uint32_t>(index), value});
    } else {
        askForRescan();
    }
}

void ClapPlugin::allParametersChanged(ChangeOrigin) noexcept {
    tailMayChange_.store(true, std::memory_order_relaxed);
    if (quiet_ > 0) return;
    if (onTheMainThread()) {
        if (hostParams_) hostParams_->rescan(host_, CLAP_PARAM_RESCAN_VALUES);
    } else {
        askForRescan();
    }
}

void ClapPlugin::askForRescan() noexcept {
    rescanWanted_.store(true);
    if (host_->request_callback) host_->request_callback(host_);
}

void ClapPlugin::report(const ParameterReport& report) noexcept {
    if (report.id >= gestureOpen_.size()) return;
    // A value that finds no room would leave the host behind: it reads them all again.
    if (!reports_.push(report) && report.kind == ParameterReport::Kind::value) askForRescan();
    if (hostParams_ && callInProgress != this) hostParams_->request_flush(host_);
}

void ClapPlugin::sendReports(const clap_output_events* out) noexcept {
    ParameterReport report;
    while (reports_.peek(report)) {
        bool& open = gestureOpen_[report.id];
        bool sent = true;
        if (report.kind == ParameterReport::Kind::value) {
            sent = pushValue(out, 0, report.id, report.value, 0);
        } else if ((report.kind == ParameterReport::Kind::begin) != open) {
            // Only a beginning that is not open yet, and only the end of an open one.
            clap_event_param_gesture event{};
            const uint16_t type = report.kind == ParameterReport::Kind::begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                                                : CLAP_EVENT_PARAM_GESTURE_END;
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
            event.param_id = report.id;
            sent = out->try_push(out, &event.header);
            if (sent) open = !open;
        }
        if (!sent) return; // the host's list is full: the rest go with its next call
        reports_.pop();
    }
}

bool ClapPlugin::pushValue(const clap_output_events* out, uint32_t time, uint32_t id, double value,
                           uint32_t flags) noexcept {
    clap_event_param_value event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, flags};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    return out->try_push(out, &event.header);
}

void ClapPlugin::reportTailChange() noexcept {
    if (!tailMayChange_.exchange(false, std::memory_order_relaxed)) return;
    const uint32_t now = tail();
    if (now == reportedTail_) return;
    reportedTail_ = now;
    if (hostTail_) hostTail_->changed(host_);
}

} // namespace zk
