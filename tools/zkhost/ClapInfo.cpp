// `zkhost info` for a CLAP module: the descriptor, ports, latency and tail, the panel's window
// systems, the extensions offered and every parameter.

#include "tools/zkhost/ClapHost.h"
#include "tools/zkhost/Json.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace zkhost {

using namespace clap;

namespace {

// The shortest text that reads back as the same double.
std::string number(double value) {
    char text[40];
    for (int digits : {15, 17}) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

std::string orEmpty(const char* text) { return text ? text : ""; }

std::vector<std::string> flagWords(uint32_t flags) {
    static const std::pair<uint32_t, const char*> names[] = {
        {CLAP_PARAM_IS_STEPPED, "stepped"},         {CLAP_PARAM_IS_PERIODIC, "periodic"},
        {CLAP_PARAM_IS_HIDDEN, "hidden"},           {CLAP_PARAM_IS_READONLY, "readonly"},
        {CLAP_PARAM_IS_BYPASS, "bypass"},           {CLAP_PARAM_IS_AUTOMATABLE, "automatable"},
        {CLAP_PARAM_IS_MODULATABLE, "modulatable"}, {CLAP_PARAM_REQUIRES_PROCESS, "requires-process"},
        {CLAP_PARAM_IS_ENUM, "enum"}};
    std::vector<std::string> words;
    uint32_t known = 0;
    for (const auto& [bit, name] : names) {
        known |= bit;
        if (flags & bit) words.push_back(name);
    }
    for (int bit = 0; bit < 32; ++bit)
        if ((flags & ~known) & (1u << bit)) words.push_back("bit" + std::to_string(bit));
    return words;
}

std::vector<std::string> dialectWords(uint32_t dialects) {
    static const std::pair<uint32_t, const char*> names[] = {{CLAP_NOTE_DIALECT_CLAP, "clap"},
                                                             {CLAP_NOTE_DIALECT_MIDI, "midi"},
                                                             {CLAP_NOTE_DIALECT_MIDI_MPE, "midi-mpe"},
                                                             {CLAP_NOTE_DIALECT_MIDI2, "midi2"}};
    std::vector<std::string> words;
    for (const auto& [bit, name] : names)
        if (dialects & bit) words.push_back(name);
    return words;
}

} // namespace

void ClapHost::printInfo(std::ostream& out, bool json) {
    const clap_plugin_descriptor& d = *descriptor_;
    std::vector<std::string> features;
    for (const char* const* f = d.features; f && *f && features.size() < 256; ++f) features.push_back(*f);

    // Latency and tail are asked of an active plug-in.
    std::string latency = "null", tail = "null";
    if (latency_ || tail_) {
        const bool activated = !active_ && plugin_->activate(plugin_, 44100, 1, 512);
        if (active_ || activated) {
            if (latency_) latency = std::to_string(latency_->get(plugin_));
            if (tail_) {
                const uint32_t frames = tail_->get(plugin_);
                tail = frames >= uint32_t(INT32_MAX) ? "infinite" : std::to_string(frames);
            }
        }
        if (activated) plugin_->deactivate(plugin_);
    }
    std::vector<std::string> panel;
    if (gui_)
        for (const char* api : {CLAP_WINDOW_API_X11, CLAP_WINDOW_API_WIN32, CLAP_WINDOW_API_COCOA, CLAP_WINDOW_API_WAYLAND})
            for (bool floating : {false, true})
                if (gui_->is_api_supported(plugin_, api, floating))
                    panel.push_back(std::string(api) + (floating ? " floating" : " embedded"));
    std::vector<std::string> extensions;
    for (const char* id : {CLAP_EXT_AUDIO_PORTS, CLAP_EXT_NOTE_PORTS, CLAP_EXT_PARAMS, CLAP_EXT_STATE, CLAP_EXT_GUI,
                           CLAP_EXT_LATENCY, CLAP_EXT_TAIL, CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_POSIX_FD_SUPPORT,
                           CLAP_EXT_PRESET_LOAD})
        if (plugin_->get_extension(plugin_, id)) extensions.push_back(id);

    struct Row {
        std::string display, value;
    };
    std::vector<Row> rows;
    for (int32_t i = 0; i < numParams(); ++i) {
        double plain = 0;
        const bool known = paramsExt_->get_value(plugin_, params_[size_t(i)].id, &plain);
        rows.push_back({known ? valueText(i, plain) : "", known ? number(plain) : "null"});
    }
    const std::string version = std::to_string(d.clap_version.major) + "." + std::to_string(d.clap_version.minor) +
                                "." + std::to_string(d.clap_version.revision);

    auto audioPortText = [](size_t index, const clap_audio_port_info& p, bool input) {
        std::string text = "  " + std::to_string(index) + ": " + std::string(p.name) + " (id " + std::to_string(p.id) + "): " +
                           std::to_string(p.channel_count) + " channels";
        if (p.port_type) text += ", " + std::string(p.port_type);
        if (p.flags & CLAP_AUDIO_PORT_IS_MAIN) text += ", main";
        if (p.in_place_pair != CLAP_INVALID_ID)
            text += std::string(", in place with ") + (input ? "output " : "input ") + std::to_string(p.in_place_pair);
        return text + "\n";
    };
    auto notePortText = [](size_t index, const clap_note_port_info& p) {
        std::vector<std::string> dialects = dialectWords(p.supported_dialects);
        std::vector<std::string> preferred = dialectWords(p.preferred_dialect);
        return "  " + std::to_string(index) + ": " + std::string(p.name) + " (id " + std::to_string(p.id) + "): " + joined(dialects, ", ") +
               (preferred.empty() ? "" : ", prefers " + preferred.front()) + "\n";
    };
    auto audioPortJson = [](const clap_audio_port_info& p) {
        return "{\"id\": " + std::to_string(p.id) + ", \"name\": " + jsonString(p.name) +
               ", \"channels\": " + std::to_string(p.channel_count) +
               ", \"type\": " + (p.port_type ? jsonString(p.port_type) : "null") +
               ", \"main\": " + ((p.flags & CLAP_AUDIO_PORT_IS_MAIN) ? "true" : "false") + ", \"inPlacePair\": " +
               (p.in_place_pair == CLAP_INVALID_ID ? "null" : std::to_string(p.in_place_pair)) + "}";
    };
    auto notePortJson = [](const clap_note_port_info& p) {
        std::vector<std::string> preferred = dialectWords(p.preferred_dialect);
        return "{\"id\": " + std::to_string(p.id) + ", \"name\": " + jsonString(p.name) +
               ", \"dialects\": " + jsonList(dialectWords(p.supported_dialects)) +
               ", \"preferred\": " + (preferred.empty() ? "null" : jsonString(preferred.front())) + "}";
    };

    if (json) {
        out << "{\n  \"format\": \"CLAP\",\n  \"clapVersion\": " << jsonString(version)
            << ",\n  \"id\": " << jsonString(d.id) << ",\n  \"name\": " << jsonString(orEmpty(d.name))
            << ",\n  \"vendor\": " << jsonString(orEmpty(d.vendor)) << ",\n  \"version\": "
            << jsonString(orEmpty(d.version)) << ",\n  \"description\": " << jsonString(orEmpty(d.description))
            << ",\n  \"url\": " << jsonString(orEmpty(d.url)) << ",\n  \"manualUrl\": "
            << jsonString(orEmpty(d.manual_url)) << ",\n  \"supportUrl\": " << jsonString(orEmpty(d.support_url))
            << ",\n  \"features\": " << jsonList(features) << ",\n  \"inputs\": " << numInputs()
            << ",\n  \"outputs\": " << numOutputs();
        auto portsJson = [&out](const char* key, const auto& ports, const auto& toJson) {
            out << ",\n  \"" << key << "\": [";
            for (size_t i = 0; i < ports.size(); ++i) out << (i ? ", " : "") << toJson(ports[i]);
            out << "]";
        };
        portsJson("audioInputs", audioInputs_, audioPortJson);
        portsJson("audioOutputs", audioOutputs_, audioPortJson);
        portsJson("noteInputs", noteInputs_, notePortJson);
        portsJson("noteOutputs", noteOutputs_, notePortJson);
        out << ",\n  \"latency\": " << latency << ",\n  \"tail\": " << (tail == "infinite" ? "\"infinite\"" : tail)
            << ",\n  \"panel\": " << jsonList(panel) << ",\n  \"extensions\": " << jsonList(extensions)
            << ",\n  \"parameters\": [";
        for (size_t i = 0; i < params_.size(); ++i) {
            const Param& p = params_[i];
            out << (i ? ",\n" : "\n") << "    {\"index\": " << i << ", \"id\": " << p.id
                << ", \"name\": " << jsonString(p.name) << ", \"module\": " << jsonString(p.module)
                << ", \"flags\": " << jsonList(flagWords(p.flags)) << ", \"min\": " << number(p.min)
                << ", \"max\": " << number(p.max) << ", \"default\": " << number(p.defaultValue)
                << ", \"display\": " << jsonString(rows[i].display) << ", \"value\": " << rows[i].value << "}";
        }
        out << "\n  ]\n}\n";
        return;
    }
    out << "Format:         CLAP " << version << "\nID:             " << d.id << "\nName:           " << orEmpty(d.name)
        << "\nVendor:         " << orEmpty(d.vendor) << "\nVersion:        " << orEmpty(d.version)
        << "\nDescription:    " << orEmpty(d.description) << "\nFeatures:       " << joined(features, " ")
        << "\nInputs:         " << numInputs() << "\nOutputs:        " << numOutputs() << "\nAudio inputs:   "
        << audioInputs_.size() << "\n";
    for (size_t i = 0; i < audioInputs_.size(); ++i) out << audioPortText(i, audioInputs_[i], true);
    out << "Audio outputs:  " << audioOutputs_.size() << "\n";
    for (size_t i = 0; i < audioOutputs_.size(); ++i) out << audioPortText(i, audioOutputs_[i], false);
    out << "Note inputs:    " << noteInputs_.size() << "\n";
    for (size_t i = 0; i < noteInputs_.size(); ++i) out << notePortText(i, noteInputs_[i]);
    out << "Note outputs:   " << noteOutputs_.size() << "\n";
    for (size_t i = 0; i < noteOutputs_.size(); ++i) out << notePortText(i, noteOutputs_[i]);
    out << "Latency:        " << (latency == "null" ? "unknown" : latency + " frames at 44100 Hz")
        << "\nTail:           " << (tail == "null" ? "unknown" : tail == "infinite" ? tail : tail + " frames at 44100 Hz")
        << "\nPanel:          " << (panel.empty() ? "none" : joined(panel, ", "))
        << "\nExtensions:     " << joined(extensions, " ") << "\nParameters:     " << params_.size() << "\n";
    for (size_t i = 0; i < params_.size(); ++i) out << "  " << i << ": " << params_[i].name << " = " << rows[i].display << "\n";
}

} // namespace zkhost
