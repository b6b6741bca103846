// The module's exported entry: one call per instance.

#include "core/PluginEffect.h"
#include "gui/platform/services/PlatformServices.h"
#if !defined(_WIN32)
#include "gui/platform/x11/X11Platform.h"
#endif

#include <new>

#if defined(_WIN32)
#define ZK_EXPORT extern "C" __declspec(dllexport)
#else
#define ZK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZK_EXPORT vst2::AEffect* VSTPluginMain(vst2::audioMasterCallback hostCallback) noexcept {
    if (!hostCallback || hostCallback(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr; // no host, or one too old to take us
    zk::PluginEffect* effect = nullptr;
    try {
#if !defined(_WIN32)
        // The panel is an X11 window when the host gives a parent; headless, the software back end.
        zk::gui::platform::x11::installForModule();
#endif
        effect = new zk::PluginEffect(hostCallback, zk::platformServices());
    } catch (...) {
        return nullptr;
    }
    if (zk::editorCreationFailed()) {
        delete effect;
        return nullptr;
    }
    return effect->record();
}

#if !defined(_WIN32)
// The classic entry name. C++ does not let a function called main return a pointer, so
// the symbol is given its name at assembly level; Windows builds export it through a .def.
ZK_EXPORT vst2::AEffect* classicEntry(vst2::audioMasterCallback hostCallback) noexcept __asm__("main");
vst2::AEffect* classicEntry(vst2::audioMasterCallback hostCallback) noexcept { return VSTPluginMain(hostCallback); }
#endif

#if defined(__GLIBCXX__)
// The C++ runtime is linked into the module, and with it a pool it reserves for throwing
// exceptions when memory is short. Nothing frees that pool, so every unload of the module
// would leak it; release it when the module goes.
namespace __gnu_cxx {
void __freeres() noexcept;
}
__attribute__((destructor)) static void releaseRuntimeReserves() { __gnu_cxx::__freeres(); }
#endif
