// Writes the LV2 bundle's Turtle files, manifest.ttl and Zephyrkettledrome.ttl, from the
// facts the binaries are built from: the identity facts, the ports (Lv2Ports.h) and every
// parameter as the effect describes it. The build runs it; the files are never edited.
// Usage: zk_lv2_turtle BUNDLE_DIR DSP_BINARY UI_BINARY

#include "core/PluginEffect.h"
#include "core/SilentHost.h"
#include "formats/lv2/Lv2Ports.h"
#include "product/Identity.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace zk;
using namespace zk::lv2;

// The shortest decimal that reads back as the same float, always with a point, as Turtle
// reads a decimal.
std::string decimal(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    std::string out(text, result.ptr);
    if (out.find('.') == std::string::npos) out += ".0";
    return out;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

const char* const kPrefixes = R"(@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .
@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .
@prefix doap:  <http://usefulinc.com/ns/doap#> .
@prefix foaf:  <http://xmlns.com/foaf/0.1/> .
@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .
@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .
@prefix opts:  <http://lv2plug.in/ns/ext/options#> .
@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .
@prefix pprop: <http://lv2plug.in/ns/ext/port-props#> .
@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .
@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .
@prefix rsz:   <http://lv2plug.in/ns/ext/resize-port#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .
@prefix units: <http://lv2plug.in/ns/extensions/units#> .
@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .
@prefix work:  <http://lv2plug.in/ns/ext/worker#> .
@prefix xsd:   <http://www.w3.org/2001/XMLSchema#> .

# Written by the build (formats/lv2/GenerateTurtle.cpp) from the plug-in's own tables.

)";

// What a parameter port is beyond its range: a switch is toggled, with its two scale points;
// the unused one stays off generic UIs; where the port's value is a plain coefficient (a
// share or a gain as it stands) it says so; some ports mark their notable points.
std::string parameterProperties(Effect& effect, int32_t index, const ParameterDescription& parameter) {
    std::ostringstream out;
    auto points = [&](std::initializer_list<std::pair<float, const char*>> list) {
        out << "        lv2:scalePoint ";
        bool first = true;
        for (const auto& [value, label] : list) {
            out << (first ? "" : " , ") << "[ rdfs:label " << quoted(label) << " ; rdf:value " << decimal(value) << " ]";
            first = false;
        }
        out << " ;\n";
    };
    if (parameter.hidden) out << "        lv2:portProperty pprop:notOnGUI ;\n";
    if (parameter.steps == 1) {
        out << "        lv2:portProperty lv2:toggled ;\n";
        points({{0.0f, "Off"}, {1.0f, "On"}});
    }
    const ValueScale scale = kParameterTable[static_cast<size_t>(index)].scale;
    if (scale == ValueScale::timbre || scale == ValueScale::delaySend || scale == ValueScale::fmDepth ||
        scale == ValueScale::dryGain || scale == ValueScale::delayGain)
        out << "        units:unit units:coef ;\n";
    // The texts of these points come from the effect, so that they read as its value texts do.
    auto textOf = [&](float value) {
        char text[32] = {};
        effect.valueToText(index, value, text, sizeof text);
        return std::string(text);
    };
    const std::string c = textOf(0.5f), left = textOf(0.0f), right = textOf(1.0f), unity = textOf(0.25f),
                      half = textOf(0.5f), third = textOf(1.0f / 3.0f);
    if (scale == ValueScale::pan) points({{0.0f, left.c_str()}, {0.5f, c.c_str()}, {1.0f, right.c_str()}});
    if (scale == ValueScale::masterGain) points({{0.25f, unity.c_str()}});
    if (scale == ValueScale::bandVolume) points({{0.5f, half.c_str()}});
    if (scale == ValueScale::pitchBend)
        points({{index == paramMod3 ? 1.0f / 3.0f : 0.5f, (index == paramMod3 ? third : half).c_str()}});
    return out.str();
}

// A factory sound's URI: the plug-in's, /presets/ and its name in lower case with dashes.
std::string presetUri(const char* name) {
    std::string slug;
    for (const char* c = name; *c; ++c)
        slug += *c == ' ' ? '-' : static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
    return std::string(kLv2Uri) + "/presets/" + slug;
}

std::string base64(const uint8_t* bytes, size_t size) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < size; i += 3) {
        const uint32_t n = uint32_t(bytes[i]) << 16 | (i + 1 < size ? uint32_t(bytes[i + 1]) << 8 : 0) |
                           (i + 2 < size ? uint32_t(bytes[i + 2]) : 0);
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < size ? digits[n >> 6 & 63] : '=';
        out += i + 2 < size ? digits[n & 63] : '=';
    }
    return out;
}

// The factory set as LV2 presets: every parameter port's value, the name and the line, and
// the program's chunk as the preset's state, so that a host loading it through the plug-in's
// state changes the current program alone (an empty state would reset the instance).
std::string presets(Effect& effect) {
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kStatePreset << ">\n    a rdf:Property ;\n    rdfs:label \"preset\" ;\n"
        << "    rdfs:comment \"One program's name and values, which loading the preset puts into the current program.\" ;\n"
        << "    rdfs:range atom:Chunk .\n\n";
    for (int32_t i = 0; i < effect.factoryPresetCount(); ++i) {
        const char *name = nullptr, *comment = nullptr;
        effect.factoryPresetInfo(i, &name, &comment);
        effect.loadFactoryPreset(i);
        out << "<" << presetUri(name) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kLv2Uri << "> ;\n"
            << "    rdfs:label " << quoted(name) << " ;\n    rdfs:comment " << quoted(comment) << " ;\n    lv2:port ";
        for (int32_t p = 0; p < effect.parameterCount(); ++p) {
            ParameterDescription parameter;
            effect.describeParameter(p, parameter);
            out << (p == 0 ? "[\n" : " , [\n") << "        lv2:symbol " << quoted(parameter.symbol)
                << " ;\n        pset:value " << decimal(effect.parameter(p)) << "\n    ]";
        }
        const void* chunk = nullptr;
        const int32_t size = effect.saveChunk(ChunkKind::preset, &chunk);
        out << " ;\n    state:state [\n        <" << kStatePreset << "> \""
            << base64(static_cast<const uint8_t*>(chunk), static_cast<size_t>(size)) << "\"^^xsd:base64Binary\n    ] .\n\n";
    }
    return out.str();
}

std::string manifest(Effect& effect, const std::string& dspBinary, const std::string& uiBinary) {
    std::ostringstream out;
    out << kPrefixes;
    // The version here too: of two bundles with the plug-in, hosts load the newer one.
    out << "<" << kLv2Uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << dspBinary << "> ;\n    lv2:minorVersion "
        << kVersionMinor << " ;\n    lv2:microVersion " << kVersionMicro << " ;\n    rdfs:seeAlso <Zephyrkettledrome.ttl> .\n\n";
    out << "<" << kLv2UiUri << ">\n    a ui:X11UI ;\n    lv2:binary <" << uiBinary
        << "> ;\n    rdfs:seeAlso <Zephyrkettledrome.ttl> .\n";
    for (int32_t i = 0; i < effect.factoryPresetCount(); ++i) {
        const char* name = nullptr;
        effect.factoryPresetInfo(i, &name, nullptr);
        out << "\n<" << presetUri(name) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kLv2Uri
            << "> ;\n    rdfs:seeAlso <presets.ttl> .\n";
    }
    return out.str();
}

std::string description(Effect& effect) {
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kLv2Uri << ">\n"
        << "    a lv2:Plugin , lv2:SpectralPlugin , doap:Project ;\n"
        << "    doap:name " << quoted(kProductName) << " ;\n"
        << "    rdfs:comment \"An input-driven synthesizer: three band filters listen to the stereo input, each "
           "band's envelope plays a sine voice of its own, and the voices go through a cross-feedback delay.\" ;\n"
        << "    doap:maintainer [\n        foaf:name " << quoted(kMakerDomain) << " ;\n        foaf:homepage <https://"
        << kMakerDomain << "/>\n    ] ;\n"
        << "    doap:license <https://spdx.org/licenses/ISC> ;\n"
        << "    lv2:minorVersion " << kVersionMinor << " ;\n"
        << "    lv2:microVersion " << kVersionMicro << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options , work:schedule ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
        << "    lv2:extensionData state:interface , work:interface ;\n"
        << "    ui:ui <" << kLv2UiUri << "> ;\n"
        << "    pg:mainInput <" << kLv2Uri << "#in> ;\n"
        << "    pg:mainOutput <" << kLv2Uri << "#out> ;\n"
        << "    lv2:port ";
    bool first = true;
    auto port = [&](const std::string& kinds, uint32_t index, const std::string& symbol, const std::string& name,
                    const std::string& more) {
        out << (first ? "[\n" : " , [\n");
        first = false;
        out << "        a " << kinds << " ;\n        lv2:index " << index << " ;\n        lv2:symbol " << quoted(symbol)
            << " ;\n        lv2:name " << quoted(name) << " ;\n" << more << "    ]";
    };
    for (const FixedPort& audio : kAudioPorts) {
        const bool input = audio.index == kAudioInLeft || audio.index == kAudioInRight;
        const bool left = audio.index == kAudioInLeft || audio.index == kAudioOutLeft;
        port(input ? "lv2:AudioPort , lv2:InputPort" : "lv2:AudioPort , lv2:OutputPort", audio.index, audio.symbol,
             audio.name,
             std::string("        pg:group <") + kLv2Uri + (input ? "#in" : "#out") + "> ;\n        lv2:designation " +
                 (left ? "pg:left" : "pg:right") + " ;\n");
    }
    for (int32_t i = 0; i < effect.parameterCount(); ++i) {
        ParameterDescription parameter;
        effect.describeParameter(i, parameter);
        port("lv2:ControlPort , lv2:InputPort", portOfParameter(i), parameter.symbol, parameter.name,
             "        lv2:default " + decimal(parameter.defaultValue) + " ;\n        lv2:minimum " +
                 decimal(parameter.minimum) + " ;\n        lv2:maximum " + decimal(parameter.maximum) + " ;\n" +
                 parameterProperties(effect, i, parameter));
    }
    port("atom:AtomPort , lv2:InputPort", kEventsInFacts.index, kEventsInFacts.symbol, kEventsInFacts.name,
         "        atom:bufferType atom:Sequence ;\n        atom:supports midi:MidiEvent , atom:Object ;\n"
         "        lv2:designation lv2:control ;\n        lv2:portProperty lv2:connectionOptional ;\n");
    port("atom:AtomPort , lv2:OutputPort", kNotifyFacts.index, kNotifyFacts.symbol, kNotifyFacts.name,
         "        atom:bufferType atom:Sequence ;\n        atom:supports atom:Object ;\n"
         "        lv2:designation lv2:control ;\n        rsz:minimumSize " +
             std::to_string(kNotifyMinimumBytes) + " ;\n        lv2:portProperty lv2:connectionOptional ;\n");
    port("lv2:ControlPort , lv2:InputPort", kEnabledFacts.index, kEnabledFacts.symbol, kEnabledFacts.name,
         "        lv2:default 1 ;\n        lv2:minimum 0 ;\n        lv2:maximum 1 ;\n        lv2:designation lv2:enabled ;\n"
         "        lv2:portProperty lv2:toggled , lv2:connectionOptional ;\n");
    out << " .\n\n";

    // The stereo input and output, as hosts group the audio ports.
    out << "<" << kLv2Uri << "#in>\n    a pg:StereoGroup , pg:InputGroup ;\n    lv2:symbol \"in\" ;\n"
        << "    lv2:name \"Input\" .\n\n";
    out << "<" << kLv2Uri << "#out>\n    a pg:StereoGroup , pg:OutputGroup ;\n    lv2:symbol \"out\" ;\n"
        << "    lv2:name \"Output\" .\n\n";

    out << "<" << kLv2UiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature urid:map , ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:parent , ui:touch , ui:noUserResize , ui:resize , opts:options ;\n"
        << "    opts:supportedOption ui:scaleFactor ;\n"
        << "    lv2:extensionData ui:idleInterface , ui:showInterface , opts:interface ;\n"
        << "    ui:portNotification [\n        ui:plugin <" << kLv2Uri << "> ;\n        lv2:symbol "
        << quoted(kNotifyFacts.symbol) << " ;\n        ui:protocol atom:eventTransfer\n    ] .\n";
    return out.str();
}

bool write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) std::cerr << "zk_lv2_turtle: cannot write " << path << "\n";
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: zk_lv2_turtle BUNDLE_DIR DSP_BINARY UI_BINARY\n";
        return 2;
    }
    SilentHost host;
    PluginEffect effect(host);
    effect.initialise(); // so that the factory set loads
    // Every symbol names one port.
    std::set<std::string> symbols;
    for (const FixedPort& fixed : kAudioPorts) symbols.insert(fixed.symbol);
    symbols.insert(kEventsInFacts.symbol);
    symbols.insert(kNotifyFacts.symbol);
    symbols.insert(kEnabledFacts.symbol);
    for (int32_t i = 0; i < effect.parameterCount(); ++i) {
        ParameterDescription parameter;
        if (!effect.describeParameter(i, parameter) || !symbols.insert(parameter.symbol).second) {
            std::cerr << "zk_lv2_turtle: parameter " << i << " has no symbol of its own\n";
            return 1;
        }
    }
    const std::string folder = argv[1];
    return write(folder + "/manifest.ttl", manifest(effect, argv[2], argv[3])) &&
                   write(folder + "/Zephyrkettledrome.ttl", description(effect)) &&
                   write(folder + "/presets.ttl", presets(effect))
               ? 0
               : 1;
}
