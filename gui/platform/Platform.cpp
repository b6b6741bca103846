#include "gui/platform/Platform.h"

#if defined(_WIN32)
#include "gui/platform/win32/Win32Platform.h"
#else
#include "gui/platform/software/SoftwarePlatform.h"
#endif

namespace zk::gui::platform {

namespace {
Platform* installed = nullptr;
}

#if defined(_WIN32)
Platform& current() { return installed ? *installed : win32::defaultPlatform(); }
#else
Platform& current() { return installed ? *installed : software::defaultPlatform(); }
#endif

Platform* install(Platform* platform) {
    Platform* previous = installed;
    installed = platform;
    return previous;
}

} // namespace zk::gui::platform
