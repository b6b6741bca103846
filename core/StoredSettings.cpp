// The learned controller bindings (and values a bank marks as saved-as-default) kept in
// the per-user settings store: read when an instance is built, written by "Default".

#include "core/StoredSettings.h"

#include "core/PluginEffect.h"

#include <cmath>
#include <limits>

namespace zk {

uint32_t readStoredNumber(SettingsStore& store, const std::string& name) noexcept { return store.readValue(name); }

bool writeStoredNumber(SettingsStore& store, const std::string& name, int32_t number) noexcept {
    std::vector<SettingsWrite> writes;
    try {
        writes.push_back({name, static_cast<uint32_t>(number) + 1u});
    } catch (...) {
        return false;
    }
    store.writeValues(writes);
    return writes.front().written;
}

std::string learnedControllerValueName(const char* parameterName) { return std::string("MidiCC-") + parameterName; }

namespace {

// A saved-as-default value is stored as value x 10000 cut to an integer; values a bank
// brought in unclamped are kept within what the number can hold.
int32_t storedDefaultNumber(float value) noexcept {
    const float scaled = value * 10000.0f;
    if (!(scaled == scaled)) return 0;
    if (scaled >= 2147483520.0f) return std::numeric_limits<int32_t>::max() - 1;
    if (scaled <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(scaled);
}

} // namespace

void PluginEffect::readLearnedControllers() noexcept {
    try {
        std::vector<std::string> names;
        char name[kParamNameChars + 1];
        for (int32_t i = 0; i < kNumParameters; ++i) {
            parameterShortName(i, name);
            names.push_back(learnedControllerValueName(name));
        }
        const std::vector<uint32_t> stored = services_.settings->readValues(names);
        for (int32_t i = 0; i < kNumParameters && i < static_cast<int32_t>(stored.size()); ++i)
            if (stored[i] != 0) descriptors_[i].learnedController.store(static_cast<int32_t>(stored[i] - 1));
    } catch (...) {
        // out of memory: the instance starts with no stored bindings
    }
}

void PluginEffect::saveDefaults() noexcept {
    ask(kSaveDefaultsQuestion, kQuestionTitle, [this](bool yes) {
        if (yes) writeDefaults();
    });
}

void PluginEffect::writeDefaults() noexcept {
    // Every value goes in one change, so that a failure midway never leaves a mixture of
    // old and new bindings behind; the messages then follow the parameters in order.
    struct Pending {
        int32_t valueWrite = -1;
        int32_t controllerWrite = -1;
    };
    std::vector<SettingsWrite> writes;
    Pending pending[kNumParameters];
    try {
        char name[kParamNameChars + 1];
        for (int32_t i = 0; i < kNumParameters; ++i) {
            const ParameterDescriptor& descriptor = descriptors_[i];
            parameterShortName(i, name);
            if (descriptor.savedAsDefault.load()) {
                pending[i].valueWrite = static_cast<int32_t>(writes.size());
                writes.push_back({name, static_cast<uint32_t>(storedDefaultNumber(descriptor.value.load())) + 1u});
            }
            pending[i].controllerWrite = static_cast<int32_t>(writes.size());
            writes.push_back({learnedControllerValueName(name),
                              static_cast<uint32_t>(descriptor.learnedController.load()) + 1u});
        }
    } catch (...) {
        writes.clear(); // out of memory: nothing is written and every write reports failure
    }
    if (!writes.empty()) services_.settings->writeValues(writes);
    auto written = [&](int32_t slot) {
        return slot >= 0 && slot < static_cast<int32_t>(writes.size()) && writes[slot].written;
    };
    for (int32_t i = 0; i < kNumParameters; ++i) {
        if (pending[i].valueWrite >= 0 && !written(pending[i].valueWrite))
            tell("Error saving registery!", "Error!");
        if (!written(pending[i].controllerWrite))
            tell("Error saving Midi-CC registery!", "Error!");
    }
    tell("Default Values Saved!", "Ok!");
}

} // namespace zk
