#pragma once

// Our own declaration of the CLAP binary interface (version 1.2 layout): the entry, the
// plug-in factory and descriptor, the plug-in and host records, processing with its audio
// buffers and events, and the extensions a plug-in and its host use here. Names are the
// interface's own; layouts are checked below for 64-bit and both 32-bit conventions.
//
// How a host uses it:
//  1. It loads the module and reads the exported `clap_entry`, calls init with the module's
//     path, then get_factory(CLAP_PLUGIN_FACTORY_ID).
//  2. The factory lists descriptors; create_plugin(host, id) makes an instance, which the
//     host initialises (init) before it asks for extensions (get_extension).
//  3. It reads ports and parameters, then activate(rate, min, max frames) on the main thread;
//     start_processing, process (blocks of audio with sorted input events; the plug-in's
//     own changes come back as output events) and stop_processing on the audio thread;
//     deactivate on the main thread. Between activations, parameter events go through
//     params.flush.
//  4. State is saved and loaded through streams that may move fewer bytes than asked.
//  5. The panel: is_api_supported, create, set_scale, get_size, set_parent with the host's
//     native window, show; the plug-in drives its idle by the host's timers and file
//     descriptors; hide and destroy close it.
//  6. destroy ends the instance; deinit the entry, before the module is unloaded.
// Threads: [main] the host's main thread, [audio] the audio thread, [any] either; the
// plug-in's own calls to the host are tagged from the host's side.

#include <cstddef>
#include <cstdint>

namespace clap {

// ---- basics

struct clap_version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};
using clap_version_t = clap_version;

inline constexpr uint32_t CLAP_VERSION_MAJOR = 1;
inline constexpr uint32_t CLAP_VERSION_MINOR = 2;
inline constexpr uint32_t CLAP_VERSION_REVISION = 2;
inline constexpr clap_version CLAP_VERSION = {CLAP_VERSION_MAJOR, CLAP_VERSION_MINOR, CLAP_VERSION_REVISION};

// Every 1.x version may be used by every 1.x host; 0.x were drafts.
constexpr bool clap_version_is_compatible(clap_version v) { return v.major >= 1; }

using clap_id = uint32_t;
inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

inline constexpr std::size_t CLAP_NAME_SIZE = 256;
inline constexpr std::size_t CLAP_PATH_SIZE = 1024;

// ---- the plug-in record and the host record

struct clap_plugin_descriptor {
    clap::clap_version clap_version;
    const char* id;          // reverse-domain, unique
    const char* name;
    const char* vendor;      // may be null
    const char* url;         // may be null
    const char* manual_url;  // may be null
    const char* support_url; // may be null
    const char* version;     // may be null
    const char* description; // may be null
    const char* const* features; // null-terminated list, see CLAP_PLUGIN_FEATURE_*
};
using clap_plugin_descriptor_t = clap_plugin_descriptor;

inline constexpr char CLAP_PLUGIN_FEATURE_INSTRUMENT[] = "instrument";
inline constexpr char CLAP_PLUGIN_FEATURE_AUDIO_EFFECT[] = "audio-effect";
inline constexpr char CLAP_PLUGIN_FEATURE_NOTE_EFFECT[] = "note-effect";
inline constexpr char CLAP_PLUGIN_FEATURE_ANALYZER[] = "analyzer";
inline constexpr char CLAP_PLUGIN_FEATURE_SYNTHESIZER[] = "synthesizer";
inline constexpr char CLAP_PLUGIN_FEATURE_FILTER[] = "filter";
inline constexpr char CLAP_PLUGIN_FEATURE_DELAY[] = "delay";
inline constexpr char CLAP_PLUGIN_FEATURE_UTILITY[] = "utility";
inline constexpr char CLAP_PLUGIN_FEATURE_MONO[] = "mono";
inline constexpr char CLAP_PLUGIN_FEATURE_STEREO[] = "stereo";

struct clap_process;

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data; // the plug-in's own
    bool (*init)(const clap_plugin* plugin);                   // [main] once, before anything else
    void (*destroy)(const clap_plugin* plugin);                // [main] deactivated first
    bool (*activate)(const clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                     uint32_t max_frames_count);               // [main]
    void (*deactivate)(const clap_plugin* plugin);             // [main]
    bool (*start_processing)(const clap_plugin* plugin);       // [audio] active
    void (*stop_processing)(const clap_plugin* plugin);        // [audio] active, processing
    void (*reset)(const clap_plugin* plugin);                  // [audio] active: clear buffers and tails
    int32_t (*process)(const clap_plugin* plugin, const clap_process* process); // [audio] processing
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);   // [any]
    void (*on_main_thread)(const clap_plugin* plugin);         // [main] after host request_callback
};
using clap_plugin_t = clap_plugin;

struct clap_host {
    clap::clap_version clap_version;
    void* host_data; // the host's own
    const char* name;
    const char* vendor;  // may be null
    const char* url;     // may be null
    const char* version;
    const void* (*get_extension)(const clap_host* host, const char* extension_id); // [any]
    void (*request_restart)(const clap_host* host);  // [any] deactivate and activate again
    void (*request_process)(const clap_host* host);  // [any] start processing (a sleeping plug-in)
    void (*request_callback)(const clap_host* host); // [any] call on_main_thread soon
};
using clap_host_t = clap_host;

// ---- entry and factory

struct clap_plugin_entry {
    clap::clap_version clap_version;
    bool (*init)(const char* plugin_path);              // [main] once per load
    void (*deinit)();                                   // [main]
    const void* (*get_factory)(const char* factory_id); // [any] after init
};
using clap_plugin_entry_t = clap_plugin_entry;

// The module exports `extern "C" const clap_plugin_entry clap_entry`.
inline constexpr char CLAP_ENTRY_SYMBOL[] = "clap_entry";

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

struct clap_plugin_factory {
    uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);                               // [any]
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                           uint32_t index);                      // [any]
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);                                  // [main]
};
using clap_plugin_factory_t = clap_plugin_factory;

// ---- events

struct clap_event_header {
    uint32_t size;     // of the whole event, header included
    uint32_t time;     // frame within the block
    uint16_t space_id; // CLAP_CORE_EVENT_SPACE_ID for the events below
    uint16_t type;
    uint32_t flags;    // clap_event_flags
};
using clap_event_header_t = clap_event_header;

inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

enum clap_event_flags : uint32_t {
    CLAP_EVENT_IS_LIVE = 1 << 0,       // from a person playing now
    CLAP_EVENT_DONT_RECORD = 1 << 1,   // not to be written into automation
};

enum : uint16_t {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

// Note events; -1 in note_id, port_index, channel or key means any.
struct clap_event_note {
    clap_event_header header;
    int32_t note_id;
    int16_t port_index;
    int16_t channel; // 0..15
    int16_t key;     // 0..127
    double velocity; // 0..1
};
using clap_event_note_t = clap_event_note;

enum : int32_t {
    CLAP_NOTE_EXPRESSION_VOLUME = 0,
    CLAP_NOTE_EXPRESSION_PAN = 1,
    CLAP_NOTE_EXPRESSION_TUNING = 2,
    CLAP_NOTE_EXPRESSION_VIBRATO = 3,
    CLAP_NOTE_EXPRESSION_EXPRESSION = 4,
    CLAP_NOTE_EXPRESSION_BRIGHTNESS = 5,
    CLAP_NOTE_EXPRESSION_PRESSURE = 6,
};

struct clap_event_note_expression {
    clap_event_header header;
    int32_t expression_id;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};
using clap_event_note_expression_t = clap_event_note_expression;

// A parameter's new plain value (in its range), from the host or reported by the plug-in.
struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie; // clap_param_info.cookie, or null
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};
using clap_event_param_value_t = clap_event_param_value;

struct clap_event_param_mod {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double amount; // added to the value, in the parameter's range
};
using clap_event_param_mod_t = clap_event_param_mod;

// A person begins or ends adjusting a parameter (output events only).
struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};
using clap_event_param_gesture_t = clap_event_param_gesture;

// Fixed-point positions: value * 2^31.
using clap_beattime = int64_t;
using clap_sectime = int64_t;
inline constexpr int64_t CLAP_BEATTIME_FACTOR = int64_t(1) << 31;
inline constexpr int64_t CLAP_SECTIME_FACTOR = int64_t(1) << 31;

enum clap_transport_flags : uint32_t {
    CLAP_TRANSPORT_HAS_TEMPO = 1 << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1 << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1 << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1 << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1 << 4,
    CLAP_TRANSPORT_IS_RECORDING = 1 << 5,
    CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1 << 6,
    CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1 << 7,
};

struct clap_event_transport {
    clap_event_header header;
    uint32_t flags; // clap_transport_flags
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo;     // beats per minute
    double tempo_inc; // per frame, until the next transport event
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start; // where the current bar starts
    int32_t bar_number;      // the bar at song position 0 is bar 0
    uint16_t tsig_num;
    uint16_t tsig_denom;
};
using clap_event_transport_t = clap_event_transport;

struct clap_event_midi {
    clap_event_header header;
    uint16_t port_index;
    uint8_t data[3];
};
using clap_event_midi_t = clap_event_midi;

struct clap_event_midi_sysex {
    clap_event_header header;
    uint16_t port_index;
    const uint8_t* buffer; // valid during the call only
    uint32_t size;
};
using clap_event_midi_sysex_t = clap_event_midi_sysex;

struct clap_event_midi2 {
    clap_event_header header;
    uint16_t port_index;
    uint32_t data[4];
};
using clap_event_midi2_t = clap_event_midi2;

// The events of one block, sorted by time; owned by the host.
struct clap_input_events {
    void* ctx;
    uint32_t (*size)(const clap_input_events* list);
    const clap_event_header* (*get)(const clap_input_events* list, uint32_t index);
};
using clap_input_events_t = clap_input_events;

// Where the plug-in pushes its events, in time order; the host copies each one.
struct clap_output_events {
    void* ctx;
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};
using clap_output_events_t = clap_output_events;

// ---- processing

struct clap_audio_buffer {
    float** data32;  // one pointer per channel, or null
    double** data64; // one pointer per channel, or null
    uint32_t channel_count;
    uint32_t latency;       // from or to the audio interface, in frames
    uint64_t constant_mask; // bit n: channel n holds one value throughout the block
};
using clap_audio_buffer_t = clap_audio_buffer;

enum : int32_t {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,  // continue while the tail lasts
    CLAP_PROCESS_SLEEP = 4, // nothing to do until new input or events
};
using clap_process_status = int32_t;

struct clap_process {
    int64_t steady_time; // frames since activation, or -1
    uint32_t frames_count;
    const clap_event_transport* transport; // null when the host has no transport
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};
using clap_process_t = clap_process;

// ---- extension: audio ports

inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr char CLAP_PORT_MONO[] = "mono";
inline constexpr char CLAP_PORT_STEREO[] = "stereo";

enum : uint32_t {
    CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3,
};

struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;  // CLAP_PORT_MONO, CLAP_PORT_STEREO, or null
    clap_id in_place_pair;  // the port of the other direction that may share buffers, or CLAP_INVALID_ID
};
using clap_audio_port_info_t = clap_audio_port_info;

struct clap_plugin_audio_ports {
    uint32_t (*count)(const clap_plugin* plugin, bool is_input); // [main]
    bool (*get)(const clap_plugin* plugin, uint32_t index, bool is_input, clap_audio_port_info* info); // [main]
};
using clap_plugin_audio_ports_t = clap_plugin_audio_ports;

enum : uint32_t {
    CLAP_AUDIO_PORTS_RESCAN_NAMES = 1 << 0,
    CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1 << 1,
    CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1 << 2,
    CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1 << 3,
    CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1 << 4,
    CLAP_AUDIO_PORTS_RESCAN_LIST = 1 << 5,
};

struct clap_host_audio_ports {
    bool (*is_rescan_flag_supported)(const clap_host* host, uint32_t flag); // [main]
    void (*rescan)(const clap_host* host, uint32_t flags);                  // [main]
};
using clap_host_audio_ports_t = clap_host_audio_ports;

// ---- extension: note ports

inline constexpr char CLAP_EXT_NOTE_PORTS[] = "clap.note-ports";

enum clap_note_dialect : uint32_t {
    CLAP_NOTE_DIALECT_CLAP = 1 << 0,
    CLAP_NOTE_DIALECT_MIDI = 1 << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1 << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1 << 3,
};

struct clap_note_port_info {
    clap_id id;
    uint32_t supported_dialects; // clap_note_dialect bits
    uint32_t preferred_dialect;  // one clap_note_dialect
    char name[CLAP_NAME_SIZE];
};
using clap_note_port_info_t = clap_note_port_info;

struct clap_plugin_note_ports {
    uint32_t (*count)(const clap_plugin* plugin, bool is_input); // [main]
    bool (*get)(const clap_plugin* plugin, uint32_t index, bool is_input, clap_note_port_info* info); // [main]
};
using clap_plugin_note_ports_t = clap_plugin_note_ports;

enum : uint32_t {
    CLAP_NOTE_PORTS_RESCAN_ALL = 1 << 0,
    CLAP_NOTE_PORTS_RESCAN_NAMES = 1 << 1,
};

struct clap_host_note_ports {
    uint32_t (*supported_dialects)(const clap_host* host); // [main]
    void (*rescan)(const clap_host* host, uint32_t flags);  // [main]
};
using clap_host_note_ports_t = clap_host_note_ports;

// ---- extension: parameters

inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

enum : uint32_t {
    CLAP_PARAM_IS_STEPPED = 1 << 0,
    CLAP_PARAM_IS_PERIODIC = 1 << 1,
    CLAP_PARAM_IS_HIDDEN = 1 << 2,
    CLAP_PARAM_IS_READONLY = 1 << 3,
    CLAP_PARAM_IS_BYPASS = 1 << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
    CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1 << 6,
    CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1 << 7,
    CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1 << 8,
    CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1 << 9,
    CLAP_PARAM_IS_MODULATABLE = 1 << 10,
    CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1 << 11,
    CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1 << 12,
    CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1 << 13,
    CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1 << 14,
    CLAP_PARAM_REQUIRES_PROCESS = 1 << 15,
    CLAP_PARAM_IS_ENUM = 1 << 16,
};
using clap_param_info_flags = uint32_t;

struct clap_param_info {
    clap_id id;
    clap_param_info_flags flags;
    void* cookie; // handed back in parameter events, or null
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE]; // a group path like "Band 1/Filter", or empty
    double min_value;
    double max_value;
    double default_value;
};
using clap_param_info_t = clap_param_info;

struct clap_plugin_params {
    uint32_t (*count)(const clap_plugin* plugin);                                             // [main]
    bool (*get_info)(const clap_plugin* plugin, uint32_t param_index, clap_param_info* param_info); // [main]
    bool (*get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);        // [main]
    bool (*value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                          uint32_t out_buffer_capacity);                                      // [main]
    bool (*text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text,
                          double* out_value);                                                 // [main]
    // Parameter events while not processing: [audio] when active, else [main].
    void (*flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};
using clap_plugin_params_t = clap_plugin_params;

enum : uint32_t {
    CLAP_PARAM_RESCAN_VALUES = 1 << 0, // values changed (a preset or state was loaded)
    CLAP_PARAM_RESCAN_TEXT = 1 << 1,   // value texts changed
    CLAP_PARAM_RESCAN_INFO = 1 << 2,   // names, flags or defaults changed
    CLAP_PARAM_RESCAN_ALL = 1 << 3,    // the list changed; the plug-in must be deactivated
};
using clap_param_rescan_flags = uint32_t;

enum : uint32_t {
    CLAP_PARAM_CLEAR_ALL = 1 << 0,
    CLAP_PARAM_CLEAR_AUTOMATIONS = 1 << 1,
    CLAP_PARAM_CLEAR_MODULATIONS = 1 << 2,
};
using clap_param_clear_flags = uint32_t;

struct clap_host_params {
    void (*rescan)(const clap_host* host, clap_param_rescan_flags flags);                  // [main]
    void (*clear)(const clap_host* host, clap_id param_id, clap_param_clear_flags flags);  // [main]
    void (*request_flush)(const clap_host* host); // [any] call flush or process soon
};
using clap_host_params_t = clap_host_params;

// ---- extension: state, and the streams it moves through

// Both return the bytes moved, which may be fewer than asked; read returns 0 at the end,
// and both return -1 for an error.
struct clap_istream {
    void* ctx;
    int64_t (*read)(const clap_istream* stream, void* buffer, uint64_t size);
};
using clap_istream_t = clap_istream;

struct clap_ostream {
    void* ctx;
    int64_t (*write)(const clap_ostream* stream, const void* buffer, uint64_t size);
};
using clap_ostream_t = clap_ostream;

inline constexpr char CLAP_EXT_STATE[] = "clap.state";

struct clap_plugin_state {
    bool (*save)(const clap_plugin* plugin, const clap_ostream* stream); // [main]
    bool (*load)(const clap_plugin* plugin, const clap_istream* stream); // [main]
};
using clap_plugin_state_t = clap_plugin_state;

struct clap_host_state {
    void (*mark_dirty)(const clap_host* host); // [main] the state changed where the host cannot see it
};
using clap_host_state_t = clap_host_state;

// ---- extension: GUI

inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
inline constexpr char CLAP_WINDOW_API_WIN32[] = "win32";
inline constexpr char CLAP_WINDOW_API_COCOA[] = "cocoa";
inline constexpr char CLAP_WINDOW_API_X11[] = "x11";
inline constexpr char CLAP_WINDOW_API_WAYLAND[] = "wayland";

using clap_hwnd = void*;
using clap_nsview = void*;
using clap_xwnd = unsigned long;

struct clap_window {
    const char* api; // CLAP_WINDOW_API_*
    union {
        clap_nsview cocoa;
        clap_xwnd x11;
        clap_hwnd win32;
        void* ptr;
    };
};
using clap_window_t = clap_window;

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};
using clap_gui_resize_hints_t = clap_gui_resize_hints;

// Every entry [main]. Sizes are in pixels for X11 and Win32 (set_scale gives the factor), in
// logical points for Cocoa.
struct clap_plugin_gui {
    bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin* plugin);
    bool (*set_scale)(const clap_plugin* plugin, double scale); // false: the plug-in asks the system
    bool (*get_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
    bool (*can_resize)(const clap_plugin* plugin);
    bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
    bool (*set_size)(const clap_plugin* plugin, uint32_t width, uint32_t height);
    bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);    // embedded
    bool (*set_transient)(const clap_plugin* plugin, const clap_window* window); // floating
    void (*suggest_title)(const clap_plugin* plugin, const char* title);         // floating
    bool (*show)(const clap_plugin* plugin);
    bool (*hide)(const clap_plugin* plugin);
};
using clap_plugin_gui_t = clap_plugin_gui;

struct clap_host_gui {
    void (*resize_hints_changed)(const clap_host* host);                            // [any]
    bool (*request_resize)(const clap_host* host, uint32_t width, uint32_t height); // [any]
    bool (*request_show)(const clap_host* host);                                    // [any]
    bool (*request_hide)(const clap_host* host);                                    // [any]
    void (*closed)(const clap_host* host, bool was_destroyed);                      // [any] floating window
};
using clap_host_gui_t = clap_host_gui;

// ---- extension: latency and tail

inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";

struct clap_plugin_latency {
    uint32_t (*get)(const clap_plugin* plugin); // [main] active; frames
};
using clap_plugin_latency_t = clap_plugin_latency;

struct clap_host_latency {
    void (*changed)(const clap_host* host); // [main] while activating
};
using clap_host_latency_t = clap_host_latency;

inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";

struct clap_plugin_tail {
    uint32_t (*get)(const clap_plugin* plugin); // [main, audio] frames; INT32_MAX or more: infinite
};
using clap_plugin_tail_t = clap_plugin_tail;

struct clap_host_tail {
    void (*changed)(const clap_host* host); // [audio]
};
using clap_host_tail_t = clap_host_tail;

// ---- host extensions: thread check, timers, file descriptors, log

inline constexpr char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

struct clap_host_thread_check {
    bool (*is_main_thread)(const clap_host* host);  // [any]
    bool (*is_audio_thread)(const clap_host* host); // [any]
};
using clap_host_thread_check_t = clap_host_thread_check;

inline constexpr char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

struct clap_plugin_timer_support {
    void (*on_timer)(const clap_plugin* plugin, clap_id timer_id); // [main]
};
using clap_plugin_timer_support_t = clap_plugin_timer_support;

struct clap_host_timer_support {
    bool (*register_timer)(const clap_host* host, uint32_t period_ms, clap_id* timer_id); // [main]
    bool (*unregister_timer)(const clap_host* host, clap_id timer_id);                   // [main]
};
using clap_host_timer_support_t = clap_host_timer_support;

inline constexpr char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

enum : uint32_t {
    CLAP_POSIX_FD_READ = 1 << 0,
    CLAP_POSIX_FD_WRITE = 1 << 1,
    CLAP_POSIX_FD_ERROR = 1 << 2,
};
using clap_posix_fd_flags_t = uint32_t;

struct clap_plugin_posix_fd_support {
    void (*on_fd)(const clap_plugin* plugin, int fd, clap_posix_fd_flags_t flags); // [main]
};
using clap_plugin_posix_fd_support_t = clap_plugin_posix_fd_support;

struct clap_host_posix_fd_support {
    bool (*register_fd)(const clap_host* host, int fd, clap_posix_fd_flags_t flags); // [main]
    bool (*modify_fd)(const clap_host* host, int fd, clap_posix_fd_flags_t flags);   // [main]
    bool (*unregister_fd)(const clap_host* host, int fd);                           // [main]
};
using clap_host_posix_fd_support_t = clap_host_posix_fd_support;

inline constexpr char CLAP_EXT_LOG[] = "clap.log";

enum : int32_t {
    CLAP_LOG_DEBUG = 0,
    CLAP_LOG_INFO = 1,
    CLAP_LOG_WARNING = 2,
    CLAP_LOG_ERROR = 3,
    CLAP_LOG_FATAL = 4,
    CLAP_LOG_HOST_MISBEHAVING = 5,   // the host broke the interface's rules
    CLAP_LOG_PLUGIN_MISBEHAVING = 6, // the plug-in broke them
};
using clap_log_severity = int32_t;

struct clap_host_log {
    void (*log)(const clap_host* host, clap_log_severity severity, const char* msg); // [any]
};
using clap_host_log_t = clap_host_log;

// ---- layouts, fixed by the hosts and plug-ins already built against them

static_assert(sizeof(clap_version) == 12 && sizeof(clap_event_header) == 16);
static_assert(offsetof(clap_event_header, space_id) == 8 && offsetof(clap_event_header, flags) == 12);
static_assert(sizeof(clap_event_midi) == 24 && offsetof(clap_event_midi, data) == 18);
static_assert(sizeof(clap_event_midi2) == 36 && offsetof(clap_event_midi2, data) == 20);
static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(offsetof(clap_audio_port_info, name) == 4 && offsetof(clap_audio_port_info, flags) == 260);
static_assert(offsetof(clap_audio_port_info, channel_count) == 264);
static_assert(sizeof(clap_note_port_info) == 268 && offsetof(clap_note_port_info, name) == 12);
static_assert(sizeof(clap_gui_resize_hints) == 12 && offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4);
static_assert(offsetof(clap_param_info, cookie) == 8);
static_assert(sizeof(bool) == 1);

// ---- factory: preset discovery, and the preset-load extension

inline constexpr char CLAP_PRESET_DISCOVERY_FACTORY_ID[] = "clap.preset-discovery-factory/2";
inline constexpr char CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT[] = "clap.preset-discovery-factory/draft-2";
enum : uint32_t {
    CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1, // built into the plug-in; the location is null
};
enum : uint32_t {
    CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1 << 0,
    CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1 << 1,
    CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1 << 2,
    CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1 << 3,
};
using clap_timestamp = uint64_t;
inline constexpr clap_timestamp CLAP_TIMESTAMP_UNKNOWN = 0;

struct clap_universal_plugin_id {
    const char* abi; // "clap", "vst3", "vst2" ...
    const char* id;
};
using clap_universal_plugin_id_t = clap_universal_plugin_id;

struct clap_preset_discovery_metadata_receiver {
    void* receiver_data;
    void (*on_error)(const clap_preset_discovery_metadata_receiver* receiver, int32_t os_error, const char* message);
    bool (*begin_preset)(const clap_preset_discovery_metadata_receiver* receiver, const char* name, const char* load_key);
    void (*add_plugin_id)(const clap_preset_discovery_metadata_receiver* receiver, const clap_universal_plugin_id* id);
    void (*set_soundpack_id)(const clap_preset_discovery_metadata_receiver* receiver, const char* soundpack_id);
    void (*set_flags)(const clap_preset_discovery_metadata_receiver* receiver, uint32_t flags);
    void (*add_creator)(const clap_preset_discovery_metadata_receiver* receiver, const char* creator);
    void (*set_description)(const clap_preset_discovery_metadata_receiver* receiver, const char* description);
    void (*set_timestamps)(const clap_preset_discovery_metadata_receiver* receiver, clap_timestamp creation,
                           clap_timestamp modification);
    void (*add_feature)(const clap_preset_discovery_metadata_receiver* receiver, const char* feature);
    void (*add_extra_info)(const clap_preset_discovery_metadata_receiver* receiver, const char* key, const char* value);
};
using clap_preset_discovery_metadata_receiver_t = clap_preset_discovery_metadata_receiver;

struct clap_preset_discovery_filetype {
    const char* name;
    const char* description;    // optional
    const char* file_extension; // without the dot
};
struct clap_preset_discovery_location {
    uint32_t flags;
    const char* name;
    uint32_t kind;
    const char* location; // a path, or null for the plug-in's own
};
struct clap_preset_discovery_soundpack {
    uint32_t flags;
    const char* id;
    const char* name;
    const char* description;
    const char* homepage_url;
    const char* vendor;
    const char* image_path;
    clap_timestamp release_timestamp;
};

// The host's side; not thread-safe.
struct clap_preset_discovery_indexer {
    clap::clap_version clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool (*declare_filetype)(const clap_preset_discovery_indexer* indexer, const clap_preset_discovery_filetype* filetype);
    bool (*declare_location)(const clap_preset_discovery_indexer* indexer, const clap_preset_discovery_location* location);
    bool (*declare_soundpack)(const clap_preset_discovery_indexer* indexer, const clap_preset_discovery_soundpack* pack);
    const void* (*get_extension)(const clap_preset_discovery_indexer* indexer, const char* extension_id);
};
using clap_preset_discovery_indexer_t = clap_preset_discovery_indexer;

struct clap_preset_discovery_provider_descriptor {
    clap::clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
};
using clap_preset_discovery_provider_descriptor_t = clap_preset_discovery_provider_descriptor;

// The plug-in's side; one provider is used from one thread at a time.
struct clap_preset_discovery_provider {
    const clap_preset_discovery_provider_descriptor* desc;
    void* provider_data;
    bool (*init)(const clap_preset_discovery_provider* provider); // declares its locations
    void (*destroy)(const clap_preset_discovery_provider* provider);
    bool (*get_metadata)(const clap_preset_discovery_provider* provider, uint32_t location_kind, const char* location,
                         const clap_preset_discovery_metadata_receiver* receiver);
    const void* (*get_extension)(const clap_preset_discovery_provider* provider, const char* extension_id);
};
using clap_preset_discovery_provider_t = clap_preset_discovery_provider;

// Every entry thread-safe.
struct clap_preset_discovery_factory {
    uint32_t (*count)(const clap_preset_discovery_factory* factory);
    const clap_preset_discovery_provider_descriptor* (*get_descriptor)(const clap_preset_discovery_factory* factory,
                                                                       uint32_t index);
    const clap_preset_discovery_provider* (*create)(const clap_preset_discovery_factory* factory,
                                                    const clap_preset_discovery_indexer* indexer, const char* provider_id);
};
using clap_preset_discovery_factory_t = clap_preset_discovery_factory;

inline constexpr char CLAP_EXT_PRESET_LOAD[] = "clap.preset-load/2";
inline constexpr char CLAP_EXT_PRESET_LOAD_COMPAT[] = "clap.preset-load.draft/2";

struct clap_plugin_preset_load {
    // [main] Loads what the discovery provider described; false when it could not.
    bool (*from_location)(const clap_plugin* plugin, uint32_t location_kind, const char* location, const char* load_key);
};
using clap_plugin_preset_load_t = clap_plugin_preset_load;

struct clap_host_preset_load {
    void (*on_error)(const clap_host* host, uint32_t location_kind, const char* location, const char* load_key,
                     int32_t os_error, const char* message); // [main]
    void (*loaded)(const clap_host* host, uint32_t location_kind, const char* location, const char* load_key); // [main]
};
using clap_host_preset_load_t = clap_host_preset_load;

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(clap_plugin_descriptor) == 88 && offsetof(clap_plugin_descriptor, id) == 16);
static_assert(offsetof(clap_plugin_descriptor, features) == 80);
static_assert(sizeof(clap_plugin) == 96 && offsetof(clap_plugin, process) == 72);
static_assert(offsetof(clap_plugin, on_main_thread) == 88);
static_assert(sizeof(clap_host) == 88 && offsetof(clap_host, host_data) == 16);
static_assert(offsetof(clap_host, get_extension) == 56 && offsetof(clap_host, request_callback) == 80);
static_assert(sizeof(clap_plugin_entry) == 40 && offsetof(clap_plugin_entry, init) == 16);
static_assert(sizeof(clap_plugin_factory) == 24);
static_assert(sizeof(clap_audio_buffer) == 32 && offsetof(clap_audio_buffer, channel_count) == 16);
static_assert(offsetof(clap_audio_buffer, constant_mask) == 24);
static_assert(sizeof(clap_process) == 64 && offsetof(clap_process, frames_count) == 8);
static_assert(offsetof(clap_process, transport) == 16 && offsetof(clap_process, audio_inputs_count) == 40);
static_assert(offsetof(clap_process, in_events) == 48 && offsetof(clap_process, out_events) == 56);
static_assert(sizeof(clap_input_events) == 24 && sizeof(clap_output_events) == 16);
static_assert(sizeof(clap_istream) == 16 && sizeof(clap_ostream) == 16);
static_assert(sizeof(clap_event_note) == 40 && offsetof(clap_event_note, key) == 24);
static_assert(offsetof(clap_event_note, velocity) == 32);
static_assert(sizeof(clap_event_note_expression) == 40 && offsetof(clap_event_note_expression, value) == 32);
static_assert(sizeof(clap_event_param_value) == 56 && offsetof(clap_event_param_value, cookie) == 24);
static_assert(offsetof(clap_event_param_value, note_id) == 32 && offsetof(clap_event_param_value, key) == 40);
static_assert(offsetof(clap_event_param_value, value) == 48);
static_assert(sizeof(clap_event_param_mod) == 56 && offsetof(clap_event_param_mod, amount) == 48);
static_assert(sizeof(clap_event_transport) == 104 && offsetof(clap_event_transport, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport, tempo) == 40 && offsetof(clap_event_transport, bar_start) == 88);
static_assert(offsetof(clap_event_transport, bar_number) == 96 && offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_event_midi_sysex) == 40 && offsetof(clap_event_midi_sysex, buffer) == 24);
static_assert(offsetof(clap_event_midi_sysex, size) == 32);
static_assert(sizeof(clap_audio_port_info) == 288 && offsetof(clap_audio_port_info, port_type) == 272);
static_assert(offsetof(clap_audio_port_info, in_place_pair) == 280);
static_assert(sizeof(clap_param_info) == 1320 && offsetof(clap_param_info, name) == 16);
static_assert(offsetof(clap_param_info, module) == 272 && offsetof(clap_param_info, min_value) == 1296);
static_assert(offsetof(clap_param_info, default_value) == 1312);
static_assert(sizeof(clap_window) == 16 && offsetof(clap_window, x11) == 8);
static_assert(sizeof(clap_plugin_gui) == 120 && offsetof(clap_plugin_gui, set_scale) == 32);
static_assert(offsetof(clap_plugin_gui, set_parent) == 80 && offsetof(clap_plugin_gui, hide) == 112);
static_assert(sizeof(clap_host_gui) == 40 && sizeof(clap_plugin_params) == 48);
static_assert(offsetof(clap_plugin_params, flush) == 40 && sizeof(clap_host_params) == 24);
static_assert(sizeof(clap_host_posix_fd_support) == 24 && sizeof(clap_host_timer_support) == 16);
static_assert(sizeof(clap_preset_discovery_factory) == 24 && sizeof(clap_preset_discovery_provider_descriptor) == 40);
static_assert(sizeof(clap_preset_discovery_provider) == 48 && offsetof(clap_preset_discovery_provider, get_metadata) == 32);
static_assert(sizeof(clap_preset_discovery_indexer) == 88 && offsetof(clap_preset_discovery_indexer, declare_location) == 64);
static_assert(sizeof(clap_preset_discovery_metadata_receiver) == 88);
static_assert(offsetof(clap_preset_discovery_metadata_receiver, set_description) == 56);
static_assert(sizeof(clap_preset_discovery_location) == 32 && offsetof(clap_preset_discovery_location, location) == 24);
static_assert(sizeof(clap_preset_discovery_filetype) == 24 && sizeof(clap_universal_plugin_id) == 16);
static_assert(sizeof(clap_preset_discovery_soundpack) == 64 && offsetof(clap_preset_discovery_soundpack, release_timestamp) == 56);
static_assert(sizeof(clap_plugin_preset_load) == 8 && sizeof(clap_host_preset_load) == 16);
#else
// 32-bit: pointers of 4 bytes. 8-byte members sit on 8 bytes inside records on Windows,
// on 4 bytes in the System V i386 convention.
static_assert(sizeof(clap_plugin_descriptor) == 48 && offsetof(clap_plugin_descriptor, id) == 12);
static_assert(offsetof(clap_plugin_descriptor, features) == 44);
static_assert(sizeof(clap_plugin) == 48 && offsetof(clap_plugin, process) == 36);
static_assert(offsetof(clap_plugin, on_main_thread) == 44);
static_assert(sizeof(clap_host) == 48 && offsetof(clap_host, host_data) == 12);
static_assert(offsetof(clap_host, get_extension) == 32 && offsetof(clap_host, request_callback) == 44);
static_assert(sizeof(clap_plugin_entry) == 24 && offsetof(clap_plugin_entry, init) == 12);
static_assert(sizeof(clap_plugin_factory) == 12);
static_assert(sizeof(clap_audio_buffer) == 24 && offsetof(clap_audio_buffer, channel_count) == 8);
static_assert(offsetof(clap_audio_buffer, constant_mask) == 16);
static_assert(sizeof(clap_process) == 40 && offsetof(clap_process, frames_count) == 8);
static_assert(offsetof(clap_process, transport) == 12 && offsetof(clap_process, audio_inputs_count) == 24);
static_assert(offsetof(clap_process, in_events) == 32 && offsetof(clap_process, out_events) == 36);
static_assert(sizeof(clap_input_events) == 12 && sizeof(clap_output_events) == 8);
static_assert(sizeof(clap_istream) == 8 && sizeof(clap_ostream) == 8);
static_assert(offsetof(clap_event_note, key) == 24);
static_assert(sizeof(clap_event_note_expression) == 40 && offsetof(clap_event_note_expression, value) == 32);
static_assert(offsetof(clap_event_param_value, cookie) == 20 && offsetof(clap_event_param_value, note_id) == 24);
static_assert(offsetof(clap_event_param_value, key) == 32);
static_assert(offsetof(clap_event_midi_sysex, buffer) == 20 && sizeof(clap_event_midi_sysex) == 28);
static_assert(sizeof(clap_audio_port_info) == 276 && offsetof(clap_audio_port_info, port_type) == 268);
static_assert(offsetof(clap_audio_port_info, in_place_pair) == 272);
static_assert(offsetof(clap_param_info, name) == 12 && offsetof(clap_param_info, module) == 268);
static_assert(sizeof(clap_window) == 8 && offsetof(clap_window, x11) == 4);
static_assert(sizeof(clap_plugin_gui) == 60 && offsetof(clap_plugin_gui, set_scale) == 16);
static_assert(offsetof(clap_plugin_gui, set_parent) == 40 && offsetof(clap_plugin_gui, hide) == 56);
static_assert(sizeof(clap_host_gui) == 20 && sizeof(clap_plugin_params) == 24);
static_assert(offsetof(clap_plugin_params, flush) == 20 && sizeof(clap_host_params) == 12);
static_assert(sizeof(clap_host_posix_fd_support) == 12 && sizeof(clap_host_timer_support) == 8);
static_assert(sizeof(clap_preset_discovery_factory) == 12 && sizeof(clap_preset_discovery_provider_descriptor) == 24);
static_assert(sizeof(clap_preset_discovery_provider) == 24 && offsetof(clap_preset_discovery_provider, get_metadata) == 16);
static_assert(sizeof(clap_preset_discovery_indexer) == 48 && offsetof(clap_preset_discovery_indexer, declare_location) == 36);
static_assert(sizeof(clap_preset_discovery_metadata_receiver) == 44);
static_assert(offsetof(clap_preset_discovery_metadata_receiver, set_description) == 28);
static_assert(sizeof(clap_preset_discovery_location) == 16 && offsetof(clap_preset_discovery_location, location) == 12);
static_assert(sizeof(clap_preset_discovery_filetype) == 12 && sizeof(clap_universal_plugin_id) == 8);
static_assert(sizeof(clap_plugin_preset_load) == 4 && sizeof(clap_host_preset_load) == 8);
#if defined(_WIN32)
static_assert(sizeof(clap_event_note) == 40 && offsetof(clap_event_note, velocity) == 32);
static_assert(sizeof(clap_event_param_value) == 48 && offsetof(clap_event_param_value, value) == 40);
static_assert(sizeof(clap_event_param_mod) == 48 && offsetof(clap_event_param_mod, amount) == 40);
static_assert(sizeof(clap_event_transport) == 104 && offsetof(clap_event_transport, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport, tempo) == 40 && offsetof(clap_event_transport, bar_start) == 88);
static_assert(offsetof(clap_event_transport, bar_number) == 96 && offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_param_info) == 1320 && offsetof(clap_param_info, min_value) == 1296);
static_assert(offsetof(clap_param_info, default_value) == 1312);
#else
static_assert(sizeof(clap_event_note) == 36 && offsetof(clap_event_note, velocity) == 28);
static_assert(sizeof(clap_event_param_value) == 44 && offsetof(clap_event_param_value, value) == 36);
static_assert(sizeof(clap_event_param_mod) == 44 && offsetof(clap_event_param_mod, amount) == 36);
static_assert(sizeof(clap_event_transport) == 100 && offsetof(clap_event_transport, song_pos_beats) == 20);
static_assert(offsetof(clap_event_transport, tempo) == 36 && offsetof(clap_event_transport, bar_start) == 84);
static_assert(offsetof(clap_event_transport, bar_number) == 92 && offsetof(clap_event_transport, tsig_denom) == 98);
static_assert(sizeof(clap_param_info) == 1316 && offsetof(clap_param_info, min_value) == 1292);
static_assert(offsetof(clap_param_info, default_value) == 1308);
#endif
#endif

} // namespace clap
