#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zk {

// Messages the user must see: notices with an OK button and Yes/No questions. Nothing here
// holds a host's thread for a person's answer.
// 1. The effect shows a notice or asks a question, naming the window the box belongs to:
//    its open panel's, when the call comes on the panel's own thread; else none.
// 2. With a window, a back end that shows boxes of its own puts the box over that window
//    and returns at once. The window's idle handles it; boxes wait their turn, one shown
//    at a time, in the order given.
// 3. A question's answer arrives later through its continuation, exactly once, on the
//    panel's thread. A box whose window goes (the panel closed) is answered No at once.
// 4. Without a window nothing waits: the notice goes to stderr and the question is
//    answered No before the call returns.
// A back end whose system has modal boxes of its own (Win32's MessageBoxA) may show
// every box that way and answer before returning, as such boxes always have.
class MessageService {
public:
    using Answer = std::function<void(bool yes)>;
    virtual ~MessageService() = default;
    // [any] window: the panel's native window handle, or null.
    virtual void showMessage(const char* text, const char* title, void* window) noexcept = 0;
    // [any] answer is called exactly once: later, on the window's thread, when there is a
    // window; with false before returning when there is none.
    virtual void askYesNo(const char* text, const char* title, void* window, Answer answer) noexcept = 0;
};

// What every service does without a window: the text to stderr, questions answered No.
MessageService& consoleMessages() noexcept;

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
