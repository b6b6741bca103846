#include "gui/platform/services/PlatformServices.h"
#include "gui/platform/services/RegistrySettingsStore.h"

#include <windows.h>

namespace zk {

namespace {

// Modal boxes without an owner window.
class WindowsMessages final : public MessageService {
public:
    void showMessage(const char* text, const char* title) noexcept override {
        MessageBoxA(nullptr, text, title, MB_OK);
    }
    bool askYesNo(const char* text, const char* title) noexcept override {
        return MessageBoxA(nullptr, text, title, MB_YESNO) == IDYES;
    }
};

} // namespace

EffectServices platformServices() noexcept {
    static WindowsMessages messages;
    static RegistrySettingsStore settings;
    return {&messages, &settings};
}

} // namespace zk
