#include "tools/zkhost/ClapHostCallbacks.h"

#include "tools/zkhost/ClapHost.h"

#include <cstring>

namespace zkhost {

using namespace clap;

namespace {

// The instance a call belongs to; null for a record that is not ours.
ClapHost* self(const clap_host* host) { return host ? static_cast<ClapHost*>(host->host_data) : nullptr; }

const void* getExtension(const clap_host* host, const char* id) {
    ClapHost* h = self(host);
    return h && id ? h->hostExtension(id) : nullptr;
}
void requestRestart(const clap_host* host) {
    if (ClapHost* h = self(host)) h->requestRestart();
}
void requestProcess(const clap_host* host) {
    if (ClapHost* h = self(host)) h->requestProcess();
}
void requestCallback(const clap_host* host) {
    if (ClapHost* h = self(host)) h->requestCallback();
}

const clap_host_log hostLog = {
    [](const clap_host* host, clap_log_severity severity, const char* message) {
        if (ClapHost* h = self(host)) h->log(severity, message);
    }};

const clap_host_thread_check hostThreadCheck = {
    [](const clap_host* host) { return self(host) && self(host)->isMainThread(); },
    [](const clap_host* host) { return self(host) && self(host)->isAudioThread(); }};

const clap_host_params hostParams = {
    [](const clap_host* host, clap_param_rescan_flags flags) {
        if (ClapHost* h = self(host)) h->rescanParams(flags);
    },
    [](const clap_host* host, clap_id, clap_param_clear_flags) {
        if (ClapHost* h = self(host)) h->expectMainThread("params.clear");
    },
    [](const clap_host* host) {
        if (ClapHost* h = self(host)) h->requestFlush();
    }};

const clap_host_state hostState = {[](const clap_host* host) {
    if (ClapHost* h = self(host)) h->expectMainThread("state.mark_dirty");
}};

// Ports are read once: zkhost keeps its buffers as they were laid out at the start.
const clap_host_audio_ports hostAudioPorts = {
    [](const clap_host*, uint32_t) { return false; },
    [](const clap_host* host, uint32_t) {
        if (ClapHost* h = self(host)) h->expectMainThread("audio-ports.rescan");
    }};

const clap_host_note_ports hostNotePorts = {
    [](const clap_host*) -> uint32_t { return CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI; },
    [](const clap_host* host, uint32_t) {
        if (ClapHost* h = self(host)) h->expectMainThread("note-ports.rescan");
    }};

const clap_host_latency hostLatency = {[](const clap_host* host) {
    if (ClapHost* h = self(host)) h->expectMainThread("latency.changed");
}};

const clap_host_tail hostTail = {[](const clap_host*) {}};

// The panel's window takes the size the panel asks for; the panel stays shown until zkhost
// closes it.
const clap_host_gui hostGui = {
    [](const clap_host*) {},
    [](const clap_host* host, uint32_t width, uint32_t height) {
        if (!self(host) || width == 0 || height == 0) return false;
        self(host)->requestedPanelSize = {int(width), int(height)};
        return true;
    },
    [](const clap_host*) { return false; },
    [](const clap_host*) { return false; },
    [](const clap_host*, bool) {}};

const clap_host_timer_support hostTimers = {
    [](const clap_host* host, uint32_t periodMs, clap_id* id) {
        return self(host) && id && self(host)->registerTimer(periodMs, id);
    },
    [](const clap_host* host, clap_id id) { return self(host) && self(host)->unregisterTimer(id); }};

#if !defined(_WIN32)
const clap_host_posix_fd_support hostDescriptors = {
    [](const clap_host* host, int fd, clap_posix_fd_flags_t flags) {
        return self(host) && self(host)->registerDescriptor(fd, flags);
    },
    [](const clap_host* host, int fd, clap_posix_fd_flags_t flags) {
        return self(host) && self(host)->modifyDescriptor(fd, flags);
    },
    [](const clap_host* host, int fd) { return self(host) && self(host)->unregisterDescriptor(fd); }};
#endif

} // namespace

clap_host clapHostRecord(ClapHost* host) {
    clap_host record{};
    record.clap_version = CLAP_VERSION;
    record.host_data = host;
    record.name = "zkhost";
    record.vendor = "Zephyrkettledrome project";
    record.url = "";
    record.version = "1.0";
    record.get_extension = &getExtension;
    record.request_restart = &requestRestart;
    record.request_process = &requestProcess;
    record.request_callback = &requestCallback;
    return record;
}

const void* ClapHost::hostExtension(const char* id) {
    static const std::pair<const char*, const void*> offered[] = {
        {CLAP_EXT_LOG, &hostLog},
        {CLAP_EXT_THREAD_CHECK, &hostThreadCheck},
        {CLAP_EXT_PARAMS, &hostParams},
        {CLAP_EXT_STATE, &hostState},
        {CLAP_EXT_AUDIO_PORTS, &hostAudioPorts},
        {CLAP_EXT_NOTE_PORTS, &hostNotePorts},
        {CLAP_EXT_LATENCY, &hostLatency},
        {CLAP_EXT_TAIL, &hostTail},
        {CLAP_EXT_GUI, &hostGui},
        {CLAP_EXT_TIMER_SUPPORT, &hostTimers},
#if !defined(_WIN32)
        {CLAP_EXT_POSIX_FD_SUPPORT, &hostDescriptors},
#endif
    };
    for (const auto& [name, table] : offered)
        if (std::strcmp(name, id) == 0) return table;
    return nullptr;
}

} // namespace zkhost
