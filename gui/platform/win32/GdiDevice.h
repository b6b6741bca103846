#pragma once

// Device contexts and bitmaps over GDI.

#include "gui/platform/Platform.h"

#include <windows.h>

namespace zk::gui::platform::win32 {

// A colour as a 32-bit DIB keeps it (blue in the low byte), and back: the same swap.
inline uint32_t swapRedBlue(uint32_t c) { return (c & 0x00FF00) | ((c & 0xFF) << 16) | ((c >> 16) & 0xFF); }

// The system's description of a toolkit font, and back.
LOGFONTA logicalFont(const FontDesc& font);
FontDesc describeLogicalFont(const LOGFONTA& font);

class GdiPixmap final : public Pixmap {
public:
    GdiPixmap(HBITMAP bitmap, bool monochrome); // takes the bitmap over
    ~GdiPixmap() override;
    int32_t width() const override { return width_; }
    int32_t height() const override { return height_; }
    bool monochrome() const override { return monochrome_; }
    HBITMAP handle() const { return bitmap_; }

private:
    HBITMAP bitmap_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool monochrome_;
};

// A device context and the GDI objects this object selected into it. Whatever it created
// is deleted when replaced and when it goes; the objects that were selected before are put
// back. How the context itself is given back depends on where it came from.
class GdiDevice final : public Device {
public:
    enum class Origin { borrowed, windowDc, memoryDc };
    GdiDevice(HDC dc, Origin origin, HWND window = nullptr);
    ~GdiDevice() override;
    GdiDevice(const GdiDevice&) = delete;
    GdiDevice& operator=(const GdiDevice&) = delete;

    HDC dc() const { return dc_; }

    PenDesc currentPen() const override { return pen_; }
    BrushDesc currentBrush() const override { return brush_; }
    FontDesc currentFont() const override { return font_; }
    PenDesc selectPen(const PenDesc& pen) override;
    bool selectBrush(const BrushDesc& brush) override;
    FontDesc selectFont(const FontDesc& font) override;

    ColorRef setTextColor(ColorRef color) override { return SetTextColor(dc_, color & 0xFFFFFF); }
    ColorRef setBkColor(ColorRef color) override { return SetBkColor(dc_, color & 0xFFFFFF); }
    int32_t setBkMode(int32_t mode) override { return SetBkMode(dc_, mode); }
    ColorRef textColor() const override { return GetTextColor(dc_); }
    ColorRef bkColor() const override { return GetBkColor(dc_); }
    int32_t bkMode() const override { return GetBkMode(dc_); }

    void moveTo(int32_t x, int32_t y) override { MoveToEx(dc_, x, y, nullptr); }
    void lineTo(int32_t x, int32_t y) override { LineTo(dc_, x, y); }
    void fillRect(const Rect& rect) override;
    void drawText(const char* text, std::size_t length, const Rect& rect, uint32_t format) override;

    Pixmap* selectPixmap(Pixmap* pixmap) override;
    bool bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx, int32_t sy,
                RasterOp rop) override;
    bool transparentBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx,
                        int32_t sy, int32_t sw, int32_t sh, ColorRef key) override;

private:
    HDC dc_;
    Origin origin_;
    HWND window_;
    HGDIOBJ originalPen_, originalBrush_, originalFont_, originalBitmap_;
    HPEN ownPen_ = nullptr;
    HBRUSH ownBrush_ = nullptr;
    HFONT ownFont_ = nullptr;
    PenDesc pen_{};
    BrushDesc brush_{};
    FontDesc font_{};
    Pixmap* selectedPixmap_ = nullptr;
};

// TransparentBlt of "msimg32.dll", when the system has it.
using TransparentBltEntry = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);
TransparentBltEntry transparentBltEntry();

} // namespace zk::gui::platform::win32
