#pragma once

// The OLE drop target of the frame's window: file paths (shortcuts resolved to what they
// point at) or text, handed to the toolkit's drop target with the position in the window.

#include "gui/platform/Platform.h"

#include <ole2.h>

namespace zk::gui::platform::win32 {

class FrameDropTarget final : public IDropTarget {
public:
    FrameDropTarget(HWND window, DropTarget* target) : window_(window), target_(target) {}
    void forgetTarget() { target_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;

private:
    ~FrameDropTarget() = default;
    DWORD effectFor(DWORD keys) const;

    LONG references_ = 1;
    HWND window_;
    DropTarget* target_;
    bool acceptable_ = false;
};

} // namespace zk::gui::platform::win32
