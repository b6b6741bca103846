#pragma once

#include "gui/platform/software/SoftPixmap.h"

#include <cstddef>
#include <functional>

namespace zk::gui::platform::software {

struct TextExtent {
    int32_t width = 0;   // sum of the advances
    int32_t ascent = 0;  // baseline below the line's top
    int32_t height = 0;  // ascent + descent
};

// How outlines are fitted to the pixels: grid hinting keeps stems on whole pixels and the
// widths of one-bit text (the run-time default); light hinting only aligns heights, so text
// keeps its design widths at every size (the generator's printed names).
enum class Hinting { grid, light };

// Single-line text with FreeType over the faces built into the binary: every face name maps
// to the sans family, whose widths match the panel's "Arial". Glyphs are rendered in FreeType's
// grey levels and the ink is laid over what is under it by each pixel's coverage, so edges
// are smooth at every size. Outlines are hinted as for one-bit output: stems stay on whole
// pixels (crisp small text) and the advances, hence every measured width, stay as they were
// with one-bit glyphs.
class FontEngine {
public:
    static FontEngine& instance();

    bool ready() const { return ready_; }
    TextExtent measure(const FontDesc& font, const char* text, std::size_t length, Hinting hinting = Hinting::grid);
    // Where the text laid out in rect (aligned as format says) puts ink: every pixel inside
    // rect (right and bottom excluded) that a glyph covers, with its coverage 1..255.
    using CoverageSink = std::function<void(int32_t x, int32_t y, uint8_t coverage)>;
    void renderCoverage(const FontDesc& font, const char* text, std::size_t length, const Rect& rect,
                        uint32_t format, const CoverageSink& sink, Hinting hinting = Hinting::grid);
    // rect is clipped to as well as aligned in; an opaque background fills the text's box.
    void drawText(SoftPixmap& target, const FontDesc& font, const char* text, std::size_t length,
                  const Rect& rect, uint32_t format, ColorRef ink, bool opaque, ColorRef back);

    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

private:
    FontEngine();
    ~FontEngine();
    struct Impl;
    Impl* impl_;
    bool ready_ = false;
};

} // namespace zk::gui::platform::software
