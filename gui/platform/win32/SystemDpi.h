#pragma once

// Per-monitor DPI. The entries come from user32 at run time: systems before Windows 10
// lack them, and the module must still load and show its panel (at 1 x) there.

#include <windows.h>

namespace zk::gui::platform::win32 {

// While it lives, windows the thread creates are per-monitor DPI aware (v2 where the
// system has it): the system neither stretches them nor hides their monitor's DPI.
class PerMonitorDpiScope {
public:
    PerMonitorDpiScope();
    ~PerMonitorDpiScope();
    PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
    PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

private:
    void* previous_ = nullptr; // the thread's context before, restored after
};

// The window's monitor DPI over 96 (GetDpiForWindow); 0 where the system cannot say.
float windowDpiScale(HWND window);
// The system's DPI over 96 as a per-monitor aware window sees it; 1 where it cannot say.
float systemDpiScale();

} // namespace zk::gui::platform::win32
