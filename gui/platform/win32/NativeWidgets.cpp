// The system's popup menus and single-line edit windows behind the toolkit's seams.

#include "gui/platform/win32/GdiDevice.h"
#include "gui/platform/win32/ModuleInstance.h"
#include "gui/platform/win32/Win32Platform.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace zk::gui::platform::win32 {

namespace {

UINT systemMenuFlags(uint32_t flags) {
    return (flags & menuGrayed ? MF_GRAYED : 0) | (flags & menuDisabled ? MF_DISABLED : 0) |
           (flags & menuChecked ? MF_CHECKED : 0) | (flags & menuPopup ? MF_POPUP : 0) |
           (flags & menuBarBreak ? MF_MENUBARBREAK : 0) | (flags & menuSeparator ? MF_SEPARATOR : 0);
}

class NativePopupMenu final : public PopupMenu {
public:
    NativePopupMenu() : menu_(CreatePopupMenu()) {}
    // A sub-menu goes with the menu it was appended to.
    ~NativePopupMenu() override {
        if (menu_ && !ownedByParent_) DestroyMenu(menu_);
    }
    void appendSeparator() override { AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr); }
    void appendItem(uint32_t flags, int32_t commandId, const char* text) override {
        AppendMenuA(menu_, MF_STRING | systemMenuFlags(flags), UINT_PTR(commandId), text ? text : "");
    }
    void appendSubMenu(uint32_t flags, PopupMenu& subMenu, const char* text) override {
        auto& sub = static_cast<NativePopupMenu&>(subMenu);
        if (AppendMenuA(menu_, MF_STRING | MF_POPUP | systemMenuFlags(flags), reinterpret_cast<UINT_PTR>(sub.menu_),
                        text ? text : ""))
            sub.ownedByParent_ = true;
    }
    HMENU handle() const { return menu_; }

private:
    HMENU menu_;
    bool ownedByParent_ = false;
};

// The edit window procedure that the system's one is subclassed with, kept for all fields.
WNDPROC systemEditProcedure = nullptr;

class NativeEditField final : public EditField {
public:
    NativeEditField(HWND owner, const EditFieldSetup& setup, EditFieldEvents* events) : events_(events) {
        const DWORD align = setup.alignment == 0 ? ES_LEFT : setup.alignment == 2 ? ES_RIGHT : ES_CENTER;
        const Rect& r = setup.rect;
        window_ = CreateWindowExA(0, "EDIT", setup.text ? setup.text : "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align,
                                  r.left, r.top, r.width(), r.height(), owner, nullptr, moduleInstance(), nullptr);
        if (!window_) return;
        const LOGFONTA font = logicalFont(setup.font);
        font_ = CreateFontIndirectA(&font);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        SendMessageA(window_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        SendMessageA(window_, EM_SETSEL, 0, -1);
        SendMessageA(window_, EM_LIMITTEXT, WPARAM(std::max(setup.limit, 0)), 0);
        auto previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NativeEditField::procedure)));
        if (!systemEditProcedure) systemEditProcedure = previous;
        SetFocus(window_);
    }

    ~NativeEditField() override {
        if (window_) {
            // No more events: destroying a focused field reports the loss of focus.
            SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
        if (font_) DeleteObject(font_);
    }

    std::size_t text(char* out, std::size_t capacity) const override {
        if (!out || capacity == 0) return 0;
        out[0] = 0;
        if (!window_) return 0;
        const int length = GetWindowTextA(window_, out, int(std::min<std::size_t>(capacity, 0x7FFFFFFF)));
        return length > 0 ? std::size_t(length) : 0;
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
        auto* self = reinterpret_cast<NativeEditField*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && self->events_) {
            // Either event may destroy the field and this object with it.
            if (message == WM_KILLFOCUS) {
                self->events_->onEditFocusLost();
            } else if (message == WM_KEYDOWN && wParam == VK_RETURN) {
                self->events_->onEditReturn();
            }
            if (!IsWindow(window)) return 0;
        }
        return CallWindowProcA(systemEditProcedure, window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    EditFieldEvents* events_;
};

} // namespace

std::unique_ptr<PopupMenu> NativeMenus::createPopupMenu() { return std::make_unique<NativePopupMenu>(); }

int32_t NativeMenus::track(PopupMenu& menu, bool rightButton, Point screen, Window* owner) {
    HWND window = owner ? static_cast<HWND>(owner->nativeHandle()) : nullptr;
    if (!window) return -1;
    const HMENU handle = static_cast<NativePopupMenu&>(menu).handle();
    if (!TrackPopupMenu(handle, rightButton ? TPM_RIGHTBUTTON : 0, screen.h, screen.v, 0, window, nullptr)) return -1;
    MSG message;
    if (PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE) && HIWORD(message.wParam) == 0)
        return LOWORD(message.wParam);
    return -1;
}

std::unique_ptr<EditField> NativeEditFields::create(Window* owner, const EditFieldSetup& setup,
                                                    EditFieldEvents* events) {
    HWND window = owner ? static_cast<HWND>(owner->nativeHandle()) : nullptr;
    if (!window) return nullptr;
    return std::make_unique<NativeEditField>(window, setup, events);
}

} // namespace zk::gui::platform::win32
