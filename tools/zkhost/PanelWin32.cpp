#include "tools/zkhost/PanelWindow.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace zkhost {

namespace {

constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleMilliseconds = 20;
const char* const kWindowClass = "zkhostPanel";

LRESULT CALLBACK panelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool writeScreenshot(HWND window, int width, int height, const std::string& path) {
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, previous);
    }
    const DWORD rowBytes = DWORD((width * 3 + 3) & ~3);
    const DWORD imageBytes = rowBytes * DWORD(height);
    if (ok) {
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageBytes;
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ok = out && std::fwrite(&file, sizeof file, 1, out) == 1 &&
             std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             std::fwrite(bits, 1, imageBytes, out) == imageBytes;
        if (out) ok = std::fclose(out) == 0 && ok;
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return ok;
}

} // namespace

int runPanel(HostedPlugin& plugin, const PanelOptions& options, const std::function<void()>& afterOpen) {
    const auto [width, height] = plugin.panelSize();

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = panelProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT outer{0, 0, width, height};
    AdjustWindowRect(&outer, style, FALSE);
    const std::string title = "zkhost - " + plugin.name();
    HWND window = CreateWindowExA(0, kWindowClass, title.c_str(), style, 0, 0, outer.right - outer.left,
                                  outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
    if (!window) throw HostError("cannot create the panel window: error " + std::to_string(GetLastError()));

    try {
        PanelParent parent;
        parent.win32 = window;
        plugin.openPanel(parent);
    } catch (...) {
        DestroyWindow(window);
        throw;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("panel open %d %d at %ld %ld\n", width, height, long(origin.x), long(origin.y));
    std::fflush(stdout);
    try {
        afterOpen();
    } catch (...) {
        plugin.closePanel();
        DestroyWindow(window);
        throw;
    }

    SetTimer(window, kIdleTimer, kIdleMilliseconds, nullptr);
    const ULONGLONG end = GetTickCount64() + ULONGLONG(options.seconds * 1000.0);
    EditReporter reporter(options);
    bool quit = false;
    MSG message;
    while (!quit && GetTickCount64() < end) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kIdleMilliseconds, QS_ALLINPUT);
            continue;
        }
        if (message.message == WM_QUIT) break;
        if (message.message == WM_TIMER && message.hwnd == window && message.wParam == kIdleTimer) {
            plugin.idlePanel();
        } else {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (reporter.report(plugin)) quit = true;
    }
    KillTimer(window, kIdleTimer);
    bool shot = true;
    if (!options.screenshot.empty()) shot = writeScreenshot(window, width, height, options.screenshot);
    plugin.closePanel();
    DestroyWindow(window);
    if (!shot) throw HostError("cannot write the screenshot " + options.screenshot);
    return 0;
}

} // namespace zkhost
