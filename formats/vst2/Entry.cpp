// The VST 2 module's exported entry, one call per instance, and the place where the
// plug-in is put together: the effect with the platform's services, its panel, and the
// VST 2 wrapper around both.

#include "core/PluginEffect.h"
#include "editor/PluginEditor.h"
#include "formats/vst2/Vst2Effect.h"
#include "services/PlatformServices.h"
#if !defined(_WIN32)
#include "gui/platform/x11/X11Platform.h"
#endif

#include <atomic>
#include <memory>
#include <new>

#if defined(_WIN32)
#define ZK_EXPORT extern "C" __declspec(dllexport)
#else
#define ZK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Once one instance could not build its panel, later ones are refused too: the module's
// pictures or its window system are missing, and the next instance would fare no better.
std::atomic<bool> editorCreationFailed{false};

std::unique_ptr<zk::Editor> makePanel(zk::EditorContext& effect) {
    try {
        return std::make_unique<zk::PluginEditor>(effect);
    } catch (...) {
        editorCreationFailed.store(true);
        return nullptr;
    }
}

} // namespace

ZK_EXPORT vst2::AEffect* VSTPluginMain(vst2::audioMasterCallback hostCallback) noexcept {
    if (!hostCallback || hostCallback(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr; // no host, or one too old to take us
    zk::Vst2Effect* plugin = nullptr;
    try {
#if !defined(_WIN32)
        // The panel is an X11 window when the host gives a parent; headless, the software back end.
        zk::gui::platform::x11::installForModule();
#endif
        zk::PluginEffect* effect = nullptr;
        plugin = new zk::Vst2Effect(hostCallback, [&effect](zk::HostServices& host) {
            auto made = std::make_unique<zk::PluginEffect>(host, zk::platformServices(), makePanel);
            effect = made.get();
            return made;
        });
        // The wrapper's own notices (a chunk of the wrong size) go where the effect's go.
        plugin->setTellUser([effect](const char* text, const char* title) { effect->tell(text, title); });
    } catch (...) {
        return nullptr;
    }
    if (editorCreationFailed.load()) {
        delete plugin;
        return nullptr;
    }
    return plugin->record();
}

#if !defined(_WIN32)
// The classic entry name. C++ does not let a function called main return a pointer, so
// the symbol is given its name at assembly level; Windows builds export it through a .def.
ZK_EXPORT vst2::AEffect* classicEntry(vst2::audioMasterCallback hostCallback) noexcept __asm__("main");
vst2::AEffect* classicEntry(vst2::audioMasterCallback hostCallback) noexcept { return VSTPluginMain(hostCallback); }
#endif
