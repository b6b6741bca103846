// The factory set in a CLAP host's preset browser: a preset-discovery factory with one
// provider, whose one location is the plug-in itself (its presets built in, each keyed by its
// number), and the preset-load extension that loads one into the current program and has the
// host read the values again.

#include "core/FactoryPresets.h"
#include "formats/clap/ClapExtensions.h"
#include "formats/clap/ClapPlugin.h"
#include "product/Identity.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zk {

using namespace clap;

namespace {

const clap_preset_discovery_provider_descriptor kProviderDescriptor = {
    CLAP_VERSION, "org.zephyrkettledrome.factory-set", "Zephyrkettledrome factory set", kMakerDomain};

// The number a load key names, 1 to the set's size; 0 for none.
int32_t presetNumber(const char* key) {
    if (!key || !*key) return 0;
    char* end = nullptr;
    const long number = std::strtol(key, &end, 10);
    return *end == 0 && number >= 1 && number <= factoryPresetCount() ? static_cast<int32_t>(number) : 0;
}

struct Provider {
    clap_preset_discovery_provider record{};
    const clap_preset_discovery_indexer* indexer = nullptr;
};

bool declareLocation(const clap_preset_discovery_provider* provider) {
    const auto* self = static_cast<const Provider*>(provider->provider_data);
    const clap_preset_discovery_location location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "Factory set",
                                                     CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return self->indexer && self->indexer->declare_location && self->indexer->declare_location(self->indexer, &location);
}

bool describePresets(const clap_preset_discovery_provider*, uint32_t kind, const char* location,
                     const clap_preset_discovery_metadata_receiver* receiver) {
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location || !receiver || !receiver->begin_preset) return false;
    const clap_universal_plugin_id id = {"clap", kClapId};
    for (int32_t i = 0; i < factoryPresetCount(); ++i) {
        const FactoryPreset* preset = factoryPreset(i);
        char key[16];
        std::snprintf(key, sizeof key, "%d", i + 1);
        if (!receiver->begin_preset(receiver, preset->name, key)) break;
        if (receiver->add_plugin_id) receiver->add_plugin_id(receiver, &id);
        if (receiver->set_flags) receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        if (receiver->add_creator) receiver->add_creator(receiver, kMakerDomain);
        if (receiver->set_description) receiver->set_description(receiver, preset->description);
    }
    return true;
}

const clap_preset_discovery_provider* createProvider(const clap_preset_discovery_factory*,
                                                     const clap_preset_discovery_indexer* indexer, const char* id) {
    if (!indexer || !id || std::strcmp(id, kProviderDescriptor.id) != 0) return nullptr;
    auto* provider = new (std::nothrow) Provider;
    if (!provider) return nullptr;
    provider->indexer = indexer;
    provider->record = {&kProviderDescriptor,
                        provider,
                        declareLocation,
                        [](const clap_preset_discovery_provider* p) { delete static_cast<Provider*>(p->provider_data); },
                        describePresets,
                        [](const clap_preset_discovery_provider*, const char*) -> const void* { return nullptr; }};
    return &provider->record;
}

} // namespace

const clap_preset_discovery_factory clapPresetDiscovery = {
    [](const clap_preset_discovery_factory*) -> uint32_t { return 1; },
    [](const clap_preset_discovery_factory*, uint32_t index) {
        return index == 0 ? &kProviderDescriptor : nullptr;
    },
    createProvider,
};

bool ClapPlugin::loadPreset(uint32_t kind, const char* location, const char* key) noexcept {
    const int32_t number = kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN && !location ? presetNumber(key) : 0;
    const bool loaded = number > 0 && effect_->loadFactoryPreset(number - 1); // the host rescans the values
    const auto* presets = hostPresets();
    if (presets && loaded && presets->loaded) presets->loaded(host_, kind, location, key);
    if (presets && !loaded && presets->on_error)
        presets->on_error(host_, kind, location, key, 0, "no such preset of the plug-in's own");
    return loaded;
}

const clap_plugin_preset_load clapPresetLoad = {
    [](const clap_plugin* plugin, uint32_t kind, const char* location, const char* key) {
        ClapPlugin* self = ClapPlugin::of(plugin);
        return self && self->loadPreset(kind, location, key);
    },
};

} // namespace zk
