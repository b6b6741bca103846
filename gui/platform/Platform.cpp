#include "gui/platform/Platform.h"

#include "gui/platform/software/SoftwarePlatform.h"

namespace zk::gui::platform {

namespace {
Platform* installed = nullptr;
}

Platform& current() { return installed ? *installed : software::defaultPlatform(); }

Platform* install(Platform* platform) {
    Platform* previous = installed;
    installed = platform;
    return previous;
}

} // namespace zk::gui::platform
