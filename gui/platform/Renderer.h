#pragma once

// The renderer half of the toolkit's platform seam: devices, pixmaps, text and blits. How
// the toolkit uses it:
// 1. Pictures: loadBitmap (or loadScaledBitmap at a panel's scale) gives a pixmap; a
//    memory device selects it (selectPixmap) to be read from or drawn into.
// 2. Drawing: a device (a window's, from the windowing half, or a memory one) takes pens,
//    brushes and fonts described by the toolkit's own values, and draws lines, rectangles
//    and single-line text; bitBlt and transparentBlt copy between devices.
// 3. Each back end maps these values (raster operations, font families, pitches and
//    smoothing) to its system's.
// Every entry is [main]: the panel's thread.

#include "gui/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zk::gui::platform {

using ColorRef = uint32_t; // red | green << 8 | blue << 16

enum class PenStyle : int32_t { solid = 0, dot = 2, none = 5 };

struct PenDesc {
    PenStyle style = PenStyle::solid;
    int32_t width = 1;
    ColorRef color = 0;
};

struct BrushDesc {
    bool none = false; // a hollow brush paints nothing
    ColorRef color = 0xFFFFFF;
};

// What a font is like, for a system that picks the face when the named one is missing.
enum class FontFamily : uint8_t { any, serif, sans, monospace, script, decorative };
enum class FontPitch : uint8_t { any, fixed, variable };
// How the system draws the glyphs' edges: its own default, never smoothed, or grey levels.
enum class FontSmoothing : uint8_t { standard, none, antialiased };

// The logical font a device selects.
struct FontDesc {
    int32_t height = 0; // negative: character height in pixels; positive: cell height
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    FontFamily family = FontFamily::any;
    FontPitch pitch = FontPitch::any;
    FontSmoothing smoothing = FontSmoothing::standard;
    char faceName[32] = {};
};

enum BackgroundMode : int32_t { bkTransparent = 1, bkOpaque = 2 };

// Text format bits.
constexpr uint32_t textLeft = 0x0;
constexpr uint32_t textCenter = 0x1;
constexpr uint32_t textRight = 0x2;
constexpr uint32_t textVCenter = 0x4;
constexpr uint32_t textSingleLine = 0x20;
constexpr uint32_t textNoPrefix = 0x800;

// How a block copy combines the source with the destination.
enum class RasterOp : uint8_t {
    copy,      // the source's pixels
    invert,    // destination XOR source
    mask,      // destination AND source
};

// Pixels that a memory device can select: colour ones or 1-bit masks.
class Pixmap {
public:
    virtual ~Pixmap() = default;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual bool monochrome() const = 0;
};

// A device context: the current pen, brush, font, colours and position, drawing into a
// window or into the pixmap a memory device has selected.
class Device {
public:
    virtual ~Device() = default;

    virtual PenDesc currentPen() const = 0;
    virtual BrushDesc currentBrush() const = 0;
    virtual FontDesc currentFont() const = 0;
    virtual PenDesc selectPen(const PenDesc& pen) = 0; // returns the previous pen
    virtual bool selectBrush(const BrushDesc& brush) = 0; // false: the old brush stays
    virtual FontDesc selectFont(const FontDesc& font) = 0;

    virtual ColorRef setTextColor(ColorRef color) = 0; // each setter returns the previous value
    virtual ColorRef setBkColor(ColorRef color) = 0;
    virtual int32_t setBkMode(int32_t mode) = 0;
    virtual ColorRef textColor() const = 0;
    virtual ColorRef bkColor() const = 0;
    virtual int32_t bkMode() const = 0;

    virtual void moveTo(int32_t x, int32_t y) = 0;
    virtual void lineTo(int32_t x, int32_t y) = 0; // the end pixel is not painted
    virtual void fillRect(const Rect& rect) = 0;   // current brush; right and bottom excluded
    virtual void drawText(const char* text, std::size_t length, const Rect& rect, uint32_t format) = 0;

    // Memory devices only: selects the pixmap drawn into, returns the previous one.
    virtual Pixmap* selectPixmap(Pixmap* pixmap) = 0;
    virtual bool bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx,
                        int32_t sy, RasterOp rop) = 0;
    // Copies every pixel that differs from key; the back end may lack it (hasTransparentBlt).
    virtual bool transparentBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source,
                                int32_t sx, int32_t sy, int32_t sw, int32_t sh, ColorRef key) = 0;
};

class Renderer {
public:
    virtual ~Renderer() = default;

    // Devices and pixmaps; compatible may be null for the screen.
    virtual std::unique_ptr<Device> createMemoryDevice(Device* compatible) = 0;
    virtual std::unique_ptr<Pixmap> createCompatiblePixmap(Device* compatible, int32_t w, int32_t h) = 0;
    virtual std::unique_ptr<Pixmap> createMonochromePixmap(int32_t w, int32_t h) = 0;
    // A bitmap of the module's resources, or null when there is none with that id.
    virtual std::unique_ptr<Pixmap> loadBitmap(int32_t resourceId) = 0;
    // The same picture drawn for a panel shown at scale pixels per panel unit (above 1):
    // drawn at that resolution, never enlarged. A back end without such pictures says so
    // and gives null; a panel then stays at 1.
    virtual bool hasScaledBitmaps() { return false; }
    virtual std::unique_ptr<Pixmap> loadScaledBitmap(int32_t resourceId, float scale) {
        (void)resourceId;
        (void)scale;
        return nullptr;
    }
    virtual bool hasTransparentBlt() = 0;
};

} // namespace zk::gui::platform
