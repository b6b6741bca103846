// A CLAP plug-in's presets as a host's browser finds them: through the module's preset
// discovery factory, every provider's presets at the locations it declares (those built
// into the plug-in; zkhost does not crawl preset files), loaded through preset-load.

#include "tools/zkhost/ClapHost.h"
#include "tools/zkhost/Options.h"

#include <cstring>
#include <memory>

namespace zkhost {

using namespace clap;

namespace {

struct Discovery {
    std::vector<clap_preset_discovery_location> locations;
    std::vector<ClapHost::FoundPreset>* found = nullptr;
    uint32_t kind = 0;
};

Discovery& of(const clap_preset_discovery_indexer* indexer) { return *static_cast<Discovery*>(indexer->indexer_data); }
Discovery& of(const clap_preset_discovery_metadata_receiver* receiver) {
    return *static_cast<Discovery*>(receiver->receiver_data);
}

} // namespace

std::vector<ClapHost::FoundPreset> ClapHost::discoverPresets() {
    const auto* factory = static_cast<const clap_preset_discovery_factory*>(entry_->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    if (!factory)
        factory = static_cast<const clap_preset_discovery_factory*>(entry_->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT));
    std::vector<FoundPreset> found;
    if (!factory) return found;
    Discovery discovery;
    discovery.found = &found;
    clap_preset_discovery_indexer indexer{};
    indexer.clap_version = CLAP_VERSION;
    indexer.name = "zkhost";
    indexer.indexer_data = &discovery;
    indexer.declare_filetype = [](const clap_preset_discovery_indexer*, const clap_preset_discovery_filetype*) { return true; };
    indexer.declare_location = [](const clap_preset_discovery_indexer* self, const clap_preset_discovery_location* where) {
        if (!where) return false;
        of(self).locations.push_back(*where);
        return true;
    };
    indexer.declare_soundpack = [](const clap_preset_discovery_indexer*, const clap_preset_discovery_soundpack*) { return true; };
    indexer.get_extension = [](const clap_preset_discovery_indexer*, const char*) -> const void* { return nullptr; };

    clap_preset_discovery_metadata_receiver receiver{};
    receiver.receiver_data = &discovery;
    receiver.on_error = [](const clap_preset_discovery_metadata_receiver*, int32_t, const char* message) {
        if (message) std::fprintf(stderr, "zkhost: plug-in preset error: %s\n", message);
    };
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver* self, const char* name, const char* key) {
        Discovery& d = of(self);
        d.found->push_back({name ? name : "", "", d.kind, key ? key : "", key != nullptr});
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver*, const clap_universal_plugin_id*) {};
    receiver.set_soundpack_id = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
    receiver.set_flags = [](const clap_preset_discovery_metadata_receiver*, uint32_t) {};
    receiver.add_creator = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
    receiver.set_description = [](const clap_preset_discovery_metadata_receiver* self, const char* text) {
        Discovery& d = of(self);
        if (!d.found->empty() && text) d.found->back().description = text;
    };
    receiver.set_timestamps = [](const clap_preset_discovery_metadata_receiver*, clap_timestamp, clap_timestamp) {};
    receiver.add_feature = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
    receiver.add_extra_info = [](const clap_preset_discovery_metadata_receiver*, const char*, const char*) {};

    const uint32_t providers = factory->count ? factory->count(factory) : 0;
    for (uint32_t i = 0; i < providers; ++i) {
        const clap_preset_discovery_provider_descriptor* descriptor = factory->get_descriptor(factory, i);
        if (!descriptor || !descriptor->id) continue;
        const clap_preset_discovery_provider* provider = factory->create(factory, &indexer, descriptor->id);
        if (!provider) continue;
        discovery.locations.clear();
        if (provider->init && provider->init(provider))
            for (const clap_preset_discovery_location& where : discovery.locations)
                if (where.kind == CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN) {
                    discovery.kind = where.kind;
                    provider->get_metadata(provider, where.kind, nullptr, &receiver);
                }
        provider->destroy(provider);
    }
    return found;
}

std::vector<HostedPlugin::Preset> ClapHost::presets() {
    std::vector<Preset> list;
    for (const FoundPreset& p : discoverPresets()) list.push_back({p.name, p.description, "in the plug-in, key " + p.key});
    return list;
}

void ClapHost::choosePreset(const std::string& name) {
    const clap_plugin_preset_load* load = presetLoad_;
    for (const FoundPreset& p : discoverPresets())
        if (p.name == name) {
            if (!load || !load->from_location) throw HostError("the plug-in lists presets but cannot load them");
            if (!load->from_location(plugin_, p.kind, nullptr, p.hasKey ? p.key.c_str() : nullptr))
                throw HostError("the plug-in could not load its preset \"" + name + "\"");
            return;
        }
    throw UsageError("--preset: the plug-in offers no preset \"" + name + "\"");
}

} // namespace zkhost
