#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zk {

// Modal messages the user must see: OK notices and Yes/No questions. The platform back
// ends show real dialogs; tests script the answers.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual void showMessage(const char* text, const char* title) noexcept = 0;
    virtual bool askYesNo(const char* text, const char* title) noexcept = 0;
};

struct SettingsWrite {
    std::string name;
    uint32_t value;
    bool written = false;
};

// The per-user store of 32-bit values by name that outlives every instance. A value of 0,
// or none, means that nothing is stored. Names are compared byte for byte.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual uint32_t readValue(const std::string& name) noexcept = 0;
    // The values of several names at once (0 for each with nothing stored); stores that
    // can read them in one go override it.
    virtual std::vector<uint32_t> readValues(const std::vector<std::string>& names) {
        std::vector<uint32_t> values;
        values.reserve(names.size());
        for (const std::string& name : names) values.push_back(readValue(name));
        return values;
    }
    // Stores the values in order (a later one of the same name wins), as one change where
    // the store can, and marks each that was written.
    virtual void writeValues(std::vector<SettingsWrite>& writes) noexcept = 0;
};

struct EffectServices {
    MessageService* messages;
    SettingsStore* settings;
};

// What a new instance uses unless it is given services of its own.
EffectServices defaultServices() noexcept;
// Replaces the services later instances get by default; null restores the built-in ones.
void setDefaultServices(MessageService* messages, SettingsStore* settings) noexcept;

} // namespace zk
