#include "gui/platform/win32/ModuleInstance.h"

#include <atomic>

namespace zk::gui::platform::win32 {

namespace {
std::atomic<HINSTANCE> instanceKept{nullptr};
}

void setModuleInstance(HINSTANCE instance) noexcept { instanceKept.store(instance, std::memory_order_relaxed); }

HINSTANCE moduleInstance() noexcept {
    HINSTANCE instance = instanceKept.load(std::memory_order_relaxed);
    if (!instance) {
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&moduleInstance), &self);
        instance = self;
    }
    return instance;
}

} // namespace zk::gui::platform::win32
