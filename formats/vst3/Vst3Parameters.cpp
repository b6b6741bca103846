#include "formats/vst3/Vst3Parameters.h"

#include "formats/vst3/Vst3Text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zk {

namespace {

constexpr int32_t kMidiSteps = 127;

std::string trimmed(const char* text) {
    std::string s = text ? text : "";
    const size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

// A whole number 0..127 and nothing else, or -1.
int32_t wholeNumber(const std::string& text) {
    const std::string t = trimmed(text.c_str());
    if (t.empty() || t.size() > 3 || t.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int32_t n = std::atoi(t.c_str());
    return n <= kMidiSteps ? n : -1;
}

} // namespace

std::optional<Vst3Parameter> vst3Parameter(vst3::ParamID id) noexcept {
    if (id < static_cast<vst3::ParamID>(kNumParameters)) return Vst3Parameter{Vst3Parameter::Kind::effect, int32_t(id)};
    if (id == kVst3ProgramParameter) return Vst3Parameter{Vst3Parameter::Kind::program, 0};
    if (id == kVst3BypassParameter) return Vst3Parameter{Vst3Parameter::Kind::bypass, 0};
    if (id >= kVst3FirstControllerParameter && id < kVst3FirstControllerParameter + kVst3MappedControllers)
        return Vst3Parameter{Vst3Parameter::Kind::controller, int32_t(id - kVst3FirstControllerParameter)};
    return std::nullopt;
}

vst3::ParamID vst3ParameterId(int32_t index) noexcept {
    if (index < 0 || index >= kVst3ParameterCount) return vst3::kNoParamId;
    if (index < kNumParameters) return static_cast<vst3::ParamID>(index);
    if (index == kNumParameters) return kVst3ProgramParameter;
    if (index == kNumParameters + 1) return kVst3BypassParameter;
    return kVst3FirstControllerParameter + static_cast<vst3::ParamID>(index - kNumParameters - 2);
}

uint8_t midiDataByte(vst3::ParamValue value) noexcept {
    if (!(value > 0.0)) return 0; // NaN too
    if (value >= 1.0) return kMidiSteps;
    return static_cast<uint8_t>(std::lround(value * kMidiSteps));
}

bool describeVst3Parameter(const Effect& effect, int32_t index, vst3::ParameterInfo& info) noexcept {
    const vst3::ParamID id = vst3ParameterId(index);
    const auto parameter = vst3Parameter(id);
    if (!parameter) return false;
    info = {};
    info.id = id;
    info.unitId = vst3::kRootUnitId;
    switch (parameter->kind) {
    case Vst3Parameter::Kind::effect: {
        ParameterDescription description;
        if (!effect.describeParameter(parameter->number, description)) return false;
        toUtf16(description.name, info.title);
        toUtf16(trimmed(description.shortName).c_str(), info.shortTitle);
        toUtf16(description.unit, info.units);
        info.stepCount = description.steps;
        info.defaultNormalizedValue = description.defaultValue;
        info.flags = (description.automatable ? vst3::ParameterInfo::kCanAutomate : 0) |
                     (description.hidden ? vst3::ParameterInfo::kIsHidden : 0);
        break;
    }
    case Vst3Parameter::Kind::program:
        toUtf16("Program", info.title);
        toUtf16("Program", info.shortTitle);
        info.stepCount = effect.programCount() - 1;
        info.flags = vst3::ParameterInfo::kIsProgramChange | vst3::ParameterInfo::kIsList;
        break;
    case Vst3Parameter::Kind::bypass:
        toUtf16("Bypass", info.title);
        toUtf16("Bypass", info.shortTitle);
        info.stepCount = 1;
        info.flags = vst3::ParameterInfo::kCanAutomate | vst3::ParameterInfo::kIsBypass;
        break;
    case Vst3Parameter::Kind::controller: {
        char name[32];
        std::snprintf(name, sizeof name, "MIDI CC %d", int(parameter->number));
        toUtf16(name, info.title);
        std::snprintf(name, sizeof name, "CC %d", int(parameter->number));
        toUtf16(name, info.shortTitle);
        info.stepCount = kMidiSteps;
        info.flags = vst3::ParameterInfo::kIsHidden;
        break;
    }
    }
    return true;
}

bool vst3ValueText(const Effect& effect, vst3::ParamID id, vst3::ParamValue value, vst3::String128 text) noexcept {
    const auto parameter = vst3Parameter(id);
    if (!parameter || !text) return false;
    char utf8[64] = {};
    switch (parameter->kind) {
    case Vst3Parameter::Kind::effect:
        if (!effect.valueToText(parameter->number, static_cast<float>(value), utf8, sizeof utf8)) return false;
        break;
    case Vst3Parameter::Kind::program:
        if (!effect.programName(midiDataByte(value), utf8)) return false;
        break;
    case Vst3Parameter::Kind::bypass: std::snprintf(utf8, sizeof utf8, "%s", value >= 0.5 ? "On" : "Off"); break;
    case Vst3Parameter::Kind::controller: std::snprintf(utf8, sizeof utf8, "%d", int(midiDataByte(value))); break;
    }
    toUtf16(utf8, text, 128);
    return true;
}

bool vst3TextValue(const Effect& effect, vst3::ParamID id, const vst3::TChar* text, vst3::ParamValue& value) noexcept {
    const auto parameter = vst3Parameter(id);
    if (!parameter || !text) return false;
    std::string utf8;
    try {
        utf8 = fromUtf16(text, 128);
    } catch (...) {
        return false;
    }
    switch (parameter->kind) {
    case Vst3Parameter::Kind::effect: {
        float parsed = 0.0f;
        if (!effect.textToValue(parameter->number, utf8.c_str(), parsed)) return false;
        value = parsed;
        return true;
    }
    case Vst3Parameter::Kind::program: {
        // A program's name, else its number.
        const std::string wanted = trimmed(utf8.c_str());
        char name[32];
        for (int32_t p = 0; p < effect.programCount(); ++p)
            if (effect.programName(p, name) && trimmed(name) == wanted) {
                value = double(p) / double(effect.programCount() - 1);
                return true;
            }
        const int32_t number = wholeNumber(utf8);
        if (number < 0 || number >= effect.programCount()) return false;
        value = double(number) / double(effect.programCount() - 1);
        return true;
    }
    case Vst3Parameter::Kind::bypass: {
        const std::string word = trimmed(utf8.c_str());
        if (word != "On" && word != "Off" && word != "1" && word != "0") return false;
        value = word == "On" || word == "1" ? 1.0 : 0.0;
        return true;
    }
    case Vst3Parameter::Kind::controller: {
        const int32_t number = wholeNumber(utf8);
        if (number < 0) return false;
        value = double(number) / kMidiSteps;
        return true;
    }
    }
    return false;
}

vst3::ParamValue vst3PlainValue(vst3::ParamID id, vst3::ParamValue normalised) noexcept {
    const auto parameter = vst3Parameter(id);
    if (!parameter || parameter->kind == Vst3Parameter::Kind::effect || parameter->kind == Vst3Parameter::Kind::bypass)
        return normalised;
    return midiDataByte(normalised);
}

vst3::ParamValue vst3NormalisedValue(vst3::ParamID id, vst3::ParamValue plain) noexcept {
    const auto parameter = vst3Parameter(id);
    if (!parameter || parameter->kind == Vst3Parameter::Kind::effect || parameter->kind == Vst3Parameter::Kind::bypass)
        return plain;
    const double value = plain / kMidiSteps;
    return value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value;
}

} // namespace zk
