#pragma once

// Popup menus over an X11 window: override-redirect windows drawn by MenuLayout, with a
// pointer and keyboard grab, tracked in a loop of their own as the native call would be.
// A menu closes, choosing nothing, as soon as the window it was opened over is gone.

#include "gui/platform/Platform.h"
#include "gui/platform/x11/MenuLayout.h"

#include <atomic>

namespace zk::gui::platform::x11 {

class X11Platform;

class X11PopupMenu final : public PopupMenu {
public:
    void appendSeparator() override { model_.items.push_back({menuSeparator, -1, {}, nullptr}); }
    void appendItem(uint32_t flags, int32_t commandId, const char* text) override {
        model_.items.push_back({flags, commandId, text ? text : "", nullptr});
    }
    void appendSubMenu(uint32_t flags, PopupMenu& subMenu, const char* text) override {
        auto* sub = dynamic_cast<X11PopupMenu*>(&subMenu);
        model_.items.push_back({flags | menuPopup, -1, text ? text : "", sub ? &sub->model_ : nullptr});
    }
    const MenuModel& model() const { return model_; }

private:
    MenuModel model_;
};

class X11MenuService final : public MenuService {
public:
    explicit X11MenuService(X11Platform& platform) : platform_(platform) {}
    std::unique_ptr<PopupMenu> createPopupMenu() override { return std::make_unique<X11PopupMenu>(); }
    // Over an X11 window the menu is shown on its display; otherwise the fallback's menus
    // get a copy of it.
    int32_t track(PopupMenu& menu, bool rightButton, Point screen, Window* owner) override;

    // Menu levels on screen now (tests wait for them).
    static int32_t openLevels() { return openLevels_; }

private:
    friend class MenuTracker;
    X11Platform& platform_;
    static std::atomic<int32_t> openLevels_;
};

} // namespace zk::gui::platform::x11
