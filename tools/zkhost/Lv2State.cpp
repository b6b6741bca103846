// An LV2 plug-in's state as zkhost moves it: lilv's state files (Turtle, the plug-in's
// properties and the control ports' values), as hosts save presets and sessions.

#include "tools/zkhost/FxFile.h"
#include "tools/zkhost/Lv2Host.h"
#include "tools/zkhost/Options.h"
#include "tools/zkhost/ProgramChangeState.h"

#include <lv2/state/state.h>
#include <serd/serd.h>

#include <cstring>

namespace zkhost {

namespace {

constexpr const char* kStateUri = "urn:zkhost:state";

// lilv restores through the plug-in's state interface but keeps its answer to itself: the
// instance it is given hands out this interface in front of the plug-in's, which notes it.
const LV2_State_Interface* pluginStateInterface = nullptr;
const LV2_Descriptor* pluginDescriptor = nullptr;
LV2_State_Status restoreStatus = LV2_STATE_SUCCESS;

LV2_State_Status noteRestore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                             uint32_t flags, const LV2_Feature* const* features) {
    restoreStatus = pluginStateInterface->restore(instance, retrieve, handle, flags, features);
    return restoreStatus;
}

const LV2_State_Interface notingInterface = {nullptr, noteRestore};

const void* notingExtensionData(const char* uri) {
    if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &notingInterface;
    return pluginDescriptor->extension_data ? pluginDescriptor->extension_data(uri) : nullptr;
}

// Whether the text is Turtle from end to end: lilv makes a state of whatever it read before
// an error, so a file cut short would load as part of a state.
bool wholeTurtle(const std::string& text) {
    int errors = 0;
    SerdReader* reader = serd_reader_new(SERD_TURTLE, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!reader) return false;
    serd_reader_set_strict(reader, true);
    serd_reader_set_error_sink(
        reader,
        [](void* count, const SerdError*) {
            ++*static_cast<int*>(count);
            return SERD_SUCCESS;
        },
        &errors);
    const SerdStatus status = serd_reader_read_string(reader, reinterpret_cast<const uint8_t*>(text.c_str()));
    serd_reader_free(reader);
    return status == SERD_SUCCESS && errors == 0;
}

} // namespace

void Lv2Host::applyState(const StateOptions& state) {
    refuseVst2StateOptions(state, "LV2");
    if (state.streamBytes != 0) throw UsageError("--stream-bytes is for CLAP and VST3 modules");
    checkProgramChangeOptions(*this, state);
    applyProgramChangeState(
        *this, state, [&](const std::string& path) { restoreState(path); },
        [&](const uint8_t* message) { sendMidiNow(message, 2); });
}

void Lv2Host::restoreState(const std::string& path) { restoreStateText(readFile(path, kMaxStateFileSize), path); }

void Lv2Host::restoreStateText(const std::vector<uint8_t>& bytes, const std::string& path) {
    const std::string text(bytes.begin(), bytes.end());
    if (text.size() != std::strlen(text.c_str()) || !wholeTurtle(text)) throw FormatError(path + ": not an LV2 state file");
    LilvState* state = lilv_state_new_from_string(world_, urids_.mapFeature(), text.c_str());
    if (!state) throw FormatError(path + ": not an LV2 state file");
    struct Free {
        LilvState* state;
        ~Free() { lilv_state_free(state); }
    } free{state};
    const LilvNode* appliesTo = lilv_state_get_plugin_uri(state);
    if (!appliesTo || !lilv_node_equals(appliesTo, lilv_plugin_get_uri(plugin_)))
        throw FormatError(path + ": the state is another plug-in's");
    applyLilvState(state, path);
}

// A state (a file's or a preset's): its properties to the plug-in, its port values to the ports.
void Lv2Host::applyLilvState(LilvState* state, const std::string& what) {
    LilvInstance noting = *instance_;
    LV2_Descriptor descriptor = *instance_->lv2_descriptor;
    pluginDescriptor = instance_->lv2_descriptor;
    pluginStateInterface =
        static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    descriptor.extension_data = notingExtensionData;
    noting.lv2_descriptor = &descriptor;
    restoreStatus = LV2_STATE_SUCCESS;
    const bool hasProperties = pluginStateInterface && pluginStateInterface->restore;
    const bool wasActive = active_;
    const std::vector<float> portsBefore = controlValues_;
    deactivate(); // restore is never called while the plug-in could run
    lilv_state_restore(
        state, hasProperties ? &noting : nullptr,
        [](const char* symbol, void* self, const void* value, uint32_t size, uint32_t type) {
            auto& host = *static_cast<Lv2Host*>(self);
            if (type != host.urids_.map(LV2_ATOM__Float) || size != sizeof(float)) return;
            for (const Port& p : host.ports_)
                if (p.kind == PortKind::controlIn && p.symbol == symbol) std::memcpy(&host.controlValues_[p.index], value, size);
        },
        this, 0, features_.data());
    if (wasActive) activate();
    if (restoreStatus != LV2_STATE_SUCCESS) {
        controlValues_ = portsBefore; // a refused state brings no port values either
        throw FormatError(what + ": the plug-in refused the state (status " + std::to_string(restoreStatus) + ")");
    }
    // The first run after a restore takes the ports as the state's; this one, of no frames,
    // lets the changes the host makes from now on count as changes.
    settlePorts();
}

void Lv2Host::saveState(const StateOptions& state) {
    if (!state.saveState.empty()) writeFile(state.saveState, saveStateBytes(0));
}

bool Lv2Host::loadStateBytes(const std::vector<uint8_t>& bytes, int32_t) {
    try {
        restoreStateText(bytes, "the state");
        return true;
    } catch (const FormatError&) {
        return false;
    }
}

std::vector<uint8_t> Lv2Host::saveStateBytes(int32_t) {
    settlePorts(); // the state the plug-in saves then holds what the ports hold
    LilvState* saved = lilv_state_new_from_instance(
        plugin_, instance_, urids_.mapFeature(), nullptr, nullptr, nullptr, nullptr,
        [](const char* symbol, void* self, uint32_t* size, uint32_t* type) -> const void* {
            auto& host = *static_cast<Lv2Host*>(self);
            for (const Port& p : host.ports_)
                if (p.kind == PortKind::controlIn && p.symbol == symbol) {
                    *size = sizeof(float);
                    *type = host.urids_.map(LV2_ATOM__Float);
                    return &host.controlValues_[p.index];
                }
            *size = *type = 0;
            return nullptr;
        },
        this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features_.data());
    if (!saved) throw HostError("the plug-in could not save its state");
    char* text = lilv_state_to_string(world_, urids_.mapFeature(), urids_.unmapFeature(), saved, kStateUri, nullptr);
    lilv_state_free(saved);
    if (!text) throw HostError("lilv could not write the state");
    const std::vector<uint8_t> bytes(text, text + std::strlen(text));
    lilv_free(text);
    return bytes;
}

} // namespace zkhost
