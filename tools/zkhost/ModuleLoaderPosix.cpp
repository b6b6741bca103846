#include "tools/zkhost/ModuleLoader.h"

#include <dlfcn.h>

namespace zkhost {

void* loadModule(const std::string& path, std::string& error) {
    // A bare name would make dlopen search the library path instead of the current folder.
    const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
    void* module = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        error = why ? why : "unknown error";
    }
    return module;
}

void* findSymbol(void* module, const char* name) { return dlsym(module, name); }

} // namespace zkhost
