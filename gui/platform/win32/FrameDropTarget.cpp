#include "gui/platform/win32/FrameDropTarget.h"

#include <shlobj.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

namespace zk::gui::platform::win32 {

namespace {

constexpr size_t kMaxPath = 1024;

FORMATETC formatOf(CLIPFORMAT format) { return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool offers(IDataObject* data, CLIPFORMAT format) {
    FORMATETC wanted = formatOf(format);
    return data && data->QueryGetData(&wanted) == S_OK;
}

// The target of a shell link, or the path itself when it is none or cannot be read.
std::string resolveShortcut(const std::string& path) {
    if (path.size() < 4 || _stricmp(path.c_str() + path.size() - 4, ".lnk") != 0) return path;
    std::string resolved = path;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t wide[kMaxPath] = {};
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, int(kMaxPath));
            char target[kMaxPath] = {};
            if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
                SUCCEEDED(link->GetPath(target, int(kMaxPath), nullptr, 0)) && target[0])
                resolved = target;
            file->Release();
        }
        link->Release();
    }
    return resolved;
}

} // namespace

HRESULT FrameDropTarget::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FrameDropTarget::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG FrameDropTarget::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
}

DWORD FrameDropTarget::effectFor(DWORD keys) const {
    if (!acceptable_) return DROPEFFECT_NONE;
    return (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

HRESULT FrameDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) {
    acceptable_ = offers(data, CF_HDROP) || offers(data, CF_TEXT);
    if (effect) *effect = effectFor(keys);
    return S_OK;
}

HRESULT FrameDropTarget::DragOver(DWORD keys, POINTL, DWORD* effect) {
    if (effect) *effect = effectFor(keys);
    return S_OK;
}

HRESULT FrameDropTarget::DragLeave() {
    acceptable_ = false;
    return S_OK;
}

HRESULT FrameDropTarget::Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) {
    if (effect) *effect = effectFor(keys);
    acceptable_ = false;
    if (!data || !target_) return S_OK;
    POINT point{where.x, where.y};
    ScreenToClient(window_, &point);

    std::vector<std::string> items;
    DropKind kind = DropKind::files;
    FORMATETC files = formatOf(CF_HDROP), text = formatOf(CF_TEXT);
    STGMEDIUM medium{};
    if (data->GetData(&files, &medium) == S_OK) {
        auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
        if (drop) {
            const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                char path[kMaxPath] = {};
                if (DragQueryFileA(drop, i, path, UINT(kMaxPath))) items.push_back(resolveShortcut(path));
            }
            GlobalUnlock(medium.hGlobal);
        }
        ReleaseStgMedium(&medium);
    } else if (data->GetData(&text, &medium) == S_OK) {
        kind = DropKind::text;
        const char* chars = static_cast<const char*>(GlobalLock(medium.hGlobal));
        if (chars) {
            // The block may lack a terminator: read no further than its size.
            const SIZE_T size = GlobalSize(medium.hGlobal);
            items.emplace_back(chars, strnlen(chars, size));
            GlobalUnlock(medium.hGlobal);
        }
        ReleaseStgMedium(&medium);
    }
    if (items.empty()) return S_OK;
    std::vector<const char*> pointers;
    for (const std::string& item : items) pointers.push_back(item.c_str());
    target_->onDrop(int32_t(pointers.size()), kind, pointers.data(), {point.x, point.y});
    return S_OK;
}

} // namespace zk::gui::platform::win32
