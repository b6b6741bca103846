// The parameters as CLAP hosts see them: id = index, 0 to 1, with the effect's full names and
// value texts in real units; switches stepped, the unused one hidden and not automatable;
// after them the bypass (id 54), which the host switches; the host's changes between blocks
// through flush; the tail.

#include "formats/clap/ClapExtensions.h"
#include "formats/clap/ClapPlugin.h"

#include <cstdio>
#include <string>

namespace zk {

using namespace clap;

namespace {

ClapPlugin* self(const clap_plugin* plugin) { return ClapPlugin::of(plugin); }

} // namespace

uint32_t ClapPlugin::parameterCount() const noexcept { return bypassId() + 1; }

bool ClapPlugin::parameterInfo(uint32_t index, clap_param_info* info) const noexcept {
    if (info && index == bypassId()) {
        *info = {};
        info->id = bypassId();
        info->flags = CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_AUTOMATABLE;
        std::snprintf(info->name, sizeof info->name, "Bypass");
        info->min_value = 0.0;
        info->max_value = 1.0;
        info->default_value = 0.0;
        return true;
    }
    ParameterDescription description;
    if (!info || index >= static_cast<uint32_t>(effect_->parameterCount()) ||
        !effect_->describeParameter(static_cast<int32_t>(index), description))
        return false;
    *info = {};
    info->id = index;
    info->flags = (description.automatable ? uint32_t(CLAP_PARAM_IS_AUTOMATABLE) : 0u) |
                  (description.steps > 0 ? uint32_t(CLAP_PARAM_IS_STEPPED) : 0u) |
                  (description.hidden ? uint32_t(CLAP_PARAM_IS_HIDDEN) : 0u);
    info->cookie = nullptr;
    std::snprintf(info->name, sizeof info->name, "%s", description.name);
    info->min_value = description.minimum;
    info->max_value = description.maximum;
    info->default_value = description.defaultValue;
    return true;
}

bool ClapPlugin::parameterValue(clap_id id, double* value) const noexcept {
    if (value && id == bypassId()) {
        *value = effect_->bypassed() ? 1.0 : 0.0;
        return true;
    }
    if (!value || id >= static_cast<uint32_t>(effect_->parameterCount())) return false;
    *value = effect_->parameter(static_cast<int32_t>(id));
    return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* text, uint32_t capacity) const noexcept {
    if (text && capacity > 0 && id == bypassId()) {
        std::snprintf(text, capacity, "%s", value >= 0.5 ? "On" : "Off");
        return true;
    }
    if (!text || capacity == 0 || id >= static_cast<uint32_t>(effect_->parameterCount())) return false;
    return effect_->valueToText(static_cast<int32_t>(id), static_cast<float>(value), text, capacity);
}

bool ClapPlugin::textToValue(clap_id id, const char* text, double* value) const noexcept {
    if (value && text && id == bypassId()) {
        const std::string word = text;
        if (word != "On" && word != "Off" && word != "1" && word != "0") return false;
        *value = word == "On" || word == "1" ? 1.0 : 0.0;
        return true;
    }
    float parsed = 0.0f;
    if (!value || id >= static_cast<uint32_t>(effect_->parameterCount()) ||
        !effect_->textToValue(static_cast<int32_t>(id), text, parsed))
        return false;
    *value = parsed;
    return true;
}

uint32_t ClapPlugin::tail() const noexcept { return effect_ ? effect_->tailFrames() : 0; }

const clap_plugin_params clapParams = {
    [](const clap_plugin* plugin) -> uint32_t {
        return self(plugin) ? self(plugin)->parameterCount() : 0;
    },
    [](const clap_plugin* plugin, uint32_t index, clap_param_info* info) {
        return self(plugin) && self(plugin)->parameterInfo(index, info);
    },
    [](const clap_plugin* plugin, clap_id id, double* value) { return self(plugin) && self(plugin)->parameterValue(id, value); },
    [](const clap_plugin* plugin, clap_id id, double value, char* text, uint32_t capacity) {
        return self(plugin) && self(plugin)->valueToText(id, value, text, capacity);
    },
    [](const clap_plugin* plugin, clap_id id, const char* text, double* value) {
        return self(plugin) && self(plugin)->textToValue(id, text, value);
    },
    [](const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out) {
        if (self(plugin)) self(plugin)->flush(in, out);
    },
};

} // namespace zk
