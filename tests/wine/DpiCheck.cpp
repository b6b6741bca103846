// Run under Wine by scripts/test-wine: the panel follows its window's monitor DPI when the
// host gives no scale. WM_DPICHANGED with 192 DPI makes it 2 x at the next idle (its window
// and effEditGetRect), and WM_DPICHANGED_AFTERPARENT takes it back to the DPI the system
// gives the window (Wine's, 96 unless the test set another). Prints one line per check.

#include "tools/zkhost/Vst2Host.h"

#include <windows.h>

#include <cstdio>
#include <string>

using namespace zkhost;

namespace {

constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kDpiChangedAfterParent = 0x02E3;

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++failures;
}

std::string sizeText(long width, long height) { return std::to_string(width) + " x " + std::to_string(height); }

// The panel's window and the size effEditGetRect gives agree on width x height.
void checkPanel(Vst2Host& host, HWND parent, long width, long height, const std::string& when) {
    HWND panel = GetWindow(parent, GW_CHILD);
    RECT client{};
    if (panel) GetClientRect(panel, &client);
    const PanelSize reported = host.panelSize();
    check(panel && client.right == width && client.bottom == height,
          when + ": the panel's window is " + sizeText(client.right, client.bottom) + ", expected " +
              sizeText(width, height));
    check(reported.width == width && reported.height == height,
          when + ": effEditGetRect gives " + sizeText(reported.width, reported.height));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dpi-check MODULE SYSTEM-DPI\n");
        return 2;
    }
    const long systemDpi = std::stol(argv[2]);
    const long base[2] = {612, 486};
    auto scaled = [](long length, long dpi) { return long(double(length) * double(dpi) / 96.0 + 0.5); };
    try {
        Vst2Host host(argv[1]);
        host.start(44100, 64);
        HWND parent = CreateWindowExA(0, "STATIC", "dpi-check", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 2000, 1600,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!parent) throw HostError("no parent window");
        PanelParent where;
        where.win32 = parent;
        host.openPanel(where);
        host.idlePanel();
        checkPanel(host, parent, scaled(base[0], systemDpi), scaled(base[1], systemDpi), "opened");

        HWND panel = GetWindow(parent, GW_CHILD);
        RECT suggested{0, 0, 1224, 972};
        SendMessageA(panel, kDpiChanged, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        host.idlePanel();
        checkPanel(host, parent, 1224, 972, "after WM_DPICHANGED at 192 DPI");

        panel = GetWindow(parent, GW_CHILD);
        SendMessageA(panel, kDpiChangedAfterParent, 0, 0);
        host.idlePanel();
        checkPanel(host, parent, scaled(base[0], systemDpi), scaled(base[1], systemDpi),
                   "after WM_DPICHANGED_AFTERPARENT at the system's " + std::to_string(systemDpi) + " DPI");
        host.closePanel();
        DestroyWindow(parent);
    } catch (const std::exception& e) {
        std::printf("FAILED: %s\n", e.what());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
