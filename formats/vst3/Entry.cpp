// The VST3 module's exported entry points, and the place where the plug-in is put
// together: the effect with the platform's services and its panel, inside the VST3
// wrapper's factory.

#include "core/PluginEffect.h"
#include "editor/PluginEditor.h"
#include "formats/vst3/Vst3Factory.h"
#include "services/PlatformServices.h"
#if !defined(_WIN32)
#include "gui/platform/x11/X11Platform.h"
#endif

#include <memory>

#if defined(_WIN32)
#define ZK_EXPORT extern "C" __declspec(dllexport)
#else
#define ZK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::unique_ptr<zk::Editor> makePanel(zk::EditorContext& effect) {
    try {
        return std::make_unique<zk::PluginEditor>(effect);
    } catch (...) {
        return nullptr; // the instance goes on without a panel: the controller offers no view
    }
}

zk::Vst3Setup moduleSetup() {
    zk::Vst3Setup setup;
    setup.makeEffect = [](zk::HostServices& host) -> std::unique_ptr<zk::Effect> {
        return std::make_unique<zk::PluginEffect>(host, zk::platformServices(), makePanel);
    };
    return setup;
}

zk::Vst3Factory& factory() {
#if !defined(_WIN32)
    // The panel is an X11 window inside the host's; headless, the software back end.
    zk::gui::platform::x11::installForModule();
#endif
    static zk::Vst3Factory theFactory(moduleSetup()); // lives as long as the module
    return theFactory;
}

} // namespace

ZK_EXPORT vst3::IPluginFactory* ZK_VST3_CALL GetPluginFactory() noexcept {
    try {
        zk::Vst3Factory& f = factory();
        f.addRef();
        return &f;
    } catch (...) {
        return nullptr;
    }
}

// Nothing to set up or tear down beyond what the factory does on its first call.
#if defined(_WIN32)
ZK_EXPORT bool InitDll() noexcept { return true; }
ZK_EXPORT bool ExitDll() noexcept { return true; }
#else
ZK_EXPORT bool ModuleEntry(void*) noexcept { return true; }
ZK_EXPORT bool ModuleExit() noexcept { return true; }
#endif
