#include "gui/platform/services/FileSettingsStore.h"
#include "gui/platform/services/PlatformServices.h"
#include "gui/platform/x11/MessageDialog.h"

namespace zk {

EffectServices platformServices() noexcept {
    static FileSettingsStore settings(&FileSettingsStore::userSettingsPath);
    return {&gui::platform::x11::moduleMessageService(), &settings};
}

} // namespace zk
