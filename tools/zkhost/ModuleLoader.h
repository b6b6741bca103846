#pragma once

// Loading a plug-in module and finding its entry: dlopen or LoadLibrary.

#include <string>

namespace zkhost {

// The loaded module, or null with the system's reason in `error`. Modules are never
// unloaded: some plug-ins leave threads or atexit handlers behind that would run into
// unmapped code, and the process ends soon anyway.
void* loadModule(const std::string& path, std::string& error);
// The same, throwing HostError "cannot load module PATH: REASON".
void* loadModuleOrThrow(const std::string& path);
void* findSymbol(void* module, const char* name);

} // namespace zkhost
