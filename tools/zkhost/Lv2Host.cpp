#include "tools/zkhost/Lv2Host.h"
#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/ModuleLoader.h"
#include "tools/zkhost/Options.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/parameters/parameters.h>
#include <lv2/resize-port/resize-port.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace zkhost {

namespace {

// A lilv node that frees itself.
struct Node {
    LilvNode* node;
    explicit Node(LilvNode* n) : node(n) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    operator const LilvNode*() const { return node; }
};

constexpr uint32_t kDefaultEventBytes = 8192;

int logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = static_cast<Lv2Host*>(handle)->log(type, format, args);
    va_end(args);
    return written;
}

} // namespace

bool looksLikeLv2(const std::string& where) {
    std::error_code error;
    return where.find("://") != std::string::npos || where.rfind("urn:", 0) == 0 ||
           std::filesystem::is_directory(where, error);
}

// ---- URIDs ---------------------------------------------------------------------------------

UridTable::UridTable() {
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
        try {
            return static_cast<UridTable*>(handle)->map(uri);
        } catch (...) {
            return 0;
        }
    };
    unmap_.handle = this;
    unmap_.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
        return static_cast<UridTable*>(handle)->unmap(urid);
    };
}

LV2_URID UridTable::map(const char* uri) {
    if (!uri) return 0;
    const auto [at, added] = ids_.try_emplace(uri, static_cast<LV2_URID>(uris_.size() + 1));
    if (added) uris_.push_back(uri);
    return at->second;
}

const char* UridTable::unmap(LV2_URID urid) const {
    return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}

// ---- the plug-in ---------------------------------------------------------------------------

Lv2Host::Lv2Host(const std::string& where) : where_(where) {
    world_ = lilv_world_new();
    if (!world_) throw HostError("lilv could not start");
    try {
        findPlugin(where);
        readPorts();
        instantiate(44100);
    } catch (...) {
        destroyInstance();
        lilv_world_free(world_);
        throw;
    }
}

Lv2Host::~Lv2Host() {
    closePanel();
    destroyInstance();
    lilv_world_free(world_);
}

std::string Lv2Host::name() {
    LilvNode* text = lilv_plugin_get_name(plugin_);
    std::string out = text ? lilv_node_as_string(text) : "";
    lilv_node_free(text);
    return out;
}

void Lv2Host::findPlugin(const std::string& where) {
    std::error_code error;
    if (std::filesystem::is_directory(where, error)) {
        std::string path = std::filesystem::absolute(where, error).string();
        if (path.empty() || path.back() != '/') path += '/';
        if (!std::filesystem::exists(path + "manifest.ttl", error))
            throw HostError(where + " is no LV2 bundle: it has no manifest.ttl");
        Node bundle(lilv_new_file_uri(world_, nullptr, path.c_str()));
        lilv_world_load_bundle(world_, bundle);
        const LilvPlugins* all = lilv_world_get_all_plugins(world_);
        LILV_FOREACH (plugins, i, all) {
            const LilvPlugin* candidate = lilv_plugins_get(all, i);
            if (lilv_node_equals(lilv_plugin_get_bundle_uri(candidate), bundle)) {
                plugin_ = candidate;
                break;
            }
        }
        if (!plugin_) throw HostError(where + " describes no LV2 plug-in");
    } else {
        lilv_world_load_all(world_); // the bundles on LV2_PATH
        Node uri(lilv_new_uri(world_, where.c_str()));
        plugin_ = uri.node ? lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri) : nullptr;
        if (!plugin_) throw HostError("no LV2 plug-in " + where + " on the LV2 path");
    }
    if (!lilv_plugin_verify(plugin_)) throw HostError(where + ": the plug-in's description is incomplete");
    keepBinaryLoaded();
}

// lilv unloads the binary with its last instance. zkhost keeps every module it loads until
// it ends (ModuleLoader.h says why), so a binary that a new instance or a second host loads
// again is the one already mapped, with its static data and thread-local blocks intact.
void Lv2Host::keepBinaryLoaded() {
    const LilvNode* library = lilv_plugin_get_library_uri(plugin_);
    char* path = library ? lilv_file_uri_parse(lilv_node_as_uri(library), nullptr) : nullptr;
    if (!path) return;
    std::string error;
    loadModule(path, error); // a binary that cannot load is reported by the instantiation
    lilv_free(path);
}

void Lv2Host::readPorts() {
    Node audio(lilv_new_uri(world_, LV2_CORE__AudioPort)), control(lilv_new_uri(world_, LV2_CORE__ControlPort)),
        atom(lilv_new_uri(world_, LV2_ATOM__AtomPort)), input(lilv_new_uri(world_, LV2_CORE__InputPort)),
        output(lilv_new_uri(world_, LV2_CORE__OutputPort)),
        optional(lilv_new_uri(world_, LV2_CORE__connectionOptional)),
        supports(lilv_new_uri(world_, LV2_ATOM__supports)), midiEvent(lilv_new_uri(world_, LV2_MIDI__MidiEvent)),
        minimumSize(lilv_new_uri(world_, LV2_RESIZE_PORT__minimumSize));
    const uint32_t count = lilv_plugin_get_num_ports(plugin_);
    Node enabledDesignation(lilv_new_uri(world_, LV2_CORE__enabled));
    const LilvPort* enabledPort = lilv_plugin_get_port_by_designation(plugin_, input, enabledDesignation);
    std::vector<float> minimum(count), maximum(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin_, minimum.data(), maximum.data(), defaults.data());
    for (uint32_t i = 0; i < count; ++i) {
        const LilvPort* lp = lilv_plugin_get_port_by_index(plugin_, i);
        Port p;
        p.index = i;
        p.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin_, lp));
        LilvNode* name = lilv_port_get_name(plugin_, lp);
        p.name = name ? lilv_node_as_string(name) : p.symbol;
        lilv_node_free(name);
        p.optional = lilv_port_has_property(plugin_, lp, optional);
        const bool in = lilv_port_is_a(plugin_, lp, input), out = lilv_port_is_a(plugin_, lp, output);
        if (lilv_port_is_a(plugin_, lp, audio)) {
            p.kind = in ? PortKind::audioIn : out ? PortKind::audioOut : PortKind::unknown;
        } else if (lilv_port_is_a(plugin_, lp, control)) {
            p.kind = in ? PortKind::controlIn : out ? PortKind::controlOut : PortKind::unknown;
            p.minimum = std::isnan(minimum[i]) ? 0.0f : minimum[i];
            p.maximum = std::isnan(maximum[i]) ? 1.0f : maximum[i];
            p.defaultValue = std::isnan(defaults[i]) ? p.minimum : defaults[i];
            p.enabled = lp == enabledPort && in;
        } else if (lilv_port_is_a(plugin_, lp, atom)) {
            p.kind = in ? PortKind::eventsIn : out ? PortKind::eventsOut : PortKind::unknown;
            p.midi = lilv_port_supports_event(plugin_, lp, midiEvent);
            p.bufferBytes = kDefaultEventBytes;
            if (LilvNodes* sizes = lilv_port_get_value(plugin_, lp, minimumSize)) {
                const LilvNode* size = lilv_nodes_get_first(sizes);
                if (size && lilv_node_is_int(size) && lilv_node_as_int(size) > 0)
                    p.bufferBytes = std::max<uint32_t>(p.bufferBytes, static_cast<uint32_t>(lilv_node_as_int(size)));
                lilv_nodes_free(sizes);
            }
            p.bufferBytes = std::max<uint32_t>(p.bufferBytes, static_cast<uint32_t>(sequenceBytes_));
        }
        if (p.kind == PortKind::unknown && !p.optional)
            throw HostError(where_ + ": port " + std::to_string(i) + " (" + p.symbol + ") is of a type zkhost cannot feed");
        switch (p.kind) {
        case PortKind::audioIn: audioInputs_.push_back(i); break;
        case PortKind::audioOut: audioOutputs_.push_back(i); break;
        case PortKind::controlIn:
            if (!p.enabled) parameterPorts_.push_back(i);
            break;
        default: break;
        }
        ports_.push_back(p);
    }
    controlValues_.assign(count, 0.0f);
    for (const Port& p : ports_) {
        if (p.kind == PortKind::controlIn) controlValues_[p.index] = p.defaultValue;
        if (p.kind == PortKind::eventsIn || p.kind == PortKind::eventsOut)
            eventBuffers_[p.index].words.assign((p.bufferBytes + sizeof(LV2_Atom_Sequence) + 7) / 8, 0);
    }
}

void Lv2Host::buildFeatures() {
    sampleRateOption_ = static_cast<float>(sampleRate_);
    const LV2_URID atomInt = urids_.map(LV2_ATOM__Int), atomFloat = urids_.map(LV2_ATOM__Float);
    options_ = {
        {LV2_OPTIONS_INSTANCE, 0, urids_.map(LV2_PARAMETERS__sampleRate), 4, atomFloat, &sampleRateOption_},
        {LV2_OPTIONS_INSTANCE, 0, urids_.map(LV2_BUF_SIZE__minBlockLength), 4, atomInt, &minBlock_},
        {LV2_OPTIONS_INSTANCE, 0, urids_.map(LV2_BUF_SIZE__maxBlockLength), 4, atomInt, &maxBlock_},
        {LV2_OPTIONS_INSTANCE, 0, urids_.map(LV2_BUF_SIZE__nominalBlockLength), 4, atomInt, &nominalBlock_},
        {LV2_OPTIONS_INSTANCE, 0, urids_.map(LV2_BUF_SIZE__sequenceSize), 4, atomInt, &sequenceBytes_},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    schedule_.handle = this;
    schedule_.schedule_work = [](LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data) {
        return static_cast<Lv2Host*>(handle)->scheduleWork(size, data);
    };
    log_.handle = this;
    log_.printf = logPrintf;
    log_.vprintf = [](LV2_Log_Handle handle, LV2_URID type, const char* format, va_list args) {
        return static_cast<Lv2Host*>(handle)->log(type, format, args);
    };
    featureRecords_ = {
        {LV2_URID__map, urids_.mapFeature()},
        {LV2_URID__unmap, urids_.unmapFeature()},
        {LV2_OPTIONS__options, options_.data()},
        {LV2_BUF_SIZE__boundedBlockLength, nullptr},
        {LV2_WORKER__schedule, &schedule_},
        {LV2_LOG__log, &log_},
    };
    features_.clear();
    for (const LV2_Feature& f : featureRecords_) features_.push_back(&f);
    features_.push_back(nullptr);
}

void Lv2Host::instantiate(double sampleRate) {
    sampleRate_ = sampleRate;
    buildFeatures();
    instance_ = lilv_plugin_instantiate(plugin_, sampleRate, features_.data());
    if (!instance_)
        throw HostError(where_ + ": the plug-in refused to make an instance at " + std::to_string(int(sampleRate)) +
                        " Hz");
    workerInterface_ = lilv_instance_get_extension_data(instance_, LV2_WORKER__interface);
    for (const Port& p : ports_) {
        void* data = nullptr;
        if (p.kind == PortKind::controlIn || p.kind == PortKind::controlOut) data = &controlValues_[p.index];
        if (p.kind == PortKind::eventsIn || p.kind == PortKind::eventsOut) data = eventBuffers_[p.index].words.data();
        lilv_instance_connect_port(instance_, p.index, data);
    }
}

void Lv2Host::destroyInstance() {
    if (!instance_) return;
    deactivate();
    lilv_instance_free(instance_);
    instance_ = nullptr;
    jobs_.clear();
    responses_.clear();
}

void Lv2Host::activate() {
    if (active_) return;
    lilv_instance_activate(instance_);
    active_ = true;
}

void Lv2Host::deactivate() {
    if (!active_) return;
    lilv_instance_deactivate(instance_);
    active_ = false;
}

bool Lv2Host::takesMidi(uint8_t status) {
    if (status < 0x80 || status >= 0xF0) return false;
    return std::any_of(ports_.begin(), ports_.end(), [](const Port& p) { return p.kind == PortKind::eventsIn && p.midi; });
}

float Lv2Host::getParameter(int32_t index) {
    const Port& p = port(index);
    const float range = p.maximum - p.minimum;
    return range != 0.0f ? (controlValues_[p.index] - p.minimum) / range : 0.0f;
}

void Lv2Host::setParameter(int32_t index, float value) {
    const Port& p = port(index);
    controlValues_[p.index] = p.minimum + value * (p.maximum - p.minimum);
}

void Lv2Host::start(double sampleRate, int32_t maxBlock) {
    maxBlock_ = std::max<int32_t>(maxBlock, 1);
    nominalBlock_ = std::min(nominalBlock_, maxBlock_);
    if (sampleRate != sampleRate_) {
        // A host makes a new instance for a new rate and gives it the old one's state, so
        // whatever was loaded, set or played into it before is kept.
        closePanel();
        const std::vector<uint8_t> carried = saveStateBytes(0);
        destroyInstance();
        instantiate(sampleRate);
        if (!loadStateBytes(carried, 0))
            throw HostError("the plug-in refused its own state at " + std::to_string(sampleRate) + " Hz");
    }
    activate();
    started_ = true;
}

void Lv2Host::stop() {
    started_ = false;
    deactivate();
}

void Lv2Host::sendMidiNow(const uint8_t* bytes, uint32_t length) {
    const bool wasActive = active_;
    activate();
    std::vector<std::vector<float>> buffers(audioInputs_.size() + audioOutputs_.size(), std::vector<float>(1, 0.0f));
    std::vector<float*> channels;
    for (std::vector<float>& buffer : buffers) channels.push_back(buffer.data());
    HostEvent event;
    event.midiLength = static_cast<uint8_t>(std::min<uint32_t>(length, 3));
    std::copy(bytes, bytes + event.midiLength, event.midi);
    process(channels.data(), channels.data() + audioInputs_.size(), 1, {event}, false);
    if (!wasActive) deactivate();
}

void Lv2Host::settlePorts() {
    const bool wasActive = active_;
    activate();
    std::vector<std::vector<float>> buffers(audioInputs_.size() + audioOutputs_.size(), std::vector<float>(1, 0.0f));
    std::vector<float*> channels;
    for (std::vector<float>& buffer : buffers) channels.push_back(buffer.data());
    runSegment(channels.data(), channels.data() + audioInputs_.size(), 0, 0, {}, 0);
    if (!wasActive) deactivate();
}

// ---- processing ------------------------------------------------------------------------------

void Lv2Host::process(float** inputs, float** outputs, int32_t frames, const std::vector<HostEvent>& events, bool) {
    // Control ports hold one value per run: a change inside the block splits it there. A
    // block of no frames still hands its changes over, in a run of no frames.
    if (frames <= 0) {
        std::vector<const HostEvent*> midi;
        for (const HostEvent& e : events)
            if (e.kind == HostEvent::Kind::midi)
                midi.push_back(&e);
            else if (e.index >= 0 && e.index < numParams())
                setParameter(e.index, e.value);
        runSegment(inputs, outputs, 0, 0, midi, 0);
        return;
    }
    size_t next = 0;
    for (int32_t segment = 0; segment < frames;) {
        int32_t end = frames;
        for (size_t i = next; i < events.size(); ++i)
            if (events[i].kind == HostEvent::Kind::parameter && events[i].frame > segment) {
                end = std::min(end, events[i].frame);
                break;
            }
        std::vector<const HostEvent*> midi;
        for (; next < events.size() && events[next].frame < end; ++next) {
            const HostEvent& e = events[next];
            if (e.kind == HostEvent::Kind::midi)
                midi.push_back(&e);
            else if (e.index >= 0 && e.index < numParams())
                setParameter(e.index, e.value); // due at the segment's start
        }
        runSegment(inputs, outputs, segment, end - segment, midi, segment);
        segment = end;
    }
}

void Lv2Host::runSegment(float** inputs, float** outputs, int32_t offset, int32_t frames,
                         const std::vector<const HostEvent*>& midi, int32_t midiOffset) {
    for (size_t c = 0; c < audioInputs_.size(); ++c)
        lilv_instance_connect_port(instance_, ports_[audioInputs_[c]].index, inputs[c] + offset);
    for (size_t c = 0; c < audioOutputs_.size(); ++c)
        lilv_instance_connect_port(instance_, ports_[audioOutputs_[c]].index, outputs[c] + offset);
    const LV2_URID sequenceType = urids_.map(LV2_ATOM__Sequence), chunk = urids_.map(LV2_ATOM__Chunk),
                   midiEvent = urids_.map(LV2_MIDI__MidiEvent);
    bool firstInput = true;
    for (const Port& p : ports_) {
        if (p.kind != PortKind::eventsIn && p.kind != PortKind::eventsOut) continue;
        AlignedBuffer& buffer = eventBuffers_[p.index];
        LV2_Atom_Sequence* sequence = buffer.sequence();
        const uint32_t capacity = buffer.bytes() - static_cast<uint32_t>(sizeof(LV2_Atom));
        if (p.kind == PortKind::eventsOut) {
            // The plug-in writes its sequence into the space the size names.
            sequence->atom.type = chunk;
            sequence->atom.size = capacity;
            continue;
        }
        sequence->atom.type = sequenceType;
        sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
        sequence->body.unit = 0;
        sequence->body.pad = 0;
        if (!firstInput) continue;
        firstInput = false;
        // The UI's messages first, then the MIDI at its frames.
        for (size_t at = 0; at + sizeof(LV2_Atom_Event) <= pendingUiEvents_.size();) {
            const auto* event = reinterpret_cast<const LV2_Atom_Event*>(pendingUiEvents_.data() + at);
            if (!lv2_atom_sequence_append_event(sequence, capacity, event))
                std::fprintf(stderr, "zkhost: a message of the UI did not fit the plug-in's event port\n");
            at += sizeof(LV2_Atom_Event) + lv2_atom_pad_size(event->body.size);
        }
        pendingUiEvents_.clear();
        if (!p.midi) continue;
        for (const HostEvent* e : midi) {
            struct {
                LV2_Atom_Event header;
                uint8_t bytes[8];
            } event{};
            event.header.time.frames = std::max<int64_t>(0, e->frame - midiOffset);
            event.header.body.type = midiEvent;
            event.header.body.size = std::min<uint32_t>(e->midiLength, 3);
            std::memcpy(event.bytes, e->midi, 3);
            if (!lv2_atom_sequence_append_event(sequence, capacity, &event.header))
                std::fprintf(stderr, "zkhost: a MIDI event did not fit the plug-in's event port\n");
        }
    }
    lilv_instance_run(instance_, static_cast<uint32_t>(frames));
    runWorker();
    takeEventOutputs(offset);
}

void Lv2Host::takeEventOutputs(int64_t frame) {
    const LV2_URID sequenceType = urids_.map(LV2_ATOM__Sequence), object = urids_.map(LV2_ATOM__Object),
                   stateChanged = urids_.map(LV2_STATE__StateChanged);
    for (const Port& p : ports_) {
        if (p.kind != PortKind::eventsOut) continue;
        AlignedBuffer& buffer = eventBuffers_[p.index];
        LV2_Atom_Sequence* sequence = buffer.sequence();
        if (sequence->atom.type != sequenceType || sequence->atom.size < sizeof(LV2_Atom_Sequence_Body) ||
            sequence->atom.size > buffer.bytes() - sizeof(LV2_Atom))
            continue; // nothing written, or nothing a host can read
        LV2_ATOM_SEQUENCE_FOREACH (sequence, event) {
            const LV2_Atom& body = event->body;
            if (body.type == object && body.size >= sizeof(LV2_Atom_Object_Body) &&
                reinterpret_cast<const LV2_Atom_Object*>(&body)->body.otype == stateChanged) {
                EditRecord edit;
                edit.kind = EditRecord::Kind::rescan;
                edit.what = "state";
                edit.frame = frame + event->time.frames;
                edits.push_back(edit);
            }
            if (ui_) {
                const auto* bytes = reinterpret_cast<const uint8_t*>(&body);
                uiEvents_.emplace_back(p.index, std::vector<uint8_t>(bytes, bytes + sizeof(LV2_Atom) + body.size));
            }
        }
    }
}

LV2_Worker_Status Lv2Host::scheduleWork(uint32_t size, const void* data) {
    try {
        const auto* bytes = static_cast<const uint8_t*>(data);
        jobs_.emplace_back(bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    } catch (...) {
        return LV2_WORKER_ERR_NO_SPACE;
    }
}

LV2_Worker_Status Lv2Host::respond(uint32_t size, const void* data) {
    try {
        const auto* bytes = static_cast<const uint8_t*>(data);
        responses_.emplace_back(bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    } catch (...) {
        return LV2_WORKER_ERR_NO_SPACE;
    }
}

// zkhost has one thread: the jobs run right after the run that scheduled them, and their
// responses reach the plug-in before its next run.
void Lv2Host::runWorker() {
    const auto* worker = static_cast<const LV2_Worker_Interface*>(workerInterface_);
    if (!worker) {
        jobs_.clear();
        return;
    }
    LV2_Handle handle = lilv_instance_get_handle(instance_);
    std::vector<std::vector<uint8_t>> jobs;
    jobs.swap(jobs_);
    for (const std::vector<uint8_t>& job : jobs)
        worker->work(
            handle,
            [](LV2_Worker_Respond_Handle self, uint32_t size, const void* data) {
                return static_cast<Lv2Host*>(self)->respond(size, data);
            },
            this, static_cast<uint32_t>(job.size()), job.data());
    std::vector<std::vector<uint8_t>> responses;
    responses.swap(responses_);
    if (worker->work_response)
        for (const std::vector<uint8_t>& response : responses)
            worker->work_response(handle, static_cast<uint32_t>(response.size()), response.data());
    if (worker->end_run) worker->end_run(handle);
}

int Lv2Host::log(LV2_URID type, const char* format, va_list args) {
    char text[1024];
    const int written = std::vsnprintf(text, sizeof text, format ? format : "", args);
    const char* uri = urids_.unmap(type);
    std::string severity = uri ? uri : "message";
    if (const size_t hash = severity.rfind('#'); hash != std::string::npos) severity = severity.substr(hash + 1);
    std::string line = written > 0 ? text : "";
    while (!line.empty() && line.back() == '\n') line.pop_back();
    std::fprintf(stderr, "zkhost: plug-in %s: %s\n", severity.c_str(), line.c_str());
    return written;
}

// ---- presets: those the LV2 path holds for the plug-in (pset:Preset), by their labels

std::vector<HostedPlugin::Preset> Lv2Host::presets() {
    std::vector<Preset> list;
    Node presetClass(lilv_new_uri(world_, LV2_PRESETS__Preset)), label(lilv_new_uri(world_, LILV_NS_RDFS "label")),
        comment(lilv_new_uri(world_, LILV_NS_RDFS "comment"));
    LilvNodes* related = lilv_plugin_get_related(plugin_, presetClass);
    LILV_FOREACH (nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world_, preset);
        LilvNode* name = lilv_world_get(world_, preset, label, nullptr);
        LilvNode* text = lilv_world_get(world_, preset, comment, nullptr);
        list.push_back({name ? lilv_node_as_string(name) : lilv_node_as_uri(preset), text ? lilv_node_as_string(text) : "",
                        lilv_node_as_uri(preset)});
        lilv_node_free(name);
        lilv_node_free(text);
    }
    lilv_nodes_free(related);
    std::sort(list.begin(), list.end(), [](const Preset& a, const Preset& b) { return a.where < b.where; });
    return list;
}

void Lv2Host::choosePreset(const std::string& name) {
    for (const Preset& p : presets())
        if (p.name == name) {
            Node uri(lilv_new_uri(world_, p.where.c_str()));
            LilvState* state = lilv_state_new_from_world(world_, urids_.mapFeature(), uri);
            if (!state) throw FormatError(p.where + ": lilv could not read the preset");
            struct Free {
                LilvState* state;
                ~Free() { lilv_state_free(state); }
            } free{state};
            applyLilvState(state, p.where);
            return;
        }
    throw UsageError("--preset: the LV2 path holds no preset \"" + name + "\" for the plug-in");
}

} // namespace zkhost
