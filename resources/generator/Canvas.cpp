#include "resources/generator/Canvas.h"

#include "gui/platform/software/FontEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zk::artwork {

namespace sw = gui::platform::software;

namespace {

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

gui::platform::ColorRef pack(Rgb c) {
    auto channel = [](float v) { return gui::platform::ColorRef(std::lround(std::clamp(v, 0.0f, 255.0f))); };
    return channel(c.r) | channel(c.g) << 8 | channel(c.b) << 16;
}

gui::platform::FontDesc fontFor(const TextStyle& style, float scale) {
    gui::platform::FontDesc font;
    font.height = -int32_t(std::lround(style.size * scale));
    font.weight = style.bold ? 700 : 400;
    std::strcpy(font.faceName, "Arial");
    return font;
}

// Fixed pseudo-random value in -1..1 for a pair of integers.
float hashNoise(int32_t x, int32_t y) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float(h & 0xFFFF) / 32767.5f - 1.0f;
}

} // namespace

Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb lighter(Rgb c, float amount) { return mix(c, {255, 255, 255}, amount); }
Rgb darker(Rgb c, float amount) { return mix(c, {0, 0, 0}, amount); }

float circleDistance(float x, float y, float cx, float cy, float radius) {
    return std::hypot(x - cx, y - cy) - radius;
}

float roundRectDistance(float x, float y, const Box& box, float radius) {
    const float cx = (box.left + box.right) * 0.5f, cy = (box.top + box.bottom) * 0.5f;
    const float hx = (box.right - box.left) * 0.5f - radius, hy = (box.bottom - box.top) * 0.5f - radius;
    const float qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float segmentDistance(float x, float y, float ax, float ay, float bx, float by, float halfWidth) {
    const float dx = bx - ax, dy = by - ay;
    const float length2 = dx * dx + dy * dy;
    const float t = length2 > 0 ? clamp01(((x - ax) * dx + (y - ay) * dy) / length2) : 0.0f;
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy)) - halfWidth;
}

Canvas::Canvas(int32_t width, int32_t height, Rgb fill, float scale)
    : width_(width), height_(height), scale_(scale), pixels_(std::size_t(width) * std::size_t(height), fill),
      coverage_(pixels_.size(), 0.0f) {}

void Canvas::blend(int32_t x, int32_t y, Rgb colour, float alpha) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0)
        return;
    alpha = std::min(alpha, 1.0f);
    Rgb& p = pixels_[index(x, y)];
    p = mix(p, colour, alpha);
    float& c = coverage_[index(x, y)];
    c = c + alpha * (1.0f - c);
}

void Canvas::blendArea(const Box& box, Rgb colour, float alpha) {
    const int32_t x0 = std::max(0, int32_t(std::lround(box.left * scale_)));
    const int32_t y0 = std::max(0, int32_t(std::lround(box.top * scale_)));
    const int32_t x1 = std::min(width_, int32_t(std::lround(box.right * scale_)));
    const int32_t y1 = std::min(height_, int32_t(std::lround(box.bottom * scale_)));
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x)
            blend(x, y, colour, alpha);
}

void Canvas::fill(const Box& bounds, const Distance& distance, const Shade& shade, float alpha) {
    const int32_t x0 = std::max(0, int32_t(std::floor(bounds.left * scale_)) - 1);
    const int32_t y0 = std::max(0, int32_t(std::floor(bounds.top * scale_)) - 1);
    const int32_t x1 = std::min(width_, int32_t(std::ceil(bounds.right * scale_)) + 1);
    const int32_t y1 = std::min(height_, int32_t(std::ceil(bounds.bottom * scale_)) + 1);
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            // The pixel's centre in panel units; the edge is smoothed over one pixel.
            const float px = (float(x) + 0.5f) / scale_, py = (float(y) + 0.5f) / scale_;
            const float inside = clamp01(0.5f - distance(px, py) * scale_);
            if (inside > 0)
                blend(x, y, shade(px, py), inside * alpha);
        }
}

void Canvas::fill(const Box& bounds, const Distance& distance, Rgb colour, float alpha) {
    fill(bounds, distance, [colour](float, float) { return colour; }, alpha);
}

void Canvas::shadow(const Box& bounds, const Distance& distance, Rgb colour, float alpha, float spread) {
    const int32_t x0 = std::max(0, int32_t(std::floor((bounds.left - spread) * scale_)) - 1);
    const int32_t y0 = std::max(0, int32_t(std::floor((bounds.top - spread) * scale_)) - 1);
    const int32_t x1 = std::min(width_, int32_t(std::ceil((bounds.right + spread) * scale_)) + 1);
    const int32_t y1 = std::min(height_, int32_t(std::ceil((bounds.bottom + spread) * scale_)) + 1);
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            const float d = distance((float(x) + 0.5f) / scale_, (float(y) + 0.5f) / scale_);
            const float fade = d <= 0 ? 1.0f : clamp01(1.0f - d / spread);
            blend(x, y, colour, alpha * fade * fade);
        }
}

void Canvas::brush(const Box& bounds, float strength) {
    const int32_t x0 = std::max(0, int32_t(bounds.left * scale_)), y0 = std::max(0, int32_t(bounds.top * scale_));
    const int32_t x1 = std::min(width_, int32_t(bounds.right * scale_));
    const int32_t y1 = std::min(height_, int32_t(bounds.bottom * scale_));
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            // Long horizontal streaks a unit high, plus a little grain in every pixel.
            const int32_t ux = int32_t(float(x) / scale_), uy = int32_t(float(y) / scale_);
            const float streak = hashNoise(ux / 23, uy) * 0.6f + hashNoise(ux / 7 + 1000, uy) * 0.25f + hashNoise(x, y) * 0.15f;
            Rgb& p = pixels_[index(x, y)];
            const float f = 1.0f + streak * strength;
            p = {p.r * f, p.g * f, p.b * f};
        }
}

void Canvas::text(const char* text, const Box& box, const TextStyle& style, Rgb ink, float alpha) {
    sw::FontEngine& engine = sw::FontEngine::instance();
    const gui::platform::FontDesc font = fontFor(style, scale_);
    const std::size_t length = std::strlen(text);
    const int32_t left = int32_t(std::floor(box.left * scale_)), top = int32_t(std::floor(box.top * scale_));
    const int32_t w = int32_t(std::ceil(box.right * scale_)) - left, h = int32_t(std::ceil(box.bottom * scale_)) - top;
    if (w <= 0 || h <= 0 || !engine.ready())
        return;
    const uint32_t format = gui::platform::textVCenter | gui::platform::textSingleLine | gui::platform::textNoPrefix |
                            (style.align == Align::left    ? gui::platform::textLeft
                             : style.align == Align::right ? gui::platform::textRight
                                                           : gui::platform::textCenter);
    textAreas_.push_back({left, top, left + w, top + h});
    engine.renderCoverage(font, text, length, {left, top, left + w, top + h}, format,
                          [&](int32_t x, int32_t y, uint8_t coverage) { blend(x, y, ink, alpha * float(coverage) / 255.0f); },
                          sw::Hinting::light); // the design's widths at every scale
}

sw::SoftPixmap Canvas::toPixmap() const {
    sw::SoftPixmap out(width_, height_, false, 0);
    for (int32_t y = 0; y < height_; ++y)
        for (int32_t x = 0; x < width_; ++x)
            out.set(x, y, pack(at(x, y)));
    return out;
}

sw::SoftPixmap Canvas::toKeyedPixmap(gui::platform::ColorRef key) const {
    sw::SoftPixmap out = toPixmap();
    for (int32_t y = 0; y < height_; ++y)
        for (int32_t x = 0; x < width_; ++x) {
            if (coverage(x, y) < 0.5f)
                out.set(x, y, key);
            else if (out.at(x, y) == key)
                out.set(x, y, key ^ 0x000100); // one step off the key: stays visible
        }
    return out;
}

} // namespace zk::artwork
