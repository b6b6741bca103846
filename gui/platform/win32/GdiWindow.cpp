#include "gui/platform/win32/GdiWindow.h"

#include "gui/platform/win32/FrameDropTarget.h"
#include "gui/platform/win32/GdiDevice.h"
#include "gui/platform/win32/ModuleInstance.h"
#include "gui/platform/win32/SystemDpi.h"

#include <ole2.h>
#include <windowsx.h>

namespace zk::gui::platform::win32 {

namespace {
// Not in older system headers.
constexpr UINT kDpiChanged = 0x02E0;            // a top-level window's monitor DPI; the new one in wParam
constexpr UINT kDpiChangedAfterParent = 0x02E3; // a child window's, after its parent's
} // namespace

bool GdiWindow::registerClass(const char* name) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = &GdiWindow::procedure;
    windowClass.hInstance = moduleInstance();
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0;
}

void GdiWindow::unregisterClass(const char* name) { UnregisterClassA(name, moduleInstance()); }

std::unique_ptr<GdiWindow> GdiWindow::create(HWND parent, const char* className, const char* title,
                                             const Rect& rect, WindowEvents* events) {
    std::unique_ptr<GdiWindow> window(new GdiWindow(events));
    // The object is known to the procedure from the first message on. The panel draws
    // itself at its monitor's scale: the system must not stretch it.
    PerMonitorDpiScope perMonitor;
    window->window_ = CreateWindowExA(0, className, title, WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.width(),
                                      rect.height(), parent, nullptr, moduleInstance(), window.get());
    if (!window->window_) return nullptr;
    return window;
}

GdiWindow::~GdiWindow() {
    revokeDropTarget();
    events_ = nullptr;
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (editBrush_) DeleteObject(editBrush_);
}

Point GdiWindow::screenOrigin() const {
    RECT r{};
    if (window_) GetWindowRect(window_, &r);
    return {r.left, r.top};
}

std::unique_ptr<Device> GdiWindow::acquireDevice() {
    HDC dc = window_ ? GetDC(window_) : nullptr;
    if (!dc) return nullptr;
    return std::make_unique<GdiDevice>(dc, GdiDevice::Origin::windowDc, window_);
}

float GdiWindow::systemScale() const { return windowDpiScale(window_); }

void GdiWindow::processEvents() {
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
}

bool GdiWindow::resize(int32_t width, int32_t height) {
    return window_ && width > 0 && height > 0 &&
           SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool GdiWindow::registerDropTarget(DropTarget* target) {
    if (!window_ || dropTarget_ || !target) return false;
    const HRESULT started = OleInitialize(nullptr);
    oleStarted_ = SUCCEEDED(started);
    dropTarget_ = new FrameDropTarget(window_, target);
    if (RegisterDragDrop(window_, dropTarget_) != S_OK) {
        dropTarget_->Release();
        dropTarget_ = nullptr;
        if (oleStarted_) OleUninitialize();
        oleStarted_ = false;
        return false;
    }
    return true;
}

void GdiWindow::revokeDropTarget() {
    if (!dropTarget_) return;
    dropTarget_->forgetTarget();
    if (window_) RevokeDragDrop(window_);
    dropTarget_->Release();
    dropTarget_ = nullptr;
    if (oleStarted_) OleUninitialize();
    oleStarted_ = false;
}

LRESULT CALLBACK GdiWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<GdiWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<GdiWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT GdiWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
    case WM_PAINT: {
        RECT update{};
        if (!GetUpdateRect(window, &update, FALSE)) return 0;
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        if (dc && events_) {
            GdiDevice device(dc, GdiDevice::Origin::borrowed);
            const RECT& r = paint.rcPaint;
            events_->onPaint(device, {r.left, r.top, r.right, r.bottom});
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (events_) {
            const int32_t button = message == WM_LBUTTONDOWN ? 1 : message == WM_RBUTTONDOWN ? 4 : 2;
            // Held, the button keeps the pointer's moves and its release coming here, even
            // outside the window.
            SetCapture(window);
            events_->onButtonDown(button, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && GetCapture() == window)
            ReleaseCapture();
        if (events_) {
            const int32_t button = message == WM_LBUTTONUP ? 1 : message == WM_RBUTTONUP ? 4 : 2;
            events_->onButtonUp(button, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        }
        return 0;
    case WM_CAPTURECHANGED:
        // Taken by another window (a menu, the system) while a button was held.
        if (events_ && reinterpret_cast<HWND>(lParam) != window) events_->onPointerCaptureLost();
        return 0;
    case WM_MOUSEMOVE:
        if (!leaveTracked_) {
            TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
            leaveTracked_ = TrackMouseEvent(&track) != FALSE;
        }
        if (events_) events_->onPointerMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MOUSELEAVE:
        leaveTracked_ = false;
        if (events_) events_->onPointerLeave();
        return 0;
    case WM_CTLCOLOREDIT: {
        ColorRef text = 0, back = 0;
        if (!events_ || !events_->editFieldColors(text, back)) break;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, text);
        SetBkColor(dc, back);
        if (editBrush_) DeleteObject(editBrush_);
        editBrush_ = CreateSolidBrush(back);
        return reinterpret_cast<LRESULT>(editBrush_);
    }
    case kDpiChanged:
        if (events_ && LOWORD(wParam)) events_->onScaleChanged(float(LOWORD(wParam)) / 96.0f);
        return 0; // the size is the panel's to decide, not the suggested rectangle's
    case kDpiChangedAfterParent:
        if (events_) {
            const float scale = windowDpiScale(window);
            if (scale > 0) events_->onScaleChanged(scale);
        }
        return 0;
    case WM_DESTROY:
        if (events_) events_->onDestroy();
        break;
    case WM_NCDESTROY:
        // Torn down by its parent: nothing of the window may be used any more.
        revokeDropTarget();
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace zk::gui::platform::win32
