#include "tools/zkhost/DialogAnswers.h"

#include "tools/zkhost/HostedPlugin.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace zkhost {

namespace {

DialogAnswer chosenAnswer = DialogAnswer::ok;

// The button to press: the chosen one when the box has it, else its first of OK, Yes, No.
int buttonFor(HWND box) {
    const int wanted = chosenAnswer == DialogAnswer::yes ? IDYES : chosenAnswer == DialogAnswer::no ? IDNO : IDOK;
    for (int id : {wanted, IDOK, IDYES, IDNO})
        if (GetDlgItem(box, id)) return id;
    return IDCANCEL;
}

// A message box is a dialog of the system class whose text sits in the static control 0xFFFF.
LRESULT CALLBACK watchWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[32] = {};
        GetClassNameA(box, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0 && GetDlgItem(box, 0xFFFF)) {
            char title[256] = {}, text[1024] = {};
            GetWindowTextA(box, title, sizeof title);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            const int button = buttonFor(box);
            const char* name = button == IDYES ? "yes" : button == IDNO ? "no" : button == IDOK ? "ok" : "cancel";
            std::fprintf(stderr, "zkhost: message box \"%s\": \"%s\" -> %s\n", title, text, name);
            std::fflush(stderr);
            // Posted, so that the box's own loop takes it once the box is fully up.
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

DialogAnswers::DialogAnswers(DialogAnswer answer) {
    chosenAnswer = answer;
    hook_ = SetWindowsHookExA(WH_CBT, watchWindows, nullptr, GetCurrentThreadId());
    if (!hook_) throw HostError("cannot watch message boxes: error " + std::to_string(GetLastError()));
}

DialogAnswers::~DialogAnswers() { UnhookWindowsHookEx(static_cast<HHOOK>(hook_)); }

} // namespace zkhost
