#include "gui/platform/services/FileSettingsStore.h"
#include "gui/platform/services/PlatformServices.h"

namespace zk {

EffectServices platformServices() noexcept {
    static FileSettingsStore settings(&FileSettingsStore::userSettingsPath);
    return {defaultServices().messages, &settings};
}

} // namespace zk
