#include "tools/zkhost/HostedPlugin.h"

#include "formats/clap/ClapAbi.h"
#include "tools/zkhost/ClapHost.h"
#include "tools/zkhost/ModuleLoader.h"
#include "tools/zkhost/Vst2Host.h"
#include "tools/zkhost/Vst3Host.h"
#if defined(ZKHOST_LV2)
#include "tools/zkhost/Lv2Host.h"
#endif

#include <cstdio>
#include <filesystem>
#if !defined(_WIN32)
#include <sys/utsname.h>
#endif

namespace zkhost {

void* loadModuleOrThrow(const std::string& path) {
    std::string why;
    void* library = loadModule(path, why);
    if (!library) throw HostError("cannot load module " + path + ": " + why);
    return library;
}

namespace {

// A VST3 bundle (a folder NAME.vst3) holds its module for this system in
// Contents/<machine>-linux/NAME.so or Contents/x86_64-win (x86-win)/NAME.vst3; any other
// path is the module itself.
std::string modulePathIn(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(path, error)) return path;
    const fs::path bundle(path);
    std::string name = bundle.filename().string();
    if (name.empty()) name = bundle.parent_path().filename().string(); // "NAME.vst3/"
#if defined(_WIN32)
    const std::string folder = sizeof(void*) == 8 ? "x86_64-win" : "x86-win";
    const std::string file = fs::path(name).stem().string() + ".vst3";
#else
    utsname system{};
    const std::string folder = std::string(uname(&system) == 0 ? system.machine : "x86_64") + "-linux";
    const std::string file = fs::path(name).stem().string() + ".so";
#endif
    const fs::path module = bundle / "Contents" / folder / file;
    if (!fs::exists(module, error)) throw HostError(path + " holds no module for this system (" + module.string() + ")");
    return module.string();
}

#if defined(ZKHOST_LV2)
bool isVst3Bundle(const std::string& path) {
    std::error_code error;
    const std::filesystem::path bundle = std::filesystem::path(path).lexically_normal();
    const std::filesystem::path name = bundle.has_filename() ? bundle : bundle.parent_path();
    return name.extension() == ".vst3" && std::filesystem::is_directory(path, error);
}
#endif

} // namespace

// A VST3 bundle is a folder NAME.vst3; an LV2 plug-in is named by any other bundle folder or
// its URI; a CLAP module exports its entry record, a VST3 module its factory; anything else is
// taken for VST 2, whose host says what is missing.
std::unique_ptr<HostedPlugin> openPlugin(const std::string& path) {
#if defined(ZKHOST_LV2)
    if (!isVst3Bundle(path) && looksLikeLv2(path)) return std::make_unique<Lv2Host>(path);
#endif
    const std::string modulePath = modulePathIn(path);
    void* library = loadModuleOrThrow(modulePath);
    if (const void* entry = findSymbol(library, clap::CLAP_ENTRY_SYMBOL))
        return std::make_unique<ClapHost>(static_cast<const clap::clap_plugin_entry*>(entry), modulePath);
    if (findSymbol(library, "GetPluginFactory")) return std::make_unique<Vst3Host>(library, modulePath);
    return std::make_unique<Vst2Host>(library, modulePath);
}

bool silentChannels(float* const* channels, int32_t count, int32_t frames) {
    for (int32_t c = 0; c < count; ++c)
        for (int32_t f = 0; f < frames; ++f)
            if (channels[c][f] != 0.0f) return false;
    return true;
}

std::string editText(const EditRecord& edit) {
    char text[64];
    switch (edit.kind) {
    case EditRecord::Kind::automate: std::snprintf(text, sizeof text, "automate %d %.9g", edit.index, double(edit.value)); break;
    case EditRecord::Kind::beginEdit: std::snprintf(text, sizeof text, "beginEdit %d", edit.index); break;
    case EditRecord::Kind::endEdit: std::snprintf(text, sizeof text, "endEdit %d", edit.index); break;
    case EditRecord::Kind::rescan: return "rescan " + edit.what;
    }
    std::string line = text;
    if (edit.notRecorded) line += " not-recorded";
    if (edit.frame >= 0) line += " at " + std::to_string(edit.frame);
    return line;
}

} // namespace zkhost
