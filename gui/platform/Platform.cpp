#include "gui/platform/Platform.h"

namespace zk::gui::platform {

namespace {
Platform* installed = nullptr;
}

Platform& current() { return installed ? *installed : builtInPlatform(); }

Platform* install(Platform* platform) {
    Platform* previous = installed;
    installed = platform;
    return previous;
}

} // namespace zk::gui::platform
