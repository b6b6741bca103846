#include "core/Services.h"

#include <atomic>
#include <cstdio>

namespace zk {

namespace {

// Until a platform supplies dialogs, messages go to stderr and questions are declined,
// so that nothing is ever changed without the user's consent.
class ConsoleMessages final : public MessageService {
public:
    void showMessage(const char* text, const char* title) noexcept override {
        std::fprintf(stderr, "%s %s\n", title, text);
    }
    bool askYesNo(const char* text, const char* title) noexcept override {
        std::fprintf(stderr, "%s %s [answered No]\n", title, text);
        return false;
    }
};

// Stores nothing: every read finds nothing stored and every write fails.
class NoSettings final : public SettingsStore {
public:
    uint32_t readValue(const std::string&) noexcept override { return 0; }
    void writeValues(std::vector<SettingsWrite>&) noexcept override {}
};

ConsoleMessages consoleMessages;
NoSettings noSettings;
std::atomic<MessageService*> chosenMessages{nullptr};
std::atomic<SettingsStore*> chosenSettings{nullptr};

} // namespace

EffectServices defaultServices() noexcept {
    MessageService* messages = chosenMessages.load();
    SettingsStore* settings = chosenSettings.load();
    return {messages ? messages : &consoleMessages, settings ? settings : &noSettings};
}

void setDefaultServices(MessageService* messages, SettingsStore* settings) noexcept {
    chosenMessages.store(messages);
    chosenSettings.store(settings);
}

} // namespace zk
