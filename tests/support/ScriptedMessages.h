#pragma once

// The effect's message boxes for tests: every message is recorded with the window it named;
// questions are answered at once from a script, or wait for answerNext() as a box over the
// panel waits for a person.

#include "core/Services.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace zktest {

struct ScriptedMessages final : zk::MessageService {
    std::vector<std::string> shown; // "title|text", in order
    std::vector<void*> windows;     // the window each message named
    std::deque<bool> answers;       // Yes/No answers given at once; No once they run out
    bool answerLater = false;       // instead, questions wait for answerNext()
    std::deque<Answer> waiting;

    void showMessage(const char* text, const char* title, void* window) noexcept override {
        shown.push_back(std::string(title) + "|" + text);
        windows.push_back(window);
    }
    void askYesNo(const char* text, const char* title, void* window, Answer answer) noexcept override {
        shown.push_back(std::string(title) + "|" + text);
        windows.push_back(window);
        if (answerLater) {
            waiting.push_back(std::move(answer));
            return;
        }
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        answer(yes);
    }
    void answerNext(bool yes) {
        Answer answer = std::move(waiting.front());
        waiting.pop_front();
        answer(yes);
    }
};

} // namespace zktest
