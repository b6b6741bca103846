// A small CLAP plug-in of the tests' own for zkhost's CLAP side: a stereo gain with two
// parameters (Gain, id 10, 0..4; Invert, id 20, stepped), a MIDI note input (Control Change 7
// sets Gain and is reported as not to be recorded; Program Change sets Invert and has the host
// rescan the values), its state through the host's streams, and on X11 a panel driven by the
// host's timer and file-descriptor support: the fourth tick of its timer writes to a pipe of
// its own, whose descriptor the host watches, and the call for it sets Gain to 2 as a person's
// gesture. It logs, through the host, how many stream calls a state took, and any call it
// receives on the wrong thread.

#include "formats/clap/ClapAbi.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(__linux__)
#include <X11/Xlib.h>
#include <unistd.h>
#endif

using namespace clap;

namespace {

constexpr clap_id kGainId = 10, kInvertId = 20;
constexpr double kMaxGain = 4.0;
constexpr char kStateMagic[4] = {'Z', 'K', 'T', 'G'};
constexpr uint32_t kStateVersion = 1;
constexpr uint32_t kPanelWidth = 160, kPanelHeight = 100;

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_STEREO,
                                 CLAP_PLUGIN_FEATURE_UTILITY, nullptr};

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION, "org.zephyrkettledrome.zkhost-test-gain", "zkhost test gain", "Zephyrkettledrome project", "",
    "", "", "1.0", "A stereo gain for zkhost's tests", kFeatures};

struct TestGain {
    clap_plugin plugin{};
    const clap_host* host = nullptr;
    const clap_host_log* log = nullptr;
    const clap_host_thread_check* threads = nullptr;
    const clap_host_params* hostParams = nullptr;
    const clap_host_timer_support* timers = nullptr;
    const clap_host_posix_fd_support* descriptors = nullptr;

    std::atomic<double> gain{1.0}, invert{0.0};
    std::atomic<bool> rescanWanted{false};
    std::atomic<bool> gestureWanted{false}; // the panel set Gain to 2

#if defined(__linux__)
    Display* display = nullptr;
    Window window = 0;
    int pipe[2] = {-1, -1}; // the timer's message to the descriptor call
    clap_id timer = CLAP_INVALID_ID;
    double scale = 1.0;
    int ticks = 0;
    unsigned long painted = 0; // the colour last painted
#endif
};

TestGain* self(const clap_plugin* plugin) { return static_cast<TestGain*>(plugin->plugin_data); }

void say(TestGain* g, clap_log_severity severity, const std::string& text) {
    if (g->log) g->log->log(g->host, severity, text.c_str());
}

void expectThread(TestGain* g, bool audio, const char* what) {
    if (!g->threads) return;
    const bool right = audio ? g->threads->is_audio_thread(g->host) : g->threads->is_main_thread(g->host);
    if (!right) say(g, CLAP_LOG_HOST_MISBEHAVING, std::string(what) + " was called on the wrong thread");
}

// ---- parameters

bool paramInfo(const clap_plugin*, uint32_t index, clap_param_info* info) {
    if (index > 1) return false;
    *info = {};
    info->id = index == 0 ? kGainId : kInvertId;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | (index == 1 ? uint32_t(CLAP_PARAM_IS_STEPPED) : 0u);
    std::snprintf(info->name, sizeof info->name, "%s", index == 0 ? "Gain" : "Invert");
    std::snprintf(info->module, sizeof info->module, "Output");
    info->min_value = 0;
    info->max_value = index == 0 ? kMaxGain : 1.0;
    info->default_value = index == 0 ? 1.0 : 0.0;
    return true;
}

bool paramValue(const clap_plugin* plugin, clap_id id, double* value) {
    if (id != kGainId && id != kInvertId) return false;
    *value = id == kGainId ? self(plugin)->gain.load() : self(plugin)->invert.load();
    return true;
}

bool valueToText(const clap_plugin*, clap_id id, double value, char* out, uint32_t capacity) {
    if (id == kGainId) return std::snprintf(out, capacity, "%.3f x", value) > 0;
    if (id == kInvertId) return std::snprintf(out, capacity, "%s", value >= 0.5 ? "on" : "off") > 0;
    return false;
}

void applyParam(TestGain* g, const clap_event_param_value* e) {
    if (e->param_id == kGainId) g->gain = std::fmin(std::fmax(e->value, 0.0), kMaxGain);
    if (e->param_id == kInvertId) g->invert = e->value >= 0.5 ? 1.0 : 0.0;
}

void pushValue(const clap_output_events* out, uint32_t time, clap_id id, double value, uint32_t flags) {
    clap_event_param_value e{};
    e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, flags};
    e.param_id = id;
    e.note_id = -1;
    e.port_index = e.channel = e.key = -1;
    e.value = value;
    out->try_push(out, &e.header);
}

void pushGesture(const clap_output_events* out, uint16_t type, clap_id id) {
    clap_event_param_gesture e{};
    e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    e.param_id = id;
    out->try_push(out, &e.header);
}

// The panel's edit, as a person's gesture.
void pushPanelEdits(TestGain* g, const clap_output_events* out) {
    if (!g->gestureWanted.exchange(false)) return;
    g->gain = 2.0;
    pushGesture(out, CLAP_EVENT_PARAM_GESTURE_BEGIN, kGainId);
    pushValue(out, 0, kGainId, g->gain, 0);
    pushGesture(out, CLAP_EVENT_PARAM_GESTURE_END, kGainId);
}

// Events other than parameters: Control Change 7 is Gain, Program Change is Invert.
void applyEvent(TestGain* g, const clap_event_header* e, const clap_output_events* out) {
    if (e->space_id != CLAP_CORE_EVENT_SPACE_ID) return;
    if (e->type == CLAP_EVENT_PARAM_VALUE) {
        applyParam(g, reinterpret_cast<const clap_event_param_value*>(e));
    } else if (e->type == CLAP_EVENT_MIDI) {
        const uint8_t* data = reinterpret_cast<const clap_event_midi*>(e)->data;
        if ((data[0] & 0xF0) == 0xB0 && data[1] == 7) {
            g->gain = data[2] / 127.0 * kMaxGain;
            pushValue(out, e->time, kGainId, g->gain, CLAP_EVENT_DONT_RECORD);
        } else if ((data[0] & 0xF0) == 0xC0) {
            g->invert = data[1] % 2;
            g->rescanWanted = true;
            g->host->request_callback(g->host);
        }
    }
}

void flush(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out) {
    TestGain* g = self(plugin);
    for (uint32_t i = 0; i < in->size(in); ++i) applyEvent(g, in->get(in, i), out);
    pushPanelEdits(g, out);
}

// Text to a value is asked by no host here.
const clap_plugin_params kParams = {[](const clap_plugin*) -> uint32_t { return 2; },
                                    paramInfo,
                                    paramValue,
                                    valueToText,
                                    [](const clap_plugin*, clap_id, const char*, double*) { return false; },
                                    flush};

// ---- processing

clap_process_status process(const clap_plugin* plugin, const clap_process* p) {
    TestGain* g = self(plugin);
    expectThread(g, true, "process");
    if (p->audio_inputs_count != 1 || p->audio_outputs_count != 1) return CLAP_PROCESS_ERROR;
    float* const* in = p->audio_inputs[0].data32;
    float* const* out = p->audio_outputs[0].data32;
    const uint32_t events = p->in_events->size(p->in_events);
    uint32_t next = 0, frame = 0;
    while (frame < p->frames_count) {
        for (; next < events; ++next) {
            const clap_event_header* e = p->in_events->get(p->in_events, next);
            if (e->time > frame) break;
            applyEvent(g, e, p->out_events);
        }
        const uint32_t end = next < events ? std::min(p->in_events->get(p->in_events, next)->time, p->frames_count)
                                           : p->frames_count;
        const float factor = static_cast<float>(g->gain * (g->invert >= 0.5 ? -1.0 : 1.0));
        for (int c = 0; c < 2; ++c)
            for (uint32_t f = frame; f < end; ++f) out[c][f] = in[c][f] * factor;
        frame = end;
    }
    for (; next < events; ++next) applyEvent(g, p->in_events->get(p->in_events, next), p->out_events);
    pushPanelEdits(g, p->out_events);
    return CLAP_PROCESS_CONTINUE;
}

// ---- ports

bool audioPort(const clap_plugin*, uint32_t index, bool input, clap_audio_port_info* info) {
    if (index != 0) return false;
    *info = {};
    info->id = 0;
    std::snprintf(info->name, sizeof info->name, "%s", input ? "Main in" : "Main out");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0;
    return true;
}
const clap_plugin_audio_ports kAudioPorts = {[](const clap_plugin*, bool) -> uint32_t { return 1; }, audioPort};

bool notePort(const clap_plugin*, uint32_t index, bool input, clap_note_port_info* info) {
    if (index != 0 || !input) return false;
    *info = {};
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::snprintf(info->name, sizeof info->name, "MIDI in");
    return true;
}
const clap_plugin_note_ports kNotePorts = {[](const clap_plugin*, bool input) -> uint32_t { return input ? 1 : 0; },
                                           notePort};

const clap_plugin_latency kLatency = {[](const clap_plugin*) -> uint32_t { return 0; }};
const clap_plugin_tail kTail = {[](const clap_plugin*) -> uint32_t { return 0; }};

// ---- state: magic, version, Gain and Invert as little-endian doubles

bool saveState(const clap_plugin* plugin, const clap_ostream* stream) {
    TestGain* g = self(plugin);
    expectThread(g, false, "state.save");
    uint8_t bytes[24];
    std::memcpy(bytes, kStateMagic, 4);
    std::memcpy(bytes + 4, &kStateVersion, 4);
    const double values[2] = {g->gain, g->invert};
    std::memcpy(bytes + 8, values, 16);
    size_t written = 0;
    int calls = 0;
    while (written < sizeof bytes) {
        const int64_t n = stream->write(stream, bytes + written, sizeof bytes - written);
        ++calls;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    say(g, CLAP_LOG_DEBUG, "state saved in " + std::to_string(calls) + " writes");
    return true;
}

bool loadState(const clap_plugin* plugin, const clap_istream* stream) {
    TestGain* g = self(plugin);
    expectThread(g, false, "state.load");
    uint8_t bytes[25];
    size_t got = 0;
    int calls = 0;
    for (;;) { // one byte more than the state, to tell a longer stream
        const int64_t n = stream->read(stream, bytes + got, sizeof bytes - got);
        ++calls;
        if (n < 0) return false;
        if (n == 0 || (got += static_cast<size_t>(n)) == sizeof bytes) break;
    }
    uint32_t version = 0;
    if (got != 24 || std::memcmp(bytes, kStateMagic, 4) != 0) return false;
    std::memcpy(&version, bytes + 4, 4);
    double values[2];
    std::memcpy(values, bytes + 8, 16);
    if (version != kStateVersion || !(values[0] >= 0 && values[0] <= kMaxGain) || !(values[1] == 0 || values[1] == 1))
        return false;
    g->gain = values[0];
    g->invert = values[1];
    say(g, CLAP_LOG_DEBUG, "state loaded in " + std::to_string(calls) + " reads");
    if (g->hostParams) g->hostParams->rescan(g->host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}
const clap_plugin_state kState = {saveState, loadState};

// ---- panel: a coloured rectangle, painted on every exposure

#if defined(__linux__)
void redraw(TestGain* g) {
    if (g->window) XClearArea(g->display, g->window, 0, 0, 0, 0, True);
    if (g->display) XFlush(g->display);
}

unsigned long colour(TestGain* g) {
    const unsigned long red = static_cast<unsigned long>(g->gain / kMaxGain * 255.0);
    const unsigned long green = g->invert >= 0.5 ? 255 : 0;
    return (red << 16) | (green << 8) | 0x40;
}

void paint(TestGain* g) {
    g->painted = colour(g);
    XSetWindowBackground(g->display, g->window, g->painted);
    XClearWindow(g->display, g->window);
    XFlush(g->display);
}

bool guiSupported(const clap_plugin*, const char* api, bool floating) {
    return !floating && std::strcmp(api, CLAP_WINDOW_API_X11) == 0;
}

void guiDestroy(const clap_plugin* plugin) {
    TestGain* g = self(plugin);
    expectThread(g, false, "gui.destroy");
    if (!g->display) return;
    if (g->timer != CLAP_INVALID_ID) g->timers->unregister_timer(g->host, g->timer);
    g->descriptors->unregister_fd(g->host, ConnectionNumber(g->display));
    if (g->pipe[0] >= 0) {
        g->descriptors->unregister_fd(g->host, g->pipe[0]);
        close(g->pipe[0]);
        close(g->pipe[1]);
    }
    if (g->window) XDestroyWindow(g->display, g->window);
    XCloseDisplay(g->display);
    g->display = nullptr;
    g->window = 0;
    g->pipe[0] = g->pipe[1] = -1;
    g->timer = CLAP_INVALID_ID;
}

bool guiCreate(const clap_plugin* plugin, const char* api, bool floating) {
    TestGain* g = self(plugin);
    expectThread(g, false, "gui.create");
    if (!guiSupported(plugin, api, floating) || g->display || !g->timers || !g->descriptors) return false;
    g->display = XOpenDisplay(nullptr);
    if (!g->display) return false;
    g->ticks = 0;
    if (::pipe(g->pipe) != 0) g->pipe[0] = g->pipe[1] = -1;
    if (g->pipe[0] < 0 || !g->descriptors->register_fd(g->host, ConnectionNumber(g->display), CLAP_POSIX_FD_READ) ||
        !g->descriptors->register_fd(g->host, g->pipe[0], CLAP_POSIX_FD_READ) ||
        !g->timers->register_timer(g->host, 25, &g->timer)) {
        guiDestroy(plugin);
        return false;
    }
    return true;
}

bool guiSize(const clap_plugin* plugin, uint32_t* width, uint32_t* height) {
    *width = static_cast<uint32_t>(kPanelWidth * self(plugin)->scale);
    *height = static_cast<uint32_t>(kPanelHeight * self(plugin)->scale);
    return true;
}

bool guiSetParent(const clap_plugin* plugin, const clap_window* parent) {
    TestGain* g = self(plugin);
    if (!g->display || g->window || std::strcmp(parent->api, CLAP_WINDOW_API_X11) != 0) return false;
    uint32_t width, height;
    guiSize(plugin, &width, &height);
    g->window = XCreateSimpleWindow(g->display, parent->x11, 0, 0, width, height, 0, 0, 0);
    XSelectInput(g->display, g->window, ExposureMask);
    XFlush(g->display);
    return true;
}

bool guiMap(const clap_plugin* plugin, bool shown) {
    TestGain* g = self(plugin);
    if (!g->window) return false;
    shown ? XMapWindow(g->display, g->window) : XUnmapWindow(g->display, g->window);
    XFlush(g->display);
    return true;
}

const clap_plugin_gui kGui = {
    guiSupported,
    [](const clap_plugin*, const char** api, bool* floating) {
        *api = CLAP_WINDOW_API_X11;
        *floating = false;
        return true;
    },
    guiCreate,
    guiDestroy,
    [](const clap_plugin* plugin, double scale) {
        self(plugin)->scale = scale;
        return true;
    },
    guiSize,
    [](const clap_plugin*) { return false; },
    [](const clap_plugin*, clap_gui_resize_hints*) { return false; },
    [](const clap_plugin*, uint32_t*, uint32_t*) { return false; },
    [](const clap_plugin*, uint32_t, uint32_t) { return false; },
    guiSetParent,
    [](const clap_plugin*, const clap_window*) { return false; },
    [](const clap_plugin*, const char*) {},
    [](const clap_plugin* plugin) { return guiMap(plugin, true); },
    [](const clap_plugin* plugin) { return guiMap(plugin, false); }};

// Xlib may have read events into its queue during the panel's own requests, where the
// connection's descriptor no longer shows them: they are taken on every call.
void takeEvents(TestGain* g) {
    while (g->display && XPending(g->display) > 0) {
        XEvent event;
        XNextEvent(g->display, &event);
        if (event.type == Expose && event.xexpose.count == 0) paint(g);
    }
}

// The fourth tick writes to the pipe; a tick after a change has the panel exposed again.
const clap_plugin_timer_support kTimers = {[](const clap_plugin* plugin, clap_id id) {
    TestGain* g = self(plugin);
    expectThread(g, false, "on_timer");
    takeEvents(g);
    if (g->window && g->painted != colour(g)) redraw(g);
    const char byte = 1;
    if (id == g->timer && ++g->ticks == 4 && write(g->pipe[1], &byte, 1) != 1) say(g, CLAP_LOG_ERROR, "no pipe");
}};

// The pipe's message is a gesture setting Gain to 2.
const clap_plugin_posix_fd_support kDescriptors = {[](const clap_plugin* plugin, int fd, clap_posix_fd_flags_t) {
    TestGain* g = self(plugin);
    expectThread(g, false, "on_fd");
    char byte;
    if (fd == g->pipe[0] && read(fd, &byte, 1) == 1) {
        g->gestureWanted = true;
        g->hostParams->request_flush(g->host);
    }
    takeEvents(g);
}};
#endif

// ---- the plug-in record

template <typename T> const T* hostExtension(const clap_host* host, const char* id) {
    return static_cast<const T*>(host->get_extension(host, id));
}

bool init(const clap_plugin* plugin) {
    TestGain* g = self(plugin);
    g->log = hostExtension<clap_host_log>(g->host, CLAP_EXT_LOG);
    g->threads = hostExtension<clap_host_thread_check>(g->host, CLAP_EXT_THREAD_CHECK);
    g->hostParams = hostExtension<clap_host_params>(g->host, CLAP_EXT_PARAMS);
    g->timers = hostExtension<clap_host_timer_support>(g->host, CLAP_EXT_TIMER_SUPPORT);
    g->descriptors = hostExtension<clap_host_posix_fd_support>(g->host, CLAP_EXT_POSIX_FD_SUPPORT);
    expectThread(g, false, "init");
    return true;
}

const void* extension(const clap_plugin*, const char* id) {
    const std::pair<const char*, const void*> offered[] = {
        {CLAP_EXT_PARAMS, &kParams},         {CLAP_EXT_AUDIO_PORTS, &kAudioPorts}, {CLAP_EXT_NOTE_PORTS, &kNotePorts},
        {CLAP_EXT_STATE, &kState},           {CLAP_EXT_LATENCY, &kLatency},        {CLAP_EXT_TAIL, &kTail},
#if defined(__linux__)
        {CLAP_EXT_GUI, &kGui},               {CLAP_EXT_TIMER_SUPPORT, &kTimers},   {CLAP_EXT_POSIX_FD_SUPPORT, &kDescriptors},
#endif
    };
    for (const auto& [name, table] : offered)
        if (std::strcmp(name, id) == 0) return table;
    return nullptr;
}

const clap_plugin* create(const clap_host* host) {
    auto* g = new TestGain;
    g->host = host;
    g->plugin.desc = &kDescriptor;
    g->plugin.plugin_data = g;
    g->plugin.init = init;
    g->plugin.destroy = [](const clap_plugin* plugin) {
#if defined(__linux__)
        guiDestroy(plugin);
#endif
        delete self(plugin);
    };
    g->plugin.activate = [](const clap_plugin* plugin, double rate, uint32_t, uint32_t) {
        expectThread(self(plugin), false, "activate");
        return rate > 0;
    };
    g->plugin.deactivate = [](const clap_plugin* plugin) { expectThread(self(plugin), false, "deactivate"); };
    g->plugin.start_processing = [](const clap_plugin* plugin) {
        expectThread(self(plugin), true, "start_processing");
        return true;
    };
    g->plugin.stop_processing = [](const clap_plugin* plugin) { expectThread(self(plugin), true, "stop_processing"); };
    g->plugin.reset = [](const clap_plugin*) {};
    g->plugin.process = process;
    g->plugin.get_extension = extension;
    g->plugin.on_main_thread = [](const clap_plugin* plugin) {
        TestGain* g = self(plugin);
        expectThread(g, false, "on_main_thread");
        if (g->rescanWanted.exchange(false) && g->hostParams) g->hostParams->rescan(g->host, CLAP_PARAM_RESCAN_VALUES);
    };
    return &g->plugin;
}

const clap_plugin_factory kFactory = {
    [](const clap_plugin_factory*) -> uint32_t { return 1; },
    [](const clap_plugin_factory*, uint32_t index) { return index == 0 ? &kDescriptor : nullptr; },
    [](const clap_plugin_factory*, const clap_host* host, const char* id) {
        return host && id && std::strcmp(id, kDescriptor.id) == 0 ? create(host) : nullptr;
    }};

} // namespace

#if defined(_WIN32)
#define ZK_TEST_EXPORT __declspec(dllexport)
#else
#define ZK_TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" ZK_TEST_EXPORT const clap_plugin_entry clap_entry = {
    CLAP_VERSION, [](const char* path) { return path != nullptr; }, [] {},
    [](const char* id) -> const void* { return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr; }};
