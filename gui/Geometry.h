#pragma once

#include <cstdint>

namespace zk::gui {

// A point in pixels, y growing downward.
struct Point {
    int32_t h = 0;
    int32_t v = 0;

    bool operator==(const Point&) const = default;
};

// A rectangle whose right and bottom edges count as inside for hit tests.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    Point topLeft() const { return {left, top}; }
    // left <= h <= right and top <= v <= bottom.
    bool contains(Point p) const { return p.h >= left && p.h <= right && p.v >= top && p.v <= bottom; }
    // Neither lies wholly to one side of the other; touching edges overlap.
    bool overlaps(const Rect& o) const {
        return !(o.right < left || o.left > right || o.bottom < top || o.top > bottom);
    }
    Rect offsetBy(int32_t dh, int32_t dv) const { return {left + dh, top + dv, right + dh, bottom + dv}; }

    bool operator==(const Rect&) const = default;
};

// Red, green, blue and a fourth byte that is carried along but never drawn.
struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t unused = 0;

    // Packed as the system wants it: red | green << 8 | blue << 16.
    uint32_t packed() const { return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16; }
    static Color fromPacked(uint32_t c) { return {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0}; }
    // The fourth byte takes no part in comparisons.
    bool operator==(const Color& o) const { return red == o.red && green == o.green && blue == o.blue; }
};

// The standard colours, filled in by static initialisation.
extern Color colorBlack;
extern Color colorWhite;
extern Color colorGrey;
extern Color colorRed;
extern Color colorGreen;
extern Color colorBlue;
extern Color colorYellow;
extern Color colorMagenta;
extern Color colorCyan;
extern Color colorTransparentKey;

// Font ids of the font table.
enum FontId : int32_t {
    fontSystem = 0,
    fontBig = 1,
    fontNormal = 2,
    fontSmall = 3,
    fontSmaller = 4,
    fontVerySmall = 5,
    fontTiny = 6,
    fontSymbol = 7,
};
constexpr int32_t fontCount = 8;

struct FontTableEntry {
    const char* face;
    int32_t defaultHeight;
};
extern const FontTableEntry fontTable[fontCount];

// Face style bits used with a font.
constexpr int32_t faceBold = 1;
constexpr int32_t faceItalic = 2;
constexpr int32_t faceUnderline = 4;

// The mouse-button and modifier bit set.
constexpr int32_t buttonLeft = 1;
constexpr int32_t buttonMiddle = 2;
constexpr int32_t buttonRight = 4;
constexpr int32_t modifierShift = 8;
constexpr int32_t modifierControl = 16;
constexpr int32_t modifierAlt = 32;

// Set by the first frame that registers the window class.
extern bool swapMouseButtons;

} // namespace zk::gui
