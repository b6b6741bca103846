#pragma once

// A floating-point RGB canvas for drawing the panel's pictures: shapes given by signed
// distance with their edges smoothed over one pixel, colour from a shading function, and
// text through the toolkit's font engine in FreeType's grey levels.
// Drawing is given in panel units; a canvas of scale s has s pixels per unit, so the same
// drawing code makes a picture for any screen, sharp at its own resolution.

#include "gui/platform/software/SoftPixmap.h"

#include <functional>
#include <vector>

namespace zk::artwork {

struct Rgb {
    float r = 0, g = 0, b = 0; // 0..255
};

Rgb mix(Rgb a, Rgb b, float t); // t 0 gives a, 1 gives b
Rgb lighter(Rgb c, float amount); // towards white by amount 0..1
Rgb darker(Rgb c, float amount);  // towards black by amount 0..1

struct Box {
    float left, top, right, bottom;
};

// Signed distances, negative inside.
float circleDistance(float x, float y, float cx, float cy, float radius);
float roundRectDistance(float x, float y, const Box& box, float radius);
float segmentDistance(float x, float y, float ax, float ay, float bx, float by, float halfWidth);

enum class Align { left, centre, right };

struct TextStyle {
    float size = 10; // em height in pixels
    bool bold = false;
    Align align = Align::centre;
};

class Canvas {
public:
    using Distance = std::function<float(float x, float y)>;
    using Shade = std::function<Rgb(float x, float y)>;

    // width and height in pixels; scale is pixels per panel unit.
    Canvas(int32_t width, int32_t height, Rgb fill, float scale = 1.0f);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    float scale() const { return scale_; }
    // The canvas in panel units.
    float unitWidth() const { return float(width_) / scale_; }
    float unitHeight() const { return float(height_) / scale_; }
    Rgb at(int32_t x, int32_t y) const { return pixels_[index(x, y)]; }
    float coverage(int32_t x, int32_t y) const { return coverage_[index(x, y)]; }

    void blend(int32_t x, int32_t y, Rgb colour, float alpha); // one pixel
    // Every pixel whose centre lies in box (in panel units): lines of a unit's width.
    void blendArea(const Box& box, Rgb colour, float alpha);
    // Paints every pixel whose centre lies inside the shape, within bounds (panel units).
    void fill(const Box& bounds, const Distance& distance, const Shade& shade, float alpha = 1.0f);
    void fill(const Box& bounds, const Distance& distance, Rgb colour, float alpha = 1.0f);
    // A soft shadow: full alpha inside, fading to nothing over spread pixels outside.
    void shadow(const Box& bounds, const Distance& distance, Rgb colour, float alpha, float spread);
    // Subtle fixed noise over a region, streaked horizontally like brushed metal.
    void brush(const Box& bounds, float strength);

    // One line of text in box, vertically centred, clipped to the box's pixels.
    void text(const char* text, const Box& box, const TextStyle& style, Rgb ink, float alpha = 1.0f);
    // The pixel rectangles of every text drawn so far.
    const std::vector<gui::Rect>& textAreas() const { return textAreas_; }

    // Packed pixels. With a key, pixels that were barely painted become the key colour and
    // no painted pixel is left equal to it.
    gui::platform::software::SoftPixmap toPixmap() const;
    gui::platform::software::SoftPixmap toKeyedPixmap(gui::platform::ColorRef key) const;

private:
    std::size_t index(int32_t x, int32_t y) const { return std::size_t(y) * std::size_t(width_) + std::size_t(x); }

    int32_t width_, height_;
    float scale_;
    std::vector<Rgb> pixels_;
    std::vector<float> coverage_;
    std::vector<gui::Rect> textAreas_;
};

} // namespace zk::artwork
