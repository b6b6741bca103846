#include "tools/zkhost/ModuleLoader.h"

#include <windows.h>

namespace zkhost {

void* loadModule(const std::string& path, std::string& error) {
    // A bare name would make LoadLibrary search the system folders before the current one.
    const std::string where = path.find_first_of("/\\") == std::string::npos ? ".\\" + path : path;
    HMODULE module = LoadLibraryA(where.c_str());
    if (!module) {
        const DWORD code = GetLastError();
        char text[512] = {};
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                            0, text, sizeof text, nullptr);
        error = length ? std::string(text, length) : "error " + std::to_string(code);
        while (!error.empty() && (error.back() == '\n' || error.back() == '\r' || error.back() == ' ')) error.pop_back();
    }
    return module;
}

void* findSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

} // namespace zkhost
