#include "services/PlatformServices.h"
#include "services/RegistrySettingsStore.h"

#include <windows.h>

namespace zk {

namespace {

// The system's modal boxes without an owner window, over the panel or not; a question is
// answered before the call returns.
class WindowsMessages final : public MessageService {
public:
    void showMessage(const char* text, const char* title, void*) noexcept override {
        MessageBoxA(nullptr, text, title, MB_OK);
    }
    void askYesNo(const char* text, const char* title, void*, Answer answer) noexcept override {
        const bool yes = MessageBoxA(nullptr, text, title, MB_YESNO) == IDYES;
        if (answer) answer(yes);
    }
};

} // namespace

EffectServices platformServices() noexcept {
    static WindowsMessages messages;
    static RegistrySettingsStore settings;
    return {&messages, &settings};
}

} // namespace zk
