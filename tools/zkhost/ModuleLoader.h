#pragma once

// Loading a plug-in module and finding its entry: dlopen or LoadLibrary.

#include <string>

namespace zkhost {

// The loaded module, or null with the system's reason in `error`. Modules are never
// unloaded (see ~PluginHost).
void* loadModule(const std::string& path, std::string& error);
void* findSymbol(void* module, const char* name);

} // namespace zkhost
