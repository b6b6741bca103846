#include "gui/platform/win32/Win32Platform.h"

#include "gui/platform/win32/GdiDevice.h"
#include "gui/platform/win32/GdiWindow.h"
#include "gui/platform/win32/ModuleInstance.h"
#include "gui/platform/win32/SystemDpi.h"
#include "gui/platform/software/ScaledPictures.h"

#include <windows.h>

#include <vector>

namespace zk::gui::platform::win32 {

namespace {

HDC dcOf(Device* device) { return device ? static_cast<GdiDevice*>(device)->dc() : nullptr; }

} // namespace

std::unique_ptr<Device> Win32Platform::createMemoryDevice(Device* compatible) {
    HDC dc = CreateCompatibleDC(dcOf(compatible));
    // A device without a context would crash every caller; the screen's serves instead.
    if (!dc) dc = CreateCompatibleDC(nullptr);
    return std::make_unique<GdiDevice>(dc, GdiDevice::Origin::memoryDc);
}

std::unique_ptr<Pixmap> Win32Platform::createCompatiblePixmap(Device* compatible, int32_t w, int32_t h) {
    HDC dc = dcOf(compatible);
    HDC screen = dc ? nullptr : GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc ? dc : screen, w, h);
    if (screen) ReleaseDC(nullptr, screen);
    return std::make_unique<GdiPixmap>(bitmap, false);
}

std::unique_ptr<Pixmap> Win32Platform::createMonochromePixmap(int32_t w, int32_t h) {
    return std::make_unique<GdiPixmap>(CreateBitmap(w, h, 1, 1, nullptr), true);
}

std::unique_ptr<Pixmap> Win32Platform::loadBitmap(int32_t resourceId) {
    HBITMAP bitmap = LoadBitmapA(win32::moduleInstance(), MAKEINTRESOURCEA(resourceId & 0xFFFF));
    if (!bitmap) return nullptr;
    return std::make_unique<GdiPixmap>(bitmap, false);
}

bool Win32Platform::hasScaledBitmaps() { return software::pictureDrawer() != nullptr; }

std::unique_ptr<Pixmap> Win32Platform::loadScaledBitmap(int32_t resourceId, float scale) {
    const software::PictureDrawer drawer = software::pictureDrawer();
    const std::unique_ptr<software::SoftPixmap> picture = drawer ? drawer(resourceId, scale) : nullptr;
    if (!picture || picture->width() <= 0 || picture->height() <= 0) return nullptr;
    // A bitmap of the screen's format, as the module's resources load.
    std::vector<uint32_t> rows(picture->pixels().size());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = swapRedBlue(picture->pixels()[i]);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture->width();
    info.bmiHeader.biHeight = -picture->height(); // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = screen ? CreateCompatibleBitmap(screen, picture->width(), picture->height()) : nullptr;
    const bool filled = bitmap && SetDIBits(screen, bitmap, 0, UINT(picture->height()), rows.data(), &info,
                                            DIB_RGB_COLORS) == picture->height();
    if (screen) ReleaseDC(nullptr, screen);
    if (!filled) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    return std::make_unique<GdiPixmap>(bitmap, false);
}

float Win32Platform::systemScale() { return systemDpiScale(); }

bool Win32Platform::hasTransparentBlt() { return transparentBltEntry() != nullptr; }

bool Win32Platform::registerWindowClass(const char* name) { return name && GdiWindow::registerClass(name); }

void Win32Platform::unregisterWindowClass(const char* name) {
    if (name) GdiWindow::unregisterClass(name);
}

std::unique_ptr<Window> Win32Platform::createChildWindow(void* parent, const char* className, const char* title,
                                                         const Rect& rect, WindowEvents* events) {
    if (!parent || !className) return nullptr;
    return GdiWindow::create(static_cast<HWND>(parent), className, title ? title : "", rect, events);
}

void* Win32Platform::moduleInstance() { return win32::moduleInstance(); }

bool Win32Platform::isKeyDown(Key key) {
    int code = VK_LBUTTON;
    switch (key) {
    case Key::leftButton: code = VK_LBUTTON; break;
    case Key::middleButton: code = VK_MBUTTON; break;
    case Key::rightButton: code = VK_RBUTTON; break;
    case Key::shift: code = VK_SHIFT; break;
    case Key::control: code = VK_CONTROL; break;
    case Key::alt: code = VK_MENU; break;
    }
    return (GetAsyncKeyState(code) & 0x8000) != 0;
}

Point Win32Platform::cursorPosition() {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

bool Win32Platform::mouseButtonsSwapped() { return GetSystemMetrics(SM_SWAPBUTTON) > 0; }
uint32_t Win32Platform::tickCount() { return GetTickCount(); }
uint32_t Win32Platform::doubleClickTime() { return GetDoubleClickTime(); }

Win32Platform& defaultPlatform() {
    static Win32Platform platform;
    return platform;
}

} // namespace zk::gui::platform::win32

namespace zk::gui::platform {
Platform& builtInPlatform() { return win32::defaultPlatform(); }
} // namespace zk::gui::platform
