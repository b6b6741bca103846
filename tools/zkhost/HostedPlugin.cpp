#include "tools/zkhost/HostedPlugin.h"

#include "formats/clap/ClapAbi.h"
#include "tools/zkhost/ClapHost.h"
#include "tools/zkhost/ModuleLoader.h"
#include "tools/zkhost/Vst2Host.h"
#if defined(ZKHOST_LV2)
#include "tools/zkhost/Lv2Host.h"
#endif

#include <cstdio>

namespace zkhost {

void* loadModuleOrThrow(const std::string& path) {
    std::string why;
    void* library = loadModule(path, why);
    if (!library) throw HostError("cannot load module " + path + ": " + why);
    return library;
}

// An LV2 plug-in is named by its bundle folder or its URI; a CLAP module exports its entry
// record; anything else is taken for VST 2, whose host says what is missing.
std::unique_ptr<HostedPlugin> openPlugin(const std::string& modulePath) {
#if defined(ZKHOST_LV2)
    if (looksLikeLv2(modulePath)) return std::make_unique<Lv2Host>(modulePath);
#endif
    void* library = loadModuleOrThrow(modulePath);
    if (const void* entry = findSymbol(library, clap::CLAP_ENTRY_SYMBOL))
        return std::make_unique<ClapHost>(static_cast<const clap::clap_plugin_entry*>(entry), modulePath);
    return std::make_unique<Vst2Host>(library, modulePath);
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
