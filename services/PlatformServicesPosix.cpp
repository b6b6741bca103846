#include "services/FileSettingsStore.h"
#include "services/PlatformServices.h"
#include "services/X11MessageService.h"

namespace zk {

EffectServices platformServices() noexcept {
    static FileSettingsStore settings(&FileSettingsStore::userSettingsPath);
    return {&moduleMessageService(), &settings};
}

} // namespace zk
