// The DLL entry of every plug-in module on Windows: keeps the module's instance handle for
// its resources and window class.

#include "gui/platform/win32/ModuleInstance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    zk::gui::platform::win32::setModuleInstance(instance);
    return TRUE;
}
