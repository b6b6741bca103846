#include "gui/platform/software/SoftDevice.h"

#include "gui/platform/software/FontEngine.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace zk::gui::platform::software {

namespace {

ColorRef monoFromColor(ColorRef c) {
    const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return (r * 30 + g * 59 + b * 11) >= 12800 ? 1 : 0;
}

} // namespace

SoftDevice::SoftDevice(SoftPixmap* windowPixels)
    : memory_(windowPixels == nullptr), target_(windowPixels ? windowPixels : &stockMask_) {}

SoftDevice::~SoftDevice() = default;

PenDesc SoftDevice::selectPen(const PenDesc& pen) {
    const PenDesc old = pen_;
    pen_ = pen;
    return old;
}

bool SoftDevice::selectBrush(const BrushDesc& brush) {
    brush_ = brush;
    return true;
}

FontDesc SoftDevice::selectFont(const FontDesc& font) {
    const FontDesc old = font_;
    font_ = font;
    return old;
}

ColorRef SoftDevice::setTextColor(ColorRef color) {
    const ColorRef old = textColor_;
    textColor_ = color & 0xFFFFFF;
    return old;
}

ColorRef SoftDevice::setBkColor(ColorRef color) {
    const ColorRef old = bkColor_;
    bkColor_ = color & 0xFFFFFF;
    return old;
}

int32_t SoftDevice::setBkMode(int32_t mode) {
    const int32_t old = bkMode_;
    if (mode == bkOpaque || mode == bkTransparent)
        bkMode_ = mode;
    return old;
}

ColorRef SoftDevice::toTarget(ColorRef color) const {
    return target_->monochrome() ? monoFromColor(color) : (color & 0xFFFFFF);
}

void SoftDevice::plot(int32_t x, int32_t y, ColorRef color) {
    if (target_->inside(x, y))
        target_->set(x, y, color);
}

void SoftDevice::moveTo(int32_t x, int32_t y) {
    position_ = {x, y};
    dotPhase_ = 0;
}

// Bresenham from the current position to (x, y), the end pixel left out. A dotted pen's
// pattern runs on across connected segments.
void SoftDevice::lineTo(int32_t x, int32_t y) {
    const Point from = position_;
    position_ = {x, y};
    if (pen_.style == PenStyle::none)
        return;
    const ColorRef color = toTarget(pen_.color);
    const int32_t dx = std::abs(x - from.h), dy = -std::abs(y - from.v);
    const int32_t stepX = from.h < x ? 1 : -1, stepY = from.v < y ? 1 : -1;
    int32_t err = dx + dy;
    int32_t cx = from.h, cy = from.v;
    while (cx != x || cy != y) {
        const bool on = pen_.style != PenStyle::dot || (dotPhase_ % (2 * dotRun)) < dotRun;
        if (on)
            plot(cx, cy, color);
        ++dotPhase_;
        const int32_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cx += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            cy += stepY;
        }
    }
}

void SoftDevice::fillRect(const Rect& rect) {
    if (brush_.none)
        return;
    const ColorRef color = toTarget(brush_.color);
    const int32_t x0 = std::max(rect.left, 0), x1 = std::min(rect.right, target_->width());
    const int32_t y0 = std::max(rect.top, 0), y1 = std::min(rect.bottom, target_->height());
    for (int32_t yy = y0; yy < y1; ++yy)
        for (int32_t xx = x0; xx < x1; ++xx)
            target_->set(xx, yy, color);
}

void SoftDevice::drawText(const char* text, std::size_t length, const Rect& rect, uint32_t format) {
    if (!text || target_->monochrome())
        return;
    FontEngine::instance().drawText(*target_, font_, text, length, rect, format, textColor_,
                                    bkMode_ == bkOpaque, bkColor_);
}

Pixmap* SoftDevice::selectPixmap(Pixmap* pixmap) {
    if (!memory_)
        return nullptr;
    auto* soft = pixmap ? dynamic_cast<SoftPixmap*>(pixmap) : &stockMask_;
    if (!soft)
        return nullptr;
    SoftPixmap* old = target_;
    target_ = soft;
    return old == &stockMask_ ? nullptr : old;
}

// Pixels outside the source or the destination are skipped. A colour source copied into a
// mask gives 1 where it equals the source's background colour; a mask copied into colour
// gives the destination's background colour for 1 and its text colour for 0.
bool SoftDevice::bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source, int32_t sx,
                        int32_t sy, RasterOp rop) {
    auto* src = dynamic_cast<SoftDevice*>(&source);
    if (!src || w <= 0 || h <= 0)
        return false;
    if (rop != RasterOp::copy && rop != RasterOp::invert && rop != RasterOp::mask)
        return false;
    const SoftPixmap& from = *src->target_;
    const bool fromMono = from.monochrome(), toMono = target_->monochrome();
    // Read everything first so that a copy within one pixmap sees the old pixels.
    std::vector<int64_t> values(std::size_t(w) * std::size_t(h), -1);
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i) {
            if (!from.inside(sx + i, sy + j))
                continue;
            ColorRef s = from.at(sx + i, sy + j);
            if (fromMono && !toMono)
                s = s ? bkColor_ : textColor_;
            else if (!fromMono && toMono)
                s = s == src->bkColor_ ? 1 : 0;
            values[std::size_t(j) * std::size_t(w) + std::size_t(i)] = s;
        }
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i) {
            const int64_t v = values[std::size_t(j) * std::size_t(w) + std::size_t(i)];
            if (v < 0 || !target_->inside(x + i, y + j))
                continue;
            const ColorRef s = ColorRef(v), d = target_->at(x + i, y + j);
            ColorRef out = s;
            if (rop == RasterOp::invert)
                out = s ^ d;
            else if (rop == RasterOp::mask)
                out = s & d;
            target_->set(x + i, y + j, out);
        }
    return true;
}

bool SoftDevice::transparentBlt(int32_t x, int32_t y, int32_t w, int32_t h, Device& source,
                                int32_t sx, int32_t sy, int32_t sw, int32_t sh, ColorRef key) {
    auto* src = dynamic_cast<SoftDevice*>(&source);
    if (!src || w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || target_->monochrome())
        return false;
    const SoftPixmap& from = *src->target_;
    if (from.monochrome())
        return false;
    key &= 0xFFFFFF;
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i) {
            // Nearest source pixel; one to one when the sizes agree.
            const int32_t fx = sx + int32_t(int64_t(i) * sw / w), fy = sy + int32_t(int64_t(j) * sh / h);
            if (!from.inside(fx, fy) || !target_->inside(x + i, y + j))
                continue;
            const ColorRef s = from.at(fx, fy);
            if (s != key)
                target_->set(x + i, y + j, s);
        }
    return true;
}

} // namespace zk::gui::platform::software
