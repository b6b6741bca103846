#include "gui/platform/win32/GdiDevice.h"

#include <cstring>
#include <iterator>

namespace zk::gui::platform::win32 {

namespace {

PenDesc describePen(HGDIOBJ object) {
    LOGPEN pen{};
    PenDesc out;
    if (object && GetObjectA(object, sizeof pen, &pen) == sizeof pen) {
        out.style = pen.lopnStyle == PS_NULL ? PenStyle::none : pen.lopnStyle == PS_DOT ? PenStyle::dot : PenStyle::solid;
        out.width = pen.lopnWidth.x;
        out.color = pen.lopnColor;
    }
    return out;
}

BrushDesc describeBrush(HGDIOBJ object) {
    LOGBRUSH brush{};
    BrushDesc out;
    if (object && GetObjectA(object, sizeof brush, &brush) == sizeof brush) {
        out.none = brush.lbStyle == BS_NULL;
        out.color = brush.lbColor;
    }
    return out;
}

FontDesc describeFont(HGDIOBJ object) {
    LOGFONTA font{};
    if (object && GetObjectA(object, sizeof font, &font) == sizeof font) return describeLogicalFont(font);
    return {};
}

constexpr BYTE kFamilies[] = {FF_DONTCARE, FF_ROMAN, FF_SWISS, FF_MODERN, FF_SCRIPT, FF_DECORATIVE};
constexpr BYTE kPitches[] = {DEFAULT_PITCH, FIXED_PITCH, VARIABLE_PITCH};
constexpr BYTE kQualities[] = {DEFAULT_QUALITY, NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY};

} // namespace

// Western characters, outlines matched by their strokes: what the toolkit's text asks of GDI.
LOGFONTA logicalFont(const FontDesc& font) {
    LOGFONTA setup{};
    setup.lfHeight = font.height;
    setup.lfWeight = font.weight;
    setup.lfItalic = font.italic;
    setup.lfUnderline = font.underline;
    setup.lfCharSet = ANSI_CHARSET;
    setup.lfOutPrecision = OUT_STRING_PRECIS;
    setup.lfClipPrecision = CLIP_STROKE_PRECIS;
    setup.lfQuality = kQualities[std::size_t(font.smoothing) % std::size(kQualities)];
    setup.lfPitchAndFamily = BYTE(kFamilies[std::size_t(font.family) % std::size(kFamilies)] |
                                  kPitches[std::size_t(font.pitch) % std::size(kPitches)]);
    std::memcpy(setup.lfFaceName, font.faceName, sizeof setup.lfFaceName);
    setup.lfFaceName[sizeof setup.lfFaceName - 1] = 0;
    return setup;
}

FontDesc describeLogicalFont(const LOGFONTA& font) {
    FontDesc out;
    out.height = font.lfHeight;
    out.weight = font.lfWeight;
    out.italic = font.lfItalic != 0;
    out.underline = font.lfUnderline != 0;
    for (std::size_t i = 0; i < std::size(kFamilies); ++i)
        if ((font.lfPitchAndFamily & 0xF0) == kFamilies[i]) out.family = FontFamily(i);
    for (std::size_t i = 0; i < std::size(kPitches); ++i)
        if ((font.lfPitchAndFamily & 0x03) == kPitches[i]) out.pitch = FontPitch(i);
    for (std::size_t i = 0; i < std::size(kQualities); ++i)
        if (font.lfQuality == kQualities[i]) out.smoothing = FontSmoothing(i);
    std::memcpy(out.faceName, font.lfFaceName, sizeof out.faceName);
    out.faceName[sizeof out.faceName - 1] = 0;
    return out;
}

GdiPixmap::GdiPixmap(HBITMAP bitmap, bool monochrome) : bitmap_(bitmap), monochrome_(monochrome) {
    BITMAP info{};
    if (bitmap_ && GetObjectA(bitmap_, sizeof info, &info) == sizeof info) {
        width_ = info.bmWidth;
        height_ = info.bmHeight;
        monochrome_ = monochrome_ || info.bmBitsPixel == 1;
    }
}

GdiPixmap::~GdiPixmap() {
    if (bitmap_) DeleteObject(bitmap_);
}

GdiDevice::GdiDevice(HDC dc, Origin origin, HWND window) : dc_(dc), origin_(origin), window_(window) {
    originalPen_ = GetCurrentObject(dc_, OBJ_PEN);
    originalBrush_ = GetCurrentObject(dc_, OBJ_BRUSH);
    originalFont_ = GetCurrentObject(dc_, OBJ_FONT);
    originalBitmap_ = origin_ == Origin::memoryDc ? GetCurrentObject(dc_, OBJ_BITMAP) : nullptr;
    pen_ = describePen(originalPen_);
    brush_ = describeBrush(originalBrush_);
    font_ = describeFont(originalFont_);
}

GdiDevice::~GdiDevice() {
    if (dc_) {
        SelectObject(dc_, originalPen_);
        SelectObject(dc_, originalBrush_);
        SelectObject(dc_, originalFont_);
        if (originalBitmap_) SelectObject(dc_, originalBitmap_);
    }
    if (ownPen_) DeleteObject(ownPen_);
    if (ownBrush_) DeleteObject(ownBrush_);
    if (ownFont_) DeleteObject(ownFont_);
    if (origin_ == Origin::memoryDc && dc_) DeleteDC(dc_);
    if (origin_ == Origin::windowDc && dc_) ReleaseDC(window_, dc_);
}

PenDesc GdiDevice::selectPen(const PenDesc& pen) {
    const PenDesc previous = pen_;
    HPEN created = nullptr;
    HGDIOBJ chosen = nullptr;
    if (pen.style == PenStyle::none) {
        chosen = GetStockObject(NULL_PEN);
    } else {
        LOGPEN setup{UINT(pen.style), {pen.width, 0}, pen.color & 0xFFFFFF};
        created = CreatePenIndirect(&setup);
        chosen = created;
    }
    if (!chosen) return previous;
    SelectObject(dc_, chosen);
    if (ownPen_) DeleteObject(ownPen_);
    ownPen_ = created;
    pen_ = pen;
    return previous;
}

bool GdiDevice::selectBrush(const BrushDesc& brush) {
    HBRUSH created = nullptr;
    HGDIOBJ chosen = nullptr;
    if (brush.none) {
        chosen = GetStockObject(NULL_BRUSH);
    } else {
        LOGBRUSH setup{BS_SOLID, brush.color & 0xFFFFFF, 0};
        created = CreateBrushIndirect(&setup);
        chosen = created;
    }
    if (!chosen) return false;
    SelectObject(dc_, chosen);
    if (ownBrush_) DeleteObject(ownBrush_);
    ownBrush_ = created;
    brush_ = brush;
    return true;
}

FontDesc GdiDevice::selectFont(const FontDesc& font) {
    const FontDesc previous = font_;
    const LOGFONTA setup = logicalFont(font);
    HFONT created = CreateFontIndirectA(&setup);
    if (!created) return previous;
    SelectObject(dc_, created);
    if (ownFont_) DeleteObject(ownFont_);
    ownFont_ = created;
    font_ = font;
    return previous;
}

void GdiDevice::fillRect(const Rect& rect) {
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc_, &area, static_cast<HBRUSH>(GetCurrentObject(dc_, OBJ_BRUSH)));
}

// The format bits are the system's own DT_ values.
void GdiDevice::drawText(const char* text, std::size_t length, const Rect& rect, uint32_t format) {
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    DrawTextA(dc_, text, int(length), &area, format);
}

Pixmap* GdiDevice::selectPixmap(Pixmap* pixmap) {
    Pixmap* previous = selectedPixmap_;
    if (origin_ != Origin::memoryDc) return previous;
    auto* gdi = static_cast<GdiPixmap*>(pixmap);
    SelectObject(dc_, gdi ? static_cast<HGDIOBJ>(gdi->handle()) : originalBitmap_);
    selectedPixmap_ = pixmap;
    return previous;
}

bool GdiDevice::bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx, int32_t sy,
                       RasterOp rop) {
    const DWORD code = rop == RasterOp::invert ? SRCINVERT : rop == RasterOp::mask ? SRCAND : SRCCOPY;
    return BitBlt(dc_, x, y, w, h, static_cast<GdiDevice&>(source).dc(), sx, sy, code) != 0;
}

bool GdiDevice::transparentBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx, int32_t sy,
                               int32_t sw, int32_t sh, ColorRef key) {
    TransparentBltEntry entry = transparentBltEntry();
    return entry && entry(dc_, x, y, w, h, static_cast<GdiDevice&>(source).dc(), sx, sy, sw, sh, key & 0xFFFFFF);
}

TransparentBltEntry transparentBltEntry() {
    // Looked up once: the library stays loaded while the module is, since bitmaps of any
    // frame may use it.
    static const TransparentBltEntry entry = []() -> TransparentBltEntry {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        const bool nt = GetVersionExA(&version) && version.dwPlatformId >= VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
        HMODULE library = nt ? LoadLibraryA("msimg32.dll") : nullptr;
        return library ? reinterpret_cast<TransparentBltEntry>(reinterpret_cast<void*>(GetProcAddress(library, "TransparentBlt")))
                       : nullptr;
    }();
    return entry;
}

} // namespace zk::gui::platform::win32
