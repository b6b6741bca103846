#include "core/Services.h"

#include <atomic>
#include <cstdio>

namespace zk {

namespace {

// Messages go to stderr and questions are declined, so that nothing is ever changed
// without the user's consent.
class ConsoleMessages final : public MessageService {
public:
    void showMessage(const char* text, const char* title, void*) noexcept override {
        std::fprintf(stderr, "%s %s\n", title ? title : "", text ? text : "");
    }
    void askYesNo(const char* text, const char* title, void*, Answer answer) noexcept override {
        std::fprintf(stderr, "%s %s [answered No]\n", title ? title : "", text ? text : "");
        if (answer) answer(false);
    }
};

// Stores nothing: every read finds nothing stored and every write fails.
class NoSettings final : public SettingsStore {
public:
    uint32_t readValue(const std::string&) noexcept override { return 0; }
    void writeValues(std::vector<SettingsWrite>&) noexcept override {}
};

ConsoleMessages console;
NoSettings noSettings;
std::atomic<MessageService*> chosenMessages{nullptr};
std::atomic<SettingsStore*> chosenSettings{nullptr};

} // namespace

MessageService& consoleMessages() noexcept { return console; }

EffectServices defaultServices() noexcept {
    MessageService* messages = chosenMessages.load();
    SettingsStore* settings = chosenSettings.load();
    return {messages ? messages : &console, settings ? settings : &noSettings};
}

void setDefaultServices(MessageService* messages, SettingsStore* settings) noexcept {
    chosenMessages.store(messages);
    chosenSettings.store(settings);
}

} // namespace zk
