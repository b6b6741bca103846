#pragma once

// The native back end: GDI drawing, per-monitor DPI aware child windows, the system's popup
// menus and edit fields, the live key and cursor state.
// Renderer:
//   [x] GDI devices, compatible pixmaps and masks; the toolkit's raster operations and
//       font families, pitches and smoothing mapped to GDI's
//   [x] the module's BITMAP resources; pictures at a scale from the installed drawer (the
//       artwork generator, its names drawn by GdiFontEngine)
//   [x] transparent blits where msimg32 has TransparentBlt
// Windowing:
//   [x] child windows, per-monitor DPI aware; paint, button, destroy, and WM_DPICHANGED /
//       WM_DPICHANGED_AFTERPARENT as the window's new scale; the system DPI's scale
//   [x] the system's popup menus (the toolkit's flags mapped) and edit fields
//   [x] drag and drop: OLE files and text (FrameDropTarget)
//   [x] live keys and cursor, GetTickCount, the double-click time
//   [ ] wheel events of the window's own: the wheel comes through the host
//   [ ] dialogs: message boxes are the services' (services/), not this seam's

#include "gui/platform/Platform.h"

namespace zk::gui::platform::win32 {

class NativeMenus final : public MenuService {
public:
    std::unique_ptr<PopupMenu> createPopupMenu() override;
    // The choice comes back as the WM_COMMAND the system posts to the owner window.
    int32_t track(PopupMenu& menu, bool rightButton, Point screen, Window* owner) override;
};

class NativeEditFields final : public EditFieldService {
public:
    std::unique_ptr<EditField> create(Window* owner, const EditFieldSetup& setup, EditFieldEvents* events) override;
};

class Win32Platform final : public Platform {
public:
    std::unique_ptr<Device> createMemoryDevice(Device* compatible) override;
    std::unique_ptr<Pixmap> createCompatiblePixmap(Device* compatible, int32_t w, int32_t h) override;
    std::unique_ptr<Pixmap> createMonochromePixmap(int32_t w, int32_t h) override;
    std::unique_ptr<Pixmap> loadBitmap(int32_t resourceId) override;
    // Drawn by the drawer the module installs (its artwork generator), as on Linux.
    bool hasScaledBitmaps() override;
    std::unique_ptr<Pixmap> loadScaledBitmap(int32_t resourceId, float scale) override;
    // The system's DPI over 96, as a per-monitor aware window sees it.
    float systemScale() override;
    bool hasTransparentBlt() override;

    bool registerWindowClass(const char* name) override;
    void unregisterWindowClass(const char* name) override;
    std::unique_ptr<Window> createChildWindow(void* parent, const char* className, const char* title,
                                              const Rect& rect, WindowEvents* events) override;
    void* moduleInstance() override;

    bool isKeyDown(Key key) override;
    Point cursorPosition() override;
    bool mouseButtonsSwapped() override;
    uint32_t tickCount() override;
    uint32_t doubleClickTime() override;

    MenuService& menus() override { return menus_; }
    EditFieldService& editFields() override { return editFields_; }

private:
    NativeMenus menus_;
    NativeEditFields editFields_;
};

Win32Platform& defaultPlatform();

} // namespace zk::gui::platform::win32
