#include "gui/platform/software/FontEngine.h"

#include "gui/platform/software/EmbeddedFonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>

namespace zk::gui::platform::software {

namespace {

// The code points of bytes 0x80..0x9F in the Windows Latin-1 code page.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t codePoint(unsigned char c) { return (c >= 0x80 && c < 0xA0) ? kHighControls[c - 0x80] : c; }

// Grid hinting is that for one-bit output whatever the rendering: the widths the panel was
// laid out with.
FT_Int32 loadFlags(Hinting hinting) {
    return FT_LOAD_DEFAULT | (hinting == Hinting::grid ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
}

} // namespace

struct FontEngine::Impl {
    FT_Library library = nullptr;
    FT_Face faces[4] = {}; // regular, bold, italic, bold italic

    FT_Face select(const FontDesc& font) {
        const int index = (font.weight >= 600 ? 1 : 0) + (font.italic ? 2 : 0);
        FT_Face face = faces[index];
        int32_t pixels = 12;
        if (font.height < 0) {
            pixels = -font.height;
        } else if (font.height > 0) {
            // A cell height: scale so that ascent plus descent fills it.
            const int32_t cell = face->ascender - face->descender;
            pixels = std::max<int32_t>(1, int32_t((int64_t(font.height) * face->units_per_EM + cell / 2) / cell));
        }
        FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::clamp<int32_t>(pixels, 1, 2000)));
        return face;
    }
};

FontEngine& FontEngine::instance() {
    static FontEngine engine;
    return engine;
}

FontEngine::FontEngine() : impl_(new Impl) {
    if (FT_Init_FreeType(&impl_->library) != 0)
        return;
    const EmbeddedFont* sources[4] = {&fonts::sansRegular(), &fonts::sansBold(), &fonts::sansItalic(),
                                      &fonts::sansBoldItalic()};
    for (int i = 0; i < 4; ++i)
        if (FT_New_Memory_Face(impl_->library, sources[i]->data, FT_Long(sources[i]->size), 0,
                               &impl_->faces[i]) != 0)
            return;
    ready_ = true;
}

FontEngine::~FontEngine() {
    for (FT_Face face : impl_->faces)
        if (face)
            FT_Done_Face(face);
    if (impl_->library)
        FT_Done_FreeType(impl_->library);
    delete impl_;
}

TextExtent FontEngine::measure(const FontDesc& font, const char* text, std::size_t length, Hinting hinting) {
    TextExtent extent;
    if (!ready_)
        return extent;
    FT_Face face = impl_->select(font);
    extent.ascent = int32_t((face->size->metrics.ascender + 63) >> 6);
    extent.height = extent.ascent + int32_t((-face->size->metrics.descender + 63) >> 6);
    for (std::size_t i = 0; text && i < length; ++i) {
        if (FT_Load_Char(face, codePoint(static_cast<unsigned char>(text[i])),
                         loadFlags(hinting)) != 0)
            continue;
        extent.width += int32_t((face->glyph->advance.x + 32) >> 6);
    }
    return extent;
}

namespace {

// One channel of ink laid over back by coverage 0..255.
uint32_t blendChannel(uint32_t back, uint32_t ink, uint32_t coverage) {
    return (back * (255 - coverage) + ink * coverage + 127) / 255;
}

ColorRef blend(ColorRef back, ColorRef ink, uint8_t coverage) {
    ColorRef out = 0;
    for (int shift : {0, 8, 16})
        out |= blendChannel((back >> shift) & 0xFF, (ink >> shift) & 0xFF, coverage) << shift;
    return out;
}

struct Placement {
    int32_t x, top, baseline;
};

Placement place(const TextExtent& extent, const Rect& rect, uint32_t format) {
    int32_t x = rect.left;
    if (format & textCenter)
        x = rect.left + (rect.width() - extent.width) / 2;
    else if (format & textRight)
        x = rect.right - extent.width;
    int32_t top = rect.top;
    if (format & textVCenter)
        top = rect.top + (rect.height() - extent.height) / 2;
    return {x, top, top + extent.ascent};
}

} // namespace

void FontEngine::renderCoverage(const FontDesc& font, const char* text, std::size_t length, const Rect& rect,
                                uint32_t format, const CoverageSink& sink, Hinting hinting) {
    if (!ready_ || !text)
        return;
    const Placement at = place(measure(font, text, length, hinting), rect, format);
    FT_Face face = impl_->faces[(font.weight >= 600 ? 1 : 0) + (font.italic ? 2 : 0)];
    int32_t pen = at.x;
    for (std::size_t i = 0; i < length; ++i) {
        if (FT_Load_Char(face, codePoint(static_cast<unsigned char>(text[i])), loadFlags(hinting)) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 && slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_Bitmap& bitmap = slot->bitmap;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                const unsigned char* line = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
                const int32_t py = at.baseline - slot->bitmap_top + int32_t(row);
                for (unsigned col = 0; col < bitmap.width; ++col) {
                    const int32_t px = pen + slot->bitmap_left + int32_t(col);
                    if (line[col] != 0 && px >= rect.left && px < rect.right && py >= rect.top && py < rect.bottom)
                        sink(px, py, line[col]);
                }
            }
        }
        pen += int32_t((slot->advance.x + 32) >> 6);
    }
}

void FontEngine::drawText(SoftPixmap& target, const FontDesc& font, const char* text,
                          std::size_t length, const Rect& rect, uint32_t format, ColorRef ink,
                          bool opaque, ColorRef back) {
    if (!ready_ || !text)
        return;
    const TextExtent extent = measure(font, text, length);
    const Placement at = place(extent, rect, format);
    FT_Face face = impl_->faces[(font.weight >= 600 ? 1 : 0) + (font.italic ? 2 : 0)];

    // Everything stays inside the rectangle (right and bottom excluded) and the pixmap.
    const int32_t clipLeft = std::max(rect.left, 0), clipTop = std::max(rect.top, 0);
    const int32_t clipRight = std::min(rect.right, target.width());
    const int32_t clipBottom = std::min(rect.bottom, target.height());
    auto plot = [&](int32_t px, int32_t py, ColorRef c) {
        if (px >= clipLeft && px < clipRight && py >= clipTop && py < clipBottom)
            target.set(px, py, c);
    };

    if (opaque)
        for (int32_t py = at.top; py < at.top + extent.height; ++py)
            for (int32_t px = at.x; px < at.x + extent.width; ++px)
                plot(px, py, back);

    renderCoverage(font, text, length, rect, format, [&](int32_t px, int32_t py, uint8_t coverage) {
        if (target.inside(px, py))
            target.set(px, py, blend(target.at(px, py), ink, coverage));
    });

    if (font.underline) {
        const FT_Fixed scale = face->size->metrics.y_scale;
        const int32_t below = std::max<int32_t>(1, int32_t((-FT_MulFix(face->underline_position, scale) + 32) >> 6));
        const int32_t thickness = std::max<int32_t>(1, int32_t((FT_MulFix(face->underline_thickness, scale) + 32) >> 6));
        for (int32_t py = at.baseline + below; py < at.baseline + below + thickness; ++py)
            for (int32_t px = at.x; px < at.x + extent.width; ++px)
                plot(px, py, ink);
    }
}

} // namespace zk::gui::platform::software
