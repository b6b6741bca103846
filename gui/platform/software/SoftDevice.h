#pragma once

#include "gui/platform/software/SoftPixmap.h"

namespace zk::gui::platform::software {

// Length of the on and off runs of a dotted pen, pixels.
constexpr int32_t dotRun = 3;

// A device context that rasterises into a SoftPixmap: a window's pixels, or the pixmap
// that a memory device has selected (a 1 x 1 mask until something else is selected).
class SoftDevice final : public Device {
public:
    explicit SoftDevice(SoftPixmap* windowPixels); // null: a memory device
    ~SoftDevice() override;

    PenDesc currentPen() const override { return pen_; }
    BrushDesc currentBrush() const override { return brush_; }
    FontDesc currentFont() const override { return font_; }
    PenDesc selectPen(const PenDesc& pen) override;
    bool selectBrush(const BrushDesc& brush) override;
    FontDesc selectFont(const FontDesc& font) override;

    ColorRef setTextColor(ColorRef color) override;
    ColorRef setBkColor(ColorRef color) override;
    int32_t setBkMode(int32_t mode) override;
    ColorRef textColor() const override { return textColor_; }
    ColorRef bkColor() const override { return bkColor_; }
    int32_t bkMode() const override { return bkMode_; }

    void moveTo(int32_t x, int32_t y) override;
    void lineTo(int32_t x, int32_t y) override;
    void fillRect(const Rect& rect) override;
    void drawText(const char* text, std::size_t length, const Rect& rect, uint32_t format) override;

    Pixmap* selectPixmap(Pixmap* pixmap) override;
    bool bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx, int32_t sy,
                RasterOp rop) override;
    bool transparentBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx,
                        int32_t sy, int32_t sw, int32_t sh, ColorRef key) override;

    SoftPixmap* target() const { return target_; }
    bool isMemory() const { return memory_; }

private:
    void plot(int32_t x, int32_t y, ColorRef color);
    ColorRef toTarget(ColorRef color) const; // a colour as the target stores it

    bool memory_;
    SoftPixmap stockMask_{1, 1, true, 0};
    SoftPixmap* target_;
    PenDesc pen_{};
    BrushDesc brush_{};
    FontDesc font_{};
    ColorRef textColor_ = 0;
    ColorRef bkColor_ = 0xFFFFFF;
    int32_t bkMode_ = bkOpaque;
    Point position_{};
    int32_t dotPhase_ = 0;
};

} // namespace zk::gui::platform::software
