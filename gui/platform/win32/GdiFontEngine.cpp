// The font engine that the artwork generator draws its names with, on Windows: the same
// interface as the software back end's (single-line text into a pixmap in memory), drawn
// by GDI with the system's fonts. Text drawn into a pixmap is unsmoothed (a pixel is ink or
// untouched); coverage for the generator's names is GDI's anti-aliased grey levels.

#include "gui/platform/software/FontEngine.h"
#include "gui/platform/win32/GdiDevice.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace zk::gui::platform::software {

namespace {

HFONT createFont(FontDesc font, FontSmoothing smoothing = FontSmoothing::none) {
    font.smoothing = smoothing;
    const LOGFONTA description = win32::logicalFont(font);
    return CreateFontIndirectA(&description);
}

// 32-bit pixels whose rows run top-down, as a pixmap's.
HBITMAP topDownDib(HDC dc, int32_t width, int32_t height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

} // namespace

struct FontEngine::Impl {
    std::mutex lock; // one memory device serves every call
    HDC dc = nullptr;
};

FontEngine& FontEngine::instance() {
    static FontEngine engine;
    return engine;
}

FontEngine::FontEngine() : impl_(new Impl) {
    impl_->dc = CreateCompatibleDC(nullptr);
    ready_ = impl_->dc != nullptr;
}

FontEngine::~FontEngine() {
    if (impl_->dc) DeleteDC(impl_->dc);
    delete impl_;
}

TextExtent FontEngine::measure(const FontDesc& font, const char* text, std::size_t length, Hinting) {
    TextExtent extent;
    if (!ready_) return extent;
    std::lock_guard<std::mutex> turn(impl_->lock);
    HFONT handle = createFont(font);
    HGDIOBJ previous = SelectObject(impl_->dc, handle);
    TEXTMETRICA metrics{};
    GetTextMetricsA(impl_->dc, &metrics);
    SIZE size{};
    if (text && length) GetTextExtentPoint32A(impl_->dc, text, int(length), &size);
    SelectObject(impl_->dc, previous);
    DeleteObject(handle);
    extent.width = size.cx;
    extent.ascent = metrics.tmAscent;
    extent.height = metrics.tmHeight;
    return extent;
}

void FontEngine::drawText(SoftPixmap& target, const FontDesc& font, const char* text, std::size_t length,
                          const Rect& rect, uint32_t format, ColorRef ink, bool opaque, ColorRef back) {
    if (!ready_ || !text || target.monochrome() || target.width() <= 0 || target.height() <= 0) return;
    std::lock_guard<std::mutex> turn(impl_->lock);
    // The target's pixels go through a DIB of the same size, which GDI draws into.
    void* bits = nullptr;
    HBITMAP dib = topDownDib(impl_->dc, target.width(), target.height(), &bits);
    if (!dib || !bits) return;
    auto* pixels = static_cast<uint32_t*>(bits);
    const std::size_t count = std::size_t(target.width()) * std::size_t(target.height());
    for (std::size_t i = 0; i < count; ++i) pixels[i] = win32::swapRedBlue(target.pixels()[i]);

    HGDIOBJ previousBitmap = SelectObject(impl_->dc, dib);
    HFONT handle = createFont(font);
    HGDIOBJ previousFont = SelectObject(impl_->dc, handle);
    SetTextColor(impl_->dc, ink);
    SetBkColor(impl_->dc, back);
    SetBkMode(impl_->dc, opaque ? OPAQUE : TRANSPARENT);
    RECT box{rect.left, rect.top, rect.right, rect.bottom};
    // The toolkit's text format bits are the system's.
    DrawTextA(impl_->dc, text, int(length), &box, UINT(format));
    GdiFlush();
    SelectObject(impl_->dc, previousFont);
    SelectObject(impl_->dc, previousBitmap);
    DeleteObject(handle);

    for (std::size_t i = 0; i < count; ++i) target.pixels()[i] = win32::swapRedBlue(pixels[i]) & 0xFFFFFF;
    DeleteObject(dib);
}

void FontEngine::renderCoverage(const FontDesc& font, const char* text, std::size_t length, const Rect& rect,
                                uint32_t format, const CoverageSink& sink, Hinting) {
    const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (!ready_ || !text || w <= 0 || h <= 0) return;
    std::lock_guard<std::mutex> turn(impl_->lock);
    // White on black in a DIB of the rectangle's size: a pixel's level is the glyph's coverage.
    void* bits = nullptr;
    HBITMAP dib = topDownDib(impl_->dc, w, h, &bits);
    if (!dib || !bits) return;
    auto* pixels = static_cast<uint32_t*>(bits);
    std::fill(pixels, pixels + std::size_t(w) * std::size_t(h), 0u);

    HGDIOBJ previousBitmap = SelectObject(impl_->dc, dib);
    HFONT handle = createFont(font, FontSmoothing::antialiased);
    HGDIOBJ previousFont = SelectObject(impl_->dc, handle);
    SetTextColor(impl_->dc, RGB(255, 255, 255));
    SetBkMode(impl_->dc, TRANSPARENT);
    RECT box{0, 0, w, h};
    DrawTextA(impl_->dc, text, int(length), &box, UINT(format));
    GdiFlush();
    SelectObject(impl_->dc, previousFont);
    SelectObject(impl_->dc, previousBitmap);
    DeleteObject(handle);

    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (const auto level = uint8_t((pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] >> 8) & 0xFF))
                sink(rect.left + x, rect.top + y, level);
    DeleteObject(dib);
}

} // namespace zk::gui::platform::software
