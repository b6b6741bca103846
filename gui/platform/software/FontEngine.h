#pragma once

#include "gui/platform/software/SoftPixmap.h"

#include <cstddef>

namespace zk::gui::platform::software {

struct TextExtent {
    int32_t width = 0;   // sum of the advances
    int32_t ascent = 0;  // baseline below the line's top
    int32_t height = 0;  // ascent + descent
};

// Single-line text with FreeType over the faces built into the binary: every face name maps
// to the sans family, whose widths match the panel's "Arial". Glyphs are rendered without
// smoothing so that a pixel is either ink or untouched.
class FontEngine {
public:
    static FontEngine& instance();

    bool ready() const { return ready_; }
    TextExtent measure(const FontDesc& font, const char* text, std::size_t length);
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
