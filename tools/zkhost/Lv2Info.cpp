// `zkhost info` for an LV2 plug-in: its URI, names, classes, bundle and binary, the
// features it needs or can use, its extensions and UIs, and every port.

#include "tools/zkhost/Json.h"
#include "tools/zkhost/Lv2Host.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace zkhost {

namespace {

// The shortest text that reads back as the same float.
std::string number(float value) {
    char text[40];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, double(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    return text;
}

std::string text(const LilvNode* node) { return node ? lilv_node_as_string(node) : ""; }

// The nodes as strings, freeing them.
std::vector<std::string> strings(LilvNodes* nodes) {
    std::vector<std::string> out;
    LILV_FOREACH (nodes, i, nodes) out.push_back(text(lilv_nodes_get(nodes, i)));
    lilv_nodes_free(nodes);
    return out;
}

std::string owned(LilvNode* node) {
    std::string out = text(node);
    lilv_node_free(node);
    return out;
}

const char* kindName(int kind) {
    static const char* const names[] = {"audio in", "audio out", "control in", "control out", "events in",
                                        "events out", "other"};
    return names[kind];
}

} // namespace

void Lv2Host::printInfo(std::ostream& out, bool json) {
    const std::string uri = text(lilv_plugin_get_uri(plugin_));
    const std::string pluginName = name();
    const std::string author = owned(lilv_plugin_get_author_name(plugin_));
    LilvNode* type = lilv_new_uri(world_, "http://www.w3.org/1999/02/22-rdf-syntax-ns#type");
    const std::vector<std::string> classes = strings(lilv_plugin_get_value(plugin_, type));
    lilv_node_free(type);
    const std::string bundle = text(lilv_plugin_get_bundle_uri(plugin_));
    const std::string binary = text(lilv_plugin_get_library_uri(plugin_));
    const std::vector<std::string> required = strings(lilv_plugin_get_required_features(plugin_));
    const std::vector<std::string> optional = strings(lilv_plugin_get_optional_features(plugin_));
    const std::vector<std::string> extensions = strings(lilv_plugin_get_extension_data(plugin_));
    std::vector<std::string> uis;
    LilvUIs* all = lilv_plugin_get_uis(plugin_);
    LILV_FOREACH (uis, i, all) {
        const LilvUI* ui = lilv_uis_get(all, i);
        std::string classes;
        const LilvNodes* kinds = lilv_ui_get_classes(ui);
        LILV_FOREACH (nodes, k, kinds) classes += (classes.empty() ? "" : " ") + text(lilv_nodes_get(kinds, k));
        uis.push_back(text(lilv_ui_get_uri(ui)) + " (" + classes + ")");
    }
    lilv_uis_free(all);
    const bool latency = lilv_plugin_has_latency(plugin_);

    auto kindOf = [](PortKind kind) { return kindName(static_cast<int>(kind)); };
    if (json) {
        out << "{\n  \"format\": \"LV2\",\n  \"uri\": " << jsonString(uri) << ",\n  \"name\": " << jsonString(pluginName)
            << ",\n  \"author\": " << jsonString(author) << ",\n  \"classes\": " << jsonList(classes)
            << ",\n  \"bundle\": " << jsonString(bundle) << ",\n  \"binary\": " << jsonString(binary)
            << ",\n  \"inputs\": " << numInputs() << ",\n  \"outputs\": " << numOutputs()
            << ",\n  \"latencyPort\": " << (latency ? "true" : "false") << ",\n  \"requiredFeatures\": "
            << jsonList(required) << ",\n  \"optionalFeatures\": " << jsonList(optional)
            << ",\n  \"extensions\": " << jsonList(extensions) << ",\n  \"uis\": " << jsonList(uis)
            << ",\n  \"ports\": [";
        for (size_t i = 0; i < ports_.size(); ++i) {
            const Port& p = ports_[i];
            out << (i ? ",\n" : "\n") << "    {\"index\": " << p.index << ", \"kind\": " << jsonString(kindOf(p.kind))
                << ", \"symbol\": " << jsonString(p.symbol) << ", \"name\": " << jsonString(p.name);
            if (p.kind == PortKind::controlIn || p.kind == PortKind::controlOut)
                out << ", \"min\": " << number(p.minimum) << ", \"max\": " << number(p.maximum)
                    << ", \"default\": " << number(p.defaultValue) << ", \"value\": " << number(controlValues_[p.index]);
            if (p.kind == PortKind::eventsIn || p.kind == PortKind::eventsOut)
                out << ", \"midi\": " << (p.midi ? "true" : "false") << ", \"bufferBytes\": " << p.bufferBytes;
            out << ", \"optional\": " << (p.optional ? "true" : "false") << "}";
        }
        out << "\n  ],\n  \"parameters\": [";
        for (int32_t i = 0; i < numParams(); ++i) {
            const Port& p = port(i);
            out << (i ? ",\n" : "\n") << "    {\"index\": " << i << ", \"port\": " << p.index
                << ", \"symbol\": " << jsonString(p.symbol) << ", \"name\": " << jsonString(p.name)
                << ", \"min\": " << number(p.minimum) << ", \"max\": " << number(p.maximum)
                << ", \"default\": " << number(p.defaultValue) << ", \"value\": " << number(controlValues_[p.index])
                << "}";
        }
        out << "\n  ]\n}\n";
        return;
    }
    auto list = [&](const char* title, const std::vector<std::string>& words) {
        out << title << (words.empty() ? "none" : "");
        for (size_t i = 0; i < words.size(); ++i) out << (i ? "\n                " : "") << words[i];
        out << "\n";
    };
    out << "Format:         LV2\nURI:            " << uri << "\nName:           " << pluginName
        << "\nAuthor:         " << author << "\n";
    list("Classes:        ", classes);
    out << "Bundle:         " << bundle
        << "\nBinary:         " << binary << "\nInputs:         " << numInputs() << "\nOutputs:        "
        << numOutputs() << "\nLatency port:   " << (latency ? "yes" : "no") << "\n";
    list("Requires:       ", required);
    list("Can use:        ", optional);
    list("Extensions:     ", extensions);
    list("UIs:            ", uis);
    out << "Ports:          " << ports_.size() << "\n";
    for (const Port& p : ports_) {
        out << "  " << p.index << ": " << p.symbol << " \"" << p.name << "\", " << kindOf(p.kind);
        if (p.kind == PortKind::controlIn || p.kind == PortKind::controlOut)
            out << ", " << number(p.minimum) << " to " << number(p.maximum) << ", default " << number(p.defaultValue);
        if ((p.kind == PortKind::eventsIn || p.kind == PortKind::eventsOut) && p.midi) out << ", MIDI";
        if (p.enabled) out << ", the bypass switch";
        if (p.optional) out << ", optional";
        out << "\n";
    }
    out << "Parameters:     " << numParams() << "\n";
    for (int32_t i = 0; i < numParams(); ++i)
        out << "  " << i << ": " << port(i).name << " = " << number(controlValues_[port(i).index]) << "\n";
}

} // namespace zkhost
