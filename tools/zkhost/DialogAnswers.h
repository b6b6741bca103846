#pragma once

// For unattended runs on Windows: every message box that the calling thread opens is
// logged on standard error with its title and text, and answered with the chosen button.
// The plug-in keeps calling the real MessageBoxA; only the host watches.

namespace zkhost {

enum class DialogAnswer { ok, yes, no };

class DialogAnswers {
public:
    explicit DialogAnswers(DialogAnswer answer); // throws HostError when the hook cannot be set
    ~DialogAnswers();
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

private:
    void* hook_ = nullptr;
};

} // namespace zkhost
