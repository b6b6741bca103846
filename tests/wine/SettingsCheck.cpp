// Run under Wine by scripts/test-wine: a binding learned and saved with "Default" lands in
// the registry as REG_DWORD values, and a new instance follows it. The message boxes of the
// save are answered Yes/OK by the same hook zkhost uses.

#include "tools/zkhost/DialogAnswers.h"
#include "tools/zkhost/Vst2Host.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace zkhost;

namespace {

constexpr int32_t kCommandDefaults = 57;
constexpr int32_t kCommandLearn = 65;
const char* const kKey = "Software\\zephyrkettledrome.org\\Zephyrkettledrome";

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++failures;
}

void controlChange(Vst2Host& host, int controller, int value) {
    HostEvent event;
    event.midi[0] = 0xB3; // any channel does
    event.midi[1] = uint8_t(controller);
    event.midi[2] = uint8_t(value);
    // Sound, since the engine acts on events only while it is awake.
    std::vector<float> left(64, 0.25f), right(64, -0.25f), outLeft(64), outRight(64);
    float* in[] = {left.data(), right.data()};
    float* out[] = {outLeft.data(), outRight.data()};
    host.process(in, out, 64, {event}, false);
}

// The stored DWORD, or -1 when the value is missing or of another type.
long long storedValue(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? (long long)value : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: settings-check MODULE\n");
        return 2;
    }
    try {
        DialogAnswers answers(DialogAnswer::yes);
        {
            Vst2Host first(argv[1]);
            first.start(44100, 64);
            check(storedValue("MidiCC-Master") == -1, "a fresh registry holds no binding");
            first.setParameter(kCommandLearn, 0.0f); // learn for Master
            controlChange(first, 7, 64);
            check(first.getParameter(0) == 64 * 0.007874016f, "the learning controller moves Master");
            first.setParameter(kCommandDefaults, 1.0f);
            check(storedValue("MidiCC-Master") == 8, "Master's binding is stored as controller + 1");
            check(storedValue("MidiCC-Right1 ") == 1, "an unbound parameter is stored as 1");
        }
        Vst2Host second(argv[1]);
        second.start(44100, 64);
        controlChange(second, 7, 127);
        check(second.getParameter(0) == 1.0f, "a new instance follows controller 7 on Master");
        controlChange(second, 8, 0);
        check(second.getParameter(0) == 1.0f, "and no other controller");
    } catch (const std::exception& e) {
        std::printf("FAILED: %s\n", e.what());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
