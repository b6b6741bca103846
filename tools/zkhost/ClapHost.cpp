#include "tools/zkhost/ClapHost.h"

#include "tools/zkhost/ClapHostCallbacks.h"
#include "tools/zkhost/ProgramChangeState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace zkhost {

using namespace clap;

namespace {

constexpr double kTempo = 120.0;

// Inits and deinits of each entry: a module's entry is initialised once however many of its
// instances are alive, and deinitialised when the last one goes.
std::map<const clap_plugin_entry*, int>& entryUsers() {
    static std::map<const clap_plugin_entry*, int> users;
    return users;
}

// Marks the calls made as the audio thread would make them, for the thread check.
class AudioContext {
public:
    explicit AudioContext(std::atomic<bool>& flag, bool on = true) : flag_(flag), was_(flag) { flag_ = on; }
    ~AudioContext() { flag_ = was_; }
    AudioContext(const AudioContext&) = delete;
    AudioContext& operator=(const AudioContext&) = delete;

private:
    std::atomic<bool>& flag_;
    bool was_;
};

std::string text(const char* chars, size_t capacity) { return std::string(chars, strnlen(chars, capacity)); }

} // namespace

ClapHost::ClapHost(const clap_plugin_entry* entry, const std::string& modulePath)
    : entry_(entry), modulePath_(modulePath), mainThread_(std::this_thread::get_id()),
#if defined(_WIN32)
      windowApi_(CLAP_WINDOW_API_WIN32)
#else
      windowApi_(CLAP_WINDOW_API_X11)
#endif
{
    if (!clap_version_is_compatible(entry->clap_version))
        throw HostError(modulePath + " is built for CLAP " + std::to_string(entry->clap_version.major) + "." +
                        std::to_string(entry->clap_version.minor) + ", which this host cannot load");
    if (!entry->init || !entry->deinit || !entry->get_factory)
        throw HostError(modulePath + " exports a CLAP entry with missing functions");
    int& users = entryUsers()[entry_];
    if (users == 0) {
        std::error_code error;
        const std::string absolute = std::filesystem::absolute(modulePath, error).string();
        if (!entry->init(error ? modulePath.c_str() : absolute.c_str()))
            throw HostError("the CLAP entry of " + modulePath + " refused to initialise");
    }
    ++users;
    try {
        const auto* factory = static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
        if (!factory || !factory->get_plugin_count || !factory->get_plugin_descriptor || !factory->create_plugin)
            throw HostError(modulePath + " has no CLAP plug-in factory");
        if (factory->get_plugin_count(factory) == 0) throw HostError(modulePath + " offers no CLAP plug-ins");
        descriptor_ = factory->get_plugin_descriptor(factory, 0);
        if (!descriptor_ || !descriptor_->id) throw HostError(modulePath + " describes no CLAP plug-in");
        host_ = clapHostRecord(this);
        plugin_ = factory->create_plugin(factory, &host_, descriptor_->id);
        if (!plugin_) throw HostError("the factory of " + modulePath + " returned no plug-in");
        if (!plugin_->init || !plugin_->destroy || !plugin_->activate || !plugin_->deactivate ||
            !plugin_->start_processing || !plugin_->stop_processing || !plugin_->process || !plugin_->get_extension) {
            plugin_ = nullptr; // not to be called again, not even destroy
            throw HostError(modulePath + " returned a plug-in with missing functions");
        }
        if (!plugin_->init(plugin_)) {
            plugin_->destroy(plugin_);
            plugin_ = nullptr;
            throw HostError("the plug-in of " + modulePath + " refused to initialise");
        }
        paramsExt_ = extension<clap_plugin_params>(CLAP_EXT_PARAMS);
        state_ = extension<clap_plugin_state>(CLAP_EXT_STATE);
        audioPorts_ = extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
        notePorts_ = extension<clap_plugin_note_ports>(CLAP_EXT_NOTE_PORTS);
        gui_ = extension<clap_plugin_gui>(CLAP_EXT_GUI);
        presetLoad_ = extension<clap_plugin_preset_load>(CLAP_EXT_PRESET_LOAD);
        if (!presetLoad_) presetLoad_ = extension<clap_plugin_preset_load>(CLAP_EXT_PRESET_LOAD_COMPAT);
        latency_ = extension<clap_plugin_latency>(CLAP_EXT_LATENCY);
        tail_ = extension<clap_plugin_tail>(CLAP_EXT_TAIL);
        timerSupport_ = extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
        descriptorSupport_ = extension<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
        readPorts();
        readParams();
    } catch (...) {
        if (plugin_) plugin_->destroy(plugin_);
        plugin_ = nullptr;
        if (--users == 0) entry_->deinit();
        throw;
    }
}

ClapHost::~ClapHost() {
    if (plugin_) {
        stop();
        destroyPanel();
        plugin_->destroy(plugin_);
    }
    if (--entryUsers()[entry_] == 0) entry_->deinit();
    // The module stays loaded (see loadModule).
}

// An extension the plug-in offers, or null; a table with a null entry counts as none.
template <typename T> const T* ClapHost::extension(const char* id) {
    const auto* table = static_cast<const T*>(plugin_->get_extension(plugin_, id));
    if (!table) return nullptr;
    const auto* entries = reinterpret_cast<void (*const*)()>(table);
    for (size_t i = 0; i < sizeof(T) / sizeof(void (*)()); ++i)
        if (!entries[i]) {
            log(CLAP_LOG_PLUGIN_MISBEHAVING, (std::string("its extension ") + id + " has an empty entry").c_str());
            return nullptr;
        }
    return table;
}

int32_t ClapHost::channelCount(const std::vector<clap_audio_port_info>& ports) {
    int32_t channels = 0;
    for (const clap_audio_port_info& port : ports) channels += static_cast<int32_t>(port.channel_count);
    return channels;
}

namespace {

// One direction's ports of the audio-ports or note-ports extension.
template <typename Info, typename Extension>
std::vector<Info> portList(const Extension* extension, const clap_plugin* plugin, bool input, const char* kind,
                           const std::string& modulePath) {
    constexpr uint32_t kMostPorts = 64;
    std::vector<Info> ports;
    if (!extension) return ports;
    const uint32_t count = extension->count(plugin, input);
    if (count > kMostPorts) throw HostError(modulePath + " reports " + std::to_string(count) + " " + kind + " ports");
    for (uint32_t i = 0; i < count; ++i) {
        Info info{};
        if (!extension->get(plugin, i, input, &info))
            throw HostError(modulePath + " gives no information about " + kind + " port " + std::to_string(i));
        info.name[CLAP_NAME_SIZE - 1] = 0;
        ports.push_back(info);
    }
    return ports;
}

} // namespace

void ClapHost::readPorts() {
    constexpr int32_t kMostChannels = 64;
    for (bool input : {true, false}) {
        auto& audio = input ? audioInputs_ : audioOutputs_;
        audio = portList<clap_audio_port_info>(audioPorts_, plugin_, input, "audio", modulePath_);
        (input ? noteInputs_ : noteOutputs_) = portList<clap_note_port_info>(notePorts_, plugin_, input, "note", modulePath_);
        for (const clap_audio_port_info& port : audio)
            if (port.channel_count > uint32_t(kMostChannels))
                throw HostError(modulePath_ + " reports impossible numbers of channels");
        if (channelCount(audio) > kMostChannels) throw HostError(modulePath_ + " reports impossible numbers of channels");
    }
}

void ClapHost::readParams() {
    params_.clear();
    indexOfId_.clear();
    if (!paramsExt_) return;
    const uint32_t count = paramsExt_->count(plugin_);
    if (count > 100000) throw HostError(modulePath_ + " reports " + std::to_string(count) + " parameters");
    for (uint32_t i = 0; i < count; ++i) {
        clap_param_info info{};
        if (!paramsExt_->get_info(plugin_, i, &info))
            throw HostError(modulePath_ + " gives no information about parameter " + std::to_string(i));
        if (!indexOfId_.emplace(info.id, static_cast<int32_t>(i)).second)
            throw HostError(modulePath_ + " has two parameters with the id " + std::to_string(info.id));
        params_.push_back({info.id, info.cookie, info.flags, text(info.name, CLAP_NAME_SIZE),
                           text(info.module, CLAP_PATH_SIZE), info.min_value, info.max_value, info.default_value});
    }
}

double ClapHost::plainValue(int32_t index, float normalised) const {
    const Param& p = params_.at(static_cast<size_t>(index));
    return p.min + double(normalised) * (p.max - p.min);
}

float ClapHost::normalisedValue(int32_t index, double plain) const {
    const Param& p = params_.at(static_cast<size_t>(index));
    return p.max > p.min ? static_cast<float>((plain - p.min) / (p.max - p.min)) : 0.0f;
}

float ClapHost::getParameter(int32_t index) {
    double plain = 0;
    if (!paramsExt_->get_value(plugin_, params_.at(static_cast<size_t>(index)).id, &plain))
        throw HostError("the plug-in gives no value for parameter " + std::to_string(index));
    return normalisedValue(index, plain);
}

std::string ClapHost::valueText(int32_t index, double plain) {
    char buffer[512] = {};
    if (paramsExt_->value_to_text(plugin_, params_.at(static_cast<size_t>(index)).id, plain, buffer, sizeof buffer - 1)) {
        buffer[sizeof buffer - 1] = 0;
        return buffer;
    }
    char number[32];
    std::snprintf(number, sizeof number, "%.9g", plain);
    return number;
}

void ClapHost::setParameter(int32_t index, float value) {
    ClapInputEvents in;
    const Param& p = params_.at(static_cast<size_t>(index));
    in.addParamValue(0, p.id, p.cookie, plainValue(index, value));
    flush(in);
}

// Parameter events outside process: on the audio thread while active, else on the main thread.
void ClapHost::flush(const ClapInputEvents& in) {
    if (!paramsExt_) return;
    AudioContext context(audioContext_, active_);
    outputEvents_.clear();
    paramsExt_->flush(plugin_, in.list(), outputEvents_.list());
    takeOutputEvents(-1);
}

void ClapHost::takeOutputEvents(int64_t blockStart) {
    for (const ClapOutputEvents::Event& e : outputEvents_.events) {
        auto found = indexOfId_.find(e.paramId);
        if (found == indexOfId_.end()) {
            log(CLAP_LOG_PLUGIN_MISBEHAVING,
                ("it reported parameter id " + std::to_string(e.paramId) + ", which it does not have").c_str());
            continue;
        }
        EditRecord record;
        record.index = found->second;
        record.frame = blockStart < 0 ? -1 : blockStart + e.time;
        if (e.type == CLAP_EVENT_PARAM_GESTURE_BEGIN) {
            record.kind = EditRecord::Kind::beginEdit;
        } else if (e.type == CLAP_EVENT_PARAM_GESTURE_END) {
            record.kind = EditRecord::Kind::endEdit;
        } else {
            record.value = normalisedValue(record.index, e.value);
            record.notRecorded = (e.flags & CLAP_EVENT_DONT_RECORD) != 0;
        }
        edits.push_back(record);
    }
    if (outputEvents_.refused > 0 || outputEvents_.outOfOrder > 0) {
        log(CLAP_LOG_PLUGIN_MISBEHAVING, "it pushed output events of impossible sizes or out of time order");
        outputEvents_.refused = outputEvents_.outOfOrder = 0;
    }
    outputEvents_.clear();
}

bool ClapHost::takesMidi(uint8_t status) {
    if (noteInputs_.empty() || status < 0x80 || status >= 0xF0) return false;
    if (noteInputs_.front().supported_dialects & CLAP_NOTE_DIALECT_MIDI) return true;
    const uint8_t kind = status & 0xF0;
    return (noteInputs_.front().supported_dialects & CLAP_NOTE_DIALECT_CLAP) && (kind == 0x80 || kind == 0x90);
}

void ClapHost::start(double sampleRate, int32_t maxBlock) {
    stop();
    sampleRate_ = sampleRate;
    maxBlock_ = maxBlock;
    if (!plugin_->activate(plugin_, sampleRate, 1, static_cast<uint32_t>(maxBlock)))
        throw HostError("the plug-in refused to activate at " + std::to_string(sampleRate) +
                        " Hz with blocks of up to " + std::to_string(maxBlock) + " frames");
    active_ = true;
    steadyTime_ = 0;
    bool started;
    {
        AudioContext context(audioContext_);
        started = plugin_->start_processing(plugin_);
    }
    if (!started) {
        plugin_->deactivate(plugin_);
        active_ = false;
        throw HostError("the plug-in refused to start processing");
    }
    processing_ = true;
}

void ClapHost::stop() {
    if (processing_) {
        AudioContext context(audioContext_);
        plugin_->stop_processing(plugin_);
        processing_ = false;
    }
    if (active_) {
        plugin_->deactivate(plugin_);
        active_ = false;
    }
}

void ClapHost::restart() {
    const int64_t time = steadyTime_;
    start(sampleRate_, maxBlock_);
    steadyTime_ = time;
}

// A steady transport, as the VST 2 host gives: playing from the start at a fixed tempo in 4/4.
void ClapHost::fillTransport(int64_t frame) {
    const double seconds = double(frame) / sampleRate_;
    const double beats = seconds * kTempo / 60.0;
    const double barStart = 4.0 * std::floor(beats / 4.0);
    transport_ = {};
    transport_.header = {sizeof(clap_event_transport), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    transport_.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
                       CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE |
                       CLAP_TRANSPORT_IS_PLAYING;
    transport_.song_pos_beats = std::llround(beats * double(CLAP_BEATTIME_FACTOR));
    transport_.song_pos_seconds = std::llround(seconds * double(CLAP_SECTIME_FACTOR));
    transport_.tempo = kTempo;
    transport_.bar_start = std::llround(barStart * double(CLAP_BEATTIME_FACTOR));
    transport_.bar_number = static_cast<int32_t>(barStart / 4.0);
    transport_.tsig_num = 4;
    transport_.tsig_denom = 4;
}

void ClapHost::process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events,
                       bool) {
    if (!processing_) throw HostError("zkhost processed a block before starting the plug-in");
    if (restartRequested_.exchange(false)) restart();
    const int32_t inputChannels = numInputs(), outputChannels = numOutputs();
    if (honourSilence && sleeping_ && events.empty() && silentChannels(inputs, inputChannels, frames)) {
        for (int32_t c = 0; c < outputChannels; ++c) std::fill(outputs[c], outputs[c] + frames, 0.0f);
        steadyTime_ += frames;
        ++skippedBlocks;
        return;
    }
    inputEvents_.clear();
    const bool midiDialect = !noteInputs_.empty() && (noteInputs_.front().supported_dialects & CLAP_NOTE_DIALECT_MIDI);
    for (const HostEvent& e : events) {
        const auto frame = static_cast<uint32_t>(std::max(0, std::min(e.frame, frames - 1)));
        if (e.kind == HostEvent::Kind::parameter) {
            const Param& p = params_.at(static_cast<size_t>(e.index));
            inputEvents_.addParamValue(frame, p.id, p.cookie, plainValue(e.index, e.value));
        } else if (midiDialect) {
            const uint8_t bytes[3] = {e.midi[0], uint8_t(e.midiLength > 1 ? e.midi[1] : 0),
                                      uint8_t(e.midiLength > 2 ? e.midi[2] : 0)};
            inputEvents_.addMidi(frame, 0, bytes, 0);
        } else if (takesMidi(e.midi[0])) {
            const bool on = (e.midi[0] & 0xF0) == 0x90 && e.midi[2] > 0;
            inputEvents_.addNote(on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF, frame, 0, e.midi[0] & 0x0F,
                                 e.midi[1], e.midi[2] / 127.0);
        }
    }
    // Each port takes its channels from the host's arrays in order.
    inputBuffers_.assign(audioInputs_.size(), clap_audio_buffer{});
    outputBuffers_.assign(audioOutputs_.size(), clap_audio_buffer{});
    int32_t channel = 0;
    for (size_t i = 0; i < audioInputs_.size(); ++i) {
        inputBuffers_[i].data32 = inputs + channel;
        inputBuffers_[i].channel_count = audioInputs_[i].channel_count;
        channel += static_cast<int32_t>(audioInputs_[i].channel_count);
    }
    channel = 0;
    for (size_t i = 0; i < audioOutputs_.size(); ++i) {
        outputBuffers_[i].data32 = outputs + channel;
        outputBuffers_[i].channel_count = audioOutputs_[i].channel_count;
        channel += static_cast<int32_t>(audioOutputs_[i].channel_count);
    }
    fillTransport(steadyTime_);
    clap_process block{};
    block.steady_time = steadyTime_;
    block.frames_count = static_cast<uint32_t>(frames);
    block.transport = &transport_;
    block.audio_inputs = inputBuffers_.data();
    block.audio_outputs = outputBuffers_.data();
    block.audio_inputs_count = static_cast<uint32_t>(inputBuffers_.size());
    block.audio_outputs_count = static_cast<uint32_t>(outputBuffers_.size());
    block.in_events = inputEvents_.list();
    block.out_events = outputEvents_.list();
    outputEvents_.clear();
    int32_t status;
    {
        AudioContext context(audioContext_);
        status = plugin_->process(plugin_, &block);
    }
    takeOutputEvents(steadyTime_);
    if (status == CLAP_PROCESS_ERROR)
        throw HostError("the plug-in's process failed at frame " + std::to_string(steadyTime_));
    sleeping_ = status == CLAP_PROCESS_SLEEP;
    steadyTime_ += frames;
    if (callbackRequested_.exchange(false)) plugin_->on_main_thread(plugin_);
}

void ClapHost::sendMidiNow(const uint8_t* bytes) {
    sendMidiInOneFrame(*this, processing_, bytes);
}

void ClapHost::rescanParams(uint32_t flags) {
    expectMainThread("params.rescan");
    static const std::pair<uint32_t, const char*> words[] = {
        {CLAP_PARAM_RESCAN_VALUES, "values"}, {CLAP_PARAM_RESCAN_TEXT, "text"},
        {CLAP_PARAM_RESCAN_INFO, "info"},     {CLAP_PARAM_RESCAN_ALL, "all"}};
    EditRecord record;
    record.kind = EditRecord::Kind::rescan;
    for (const auto& [bit, word] : words) {
        if (!(flags & bit)) continue;
        if (!record.what.empty()) record.what += ' ';
        record.what += word;
    }
    edits.push_back(record);
    if (flags & CLAP_PARAM_RESCAN_ALL) {
        if (active_) log(CLAP_LOG_PLUGIN_MISBEHAVING, "it asked for a rescan of all parameters while active");
        else readParams();
    } else if (flags & CLAP_PARAM_RESCAN_INFO) {
        readParams();
    }
}

void ClapHost::log(int32_t severity, const char* message) {
    static const char* const names[] = {"debug", "info", "warning", "error", "fatal", "host misbehaving",
                                        "plug-in misbehaving"};
    const char* name = severity >= 0 && severity <= CLAP_LOG_PLUGIN_MISBEHAVING ? names[severity] : "log";
    std::fprintf(stderr, "zkhost: plug-in %s: %s\n", name, message ? message : "");
    std::fflush(stderr);
}

void ClapHost::expectMainThread(const char* what) {
    if (isMainThread()) return;
    log(CLAP_LOG_PLUGIN_MISBEHAVING, (std::string("it called ") + what + " off the main thread").c_str());
}

// ---- the main loop: timers and descriptors

bool ClapHost::registerTimer(uint32_t periodMs, clap_id* id) {
    expectMainThread("timer-support.register_timer");
    if (!timerSupport_) timerSupport_ = extension<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
    if (!timerSupport_) return false;
    const uint32_t period = std::max<uint32_t>(periodMs, 1);
    *id = nextTimerId_++;
    timers_[*id] = {period, Clock::now() + std::chrono::milliseconds(period)};
    return true;
}

bool ClapHost::unregisterTimer(clap_id id) {
    expectMainThread("timer-support.unregister_timer");
    return timers_.erase(id) > 0;
}

bool ClapHost::registerDescriptor(int fd, uint32_t flags) {
    expectMainThread("posix-fd-support.register_fd");
    if (!descriptorSupport_) descriptorSupport_ = extension<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
    if (!descriptorSupport_ || fd < 0 || descriptors_.count(fd)) return false;
    descriptors_[fd] = flags;
    return true;
}

bool ClapHost::modifyDescriptor(int fd, uint32_t flags) {
    expectMainThread("posix-fd-support.modify_fd");
    auto found = descriptors_.find(fd);
    if (found == descriptors_.end()) return false;
    found->second = flags;
    return true;
}

bool ClapHost::unregisterDescriptor(int fd) {
    expectMainThread("posix-fd-support.unregister_fd");
    return descriptors_.erase(fd) > 0;
}

std::vector<WatchedDescriptor> ClapHost::watchedDescriptors() {
    std::vector<WatchedDescriptor> watched;
    for (const auto& [fd, flags] : descriptors_)
        watched.push_back({fd, (flags & CLAP_POSIX_FD_READ) != 0, (flags & CLAP_POSIX_FD_WRITE) != 0,
                           (flags & CLAP_POSIX_FD_ERROR) != 0});
    return watched;
}

HostedPlugin::Clock::time_point ClapHost::nextTimer() {
    if (callbackRequested_ || flushRequested_) return Clock::now();
    Clock::time_point next = Clock::time_point::max();
    for (const auto& [id, timer] : timers_) next = std::min(next, timer.due);
    return next;
}

void ClapHost::runMainLoop(const std::vector<WatchedDescriptor>& ready) {
    for (const WatchedDescriptor& d : ready) {
        if (!descriptors_.count(d.fd)) continue; // unregistered by an earlier call
        const uint32_t flags = (d.read ? uint32_t(CLAP_POSIX_FD_READ) : 0u) |
                               (d.write ? uint32_t(CLAP_POSIX_FD_WRITE) : 0u) | (d.error ? uint32_t(CLAP_POSIX_FD_ERROR) : 0u);
        if (flags) descriptorSupport_->on_fd(plugin_, d.fd, flags);
    }
    const Clock::time_point now = Clock::now();
    std::vector<clap_id> due;
    for (auto& [id, timer] : timers_)
        if (timer.due <= now) {
            due.push_back(id);
            // Late timers are not caught up: the next one is a period from now.
            timer.due = std::max(timer.due + std::chrono::milliseconds(timer.periodMs), now);
        }
    for (clap_id id : due)
        if (timers_.count(id)) timerSupport_->on_timer(plugin_, id);
    if (callbackRequested_.exchange(false)) plugin_->on_main_thread(plugin_);
    if (flushRequested_.exchange(false) && !processing_) flush(ClapInputEvents());
}

// ---- the panel

void ClapHost::createPanel() {
    if (panelCreated_) return;
    if (!gui_) throw HostError("the plug-in has no panel");
    if (!gui_->is_api_supported(plugin_, windowApi_, false))
        throw HostError(std::string("the plug-in has no panel to embed in a ") + windowApi_ + " window");
    if (!gui_->create(plugin_, windowApi_, false)) throw HostError("the plug-in did not create its panel");
    panelCreated_ = true;
    gui_->set_scale(plugin_, panelScale_); // false: the plug-in asks the system itself
}

void ClapHost::destroyPanel() {
    if (!panelCreated_) return;
    if (panelShown_) gui_->hide(plugin_);
    panelShown_ = false;
    gui_->destroy(plugin_);
    panelCreated_ = false;
}

// The size is asked of a panel created for the question, and closed again unless it was open:
// what zkhost holds before it opens the panel is then what it holds after closing it.
PanelSize ClapHost::panelSize() {
    const bool created = !panelCreated_;
    createPanel();
    uint32_t width = 0, height = 0;
    const bool sized = gui_->get_size(plugin_, &width, &height);
    if (created) destroyPanel();
    if (!sized || width == 0 || height == 0 || width > 16384 || height > 16384)
        throw HostError("the plug-in reports no panel size");
    return {static_cast<int>(width), static_cast<int>(height)};
}

void ClapHost::openPanel(const PanelParent& parent) {
    createPanel();
    clap_window window{};
    window.api = windowApi_;
#if defined(_WIN32)
    window.win32 = parent.win32;
#else
    window.x11 = parent.x11;
#endif
    if (!gui_->set_parent(plugin_, &window)) {
        destroyPanel();
        throw HostError("the plug-in did not open its panel");
    }
    panelShown_ = gui_->show(plugin_);
}

void ClapHost::closePanel() { destroyPanel(); }

} // namespace zkhost
