#pragma once

// The frame's child window: its window class and procedure, and the device contexts,
// drop target and edit-field colours that go with it. The window is per-monitor DPI aware
// and tells its owner when its monitor's DPI changes.

#include "gui/platform/Platform.h"

#include <windows.h>

namespace zk::gui::platform::win32 {

class FrameDropTarget;

class GdiWindow final : public Window {
public:
    // Null when the system refuses the window.
    static std::unique_ptr<GdiWindow> create(HWND parent, const char* className, const char* title,
                                             const Rect& rect, WindowEvents* events);
    ~GdiWindow() override;

    Point screenOrigin() const override;
    std::unique_ptr<Device> acquireDevice() override;
    bool registerDropTarget(DropTarget* target) override;
    void revokeDropTarget() override;
    void detachEvents() override { events_ = nullptr; }
    void* nativeHandle() override { return window_; }
    // Inside a control's mouse-tracking loop the host's loop does not run: one pending
    // paint of the thread is dispatched, so that uncovered parts are drawn again.
    void processEvents() override;
    float systemScale() const override;
    bool resize(int32_t width, int32_t height) override;

    static bool registerClass(const char* name);
    static void unregisterClass(const char* name);

private:
    GdiWindow(WindowEvents* events) : events_(events) {}
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WindowEvents* events_;
    FrameDropTarget* dropTarget_ = nullptr;
    bool oleStarted_ = false;
    HBRUSH editBrush_ = nullptr; // the brush handed out for the open edit field
    bool leaveTracked_ = false;  // WM_MOUSELEAVE asked for since the pointer came in
};

} // namespace zk::gui::platform::win32
