#include "gui/platform/win32/SystemDpi.h"

namespace zk::gui::platform::win32 {

namespace {

using SetContext = void*(WINAPI*)(void* context);
using DpiForWindow = UINT(WINAPI*)(HWND window);
using DpiForSystem = UINT(WINAPI*)();

// The system's DPI_AWARENESS_CONTEXT values.
void* const kPerMonitorAwareV2 = reinterpret_cast<void*>(static_cast<intptr_t>(-4));
void* const kPerMonitorAware = reinterpret_cast<void*>(static_cast<intptr_t>(-3));
constexpr float kBaseDpi = 96.0f;

FARPROC user32Entry(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}

template <typename Function> Function entry(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(user32Entry(name)));
}

} // namespace

PerMonitorDpiScope::PerMonitorDpiScope() {
    static const auto set = entry<SetContext>("SetThreadDpiAwarenessContext");
    if (!set) return;
    previous_ = set(kPerMonitorAwareV2);
    if (!previous_) previous_ = set(kPerMonitorAware); // Windows 10 before 1703
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    static const auto set = entry<SetContext>("SetThreadDpiAwarenessContext");
    if (set && previous_) set(previous_);
}

float windowDpiScale(HWND window) {
    static const auto dpiForWindow = entry<DpiForWindow>("GetDpiForWindow");
    const UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    return dpi ? float(dpi) / kBaseDpi : 0.0f;
}

float systemDpiScale() {
    static const auto dpiForSystem = entry<DpiForSystem>("GetDpiForSystem");
    PerMonitorDpiScope aware; // an unaware thread is told 96 whatever the screen
    UINT dpi = dpiForSystem ? dpiForSystem() : 0;
    if (!dpi) {
        HDC screen = GetDC(nullptr);
        dpi = screen ? UINT(GetDeviceCaps(screen, LOGPIXELSX)) : 0;
        if (screen) ReleaseDC(nullptr, screen);
    }
    return dpi ? float(dpi) / kBaseDpi : 1.0f;
}

} // namespace zk::gui::platform::win32
