#pragma once

#include <windows.h>

namespace zk::gui::platform::win32 {

// The module whose resources hold the bitmaps and whose name the window class carries.
// The DLL entry sets it; without one (a program linking the toolkit) it is the module
// that contains this code.
void setModuleInstance(HINSTANCE instance) noexcept;
HINSTANCE moduleInstance() noexcept;

} // namespace zk::gui::platform::win32
