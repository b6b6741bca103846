// The CLAP module's exported entry and its plug-in factory with one plug-in, and the place
// where the plug-in is put together: the effect with the platform's services, its panel, and
// the CLAP wrapper around both.

#include "core/PluginEffect.h"
#include "editor/PluginEditor.h"
#include "formats/clap/ClapExtensions.h"
#include "formats/clap/ClapPlugin.h"
#include "product/Identity.h"
#include "services/PlatformServices.h"
#if !defined(_WIN32)
#include "gui/platform/x11/X11Platform.h"
#endif

#include <cstring>
#include <memory>

#if defined(_WIN32)
#define ZK_EXPORT extern "C" __declspec(dllexport)
#else
#define ZK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace clap;

namespace {

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_STEREO, nullptr};

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION,
    zk::kClapId,
    zk::kProductName,
    zk::kMakerDomain,
    "https://zephyrkettledrome.org",
    "",
    "",
    zk::kVersionText,
    "An input-driven synthesizer: three bands of the input play sine voices, with a stereo delay",
    kFeatures,
};

// Without its pictures or its window system the plug-in still works, without a panel.
std::unique_ptr<zk::Editor> makePanel(zk::EditorContext& effect) {
    try {
        return std::make_unique<zk::PluginEditor>(effect);
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<zk::Effect> makeEffect(zk::HostServices& host) {
    return std::make_unique<zk::PluginEffect>(host, zk::platformServices(), makePanel);
}

const clap_plugin* createPlugin(const clap_plugin_factory*, const clap_host* host, const char* id) {
    if (!host || !id || std::strcmp(id, kDescriptor.id) != 0 || !clap_version_is_compatible(host->clap_version))
        return nullptr;
    try {
#if !defined(_WIN32)
        // The panel is an X11 window when the host gives a parent; headless, the software back end.
        zk::gui::platform::x11::installForModule();
#endif
        return (new zk::ClapPlugin(host, &kDescriptor, makeEffect))->record();
    } catch (...) {
        return nullptr;
    }
}

const clap_plugin_factory kFactory = {
    [](const clap_plugin_factory*) -> uint32_t { return 1; },
    [](const clap_plugin_factory*, uint32_t index) -> const clap_plugin_descriptor* {
        return index == 0 ? &kDescriptor : nullptr;
    },
    createPlugin,
};

} // namespace

ZK_EXPORT const clap_plugin_entry clap_entry = {
    CLAP_VERSION,
    [](const char* path) { return path != nullptr; },
    [] {},
    [](const char* id) -> const void* {
        if (!id) return nullptr;
        if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0) return &kFactory;
        // The factory set, in the host's preset browser.
        if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 || std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
            return &zk::clapPresetDiscovery;
        return nullptr;
    },
};
