#include "resources/generator/ControlArtwork.h"

#include "editor/PanelLayout.h"
#include "editor/PanelScale.h"
#include "resources/generator/Style.h"

#include <algorithm>
#include <cmath>

namespace zk::artwork {

namespace sw = gui::platform::software;

namespace {

constexpr gui::platform::ColorRef key = 0x00FF00; // pure green

Canvas::Distance circle(float cx, float cy, float r) {
    return [=](float x, float y) { return circleDistance(x, y, cx, cy, r); };
}
// A canvas for picture id at scale, drawn in the panel units of its 1 x size.
Canvas canvasFor(int32_t id, float scale, Rgb fill) {
    const panel::BitmapSize size = panel::pictureSize(id, scale);
    return Canvas(size.width, size.height, fill, scale);
}
// Where the lower (on) half of a two-state picture starts, in panel units: the halves are
// whole pixels, so at some scales this is a little off the 1 x half height.
float lowerHalf(const Canvas& canvas) { return float(canvas.height() / 2) / canvas.scale(); }

Canvas::Shade vertical(float top, float bottom, Rgb from, Rgb to) {
    return [=](float, float y) { return mix(from, to, std::clamp((y - top) / (bottom - top), 0.0f, 1.0f)); };
}

// The pointer dot riding on a knob.
sw::SoftPixmap knobHandle(float scale) {
    Canvas canvas = canvasFor(panel::kKnobHandleBitmap, scale, mix(style::knobDark, style::knobLight, 0.5f));
    canvas.fill({0, 0, 6, 6}, circle(3, 3, 3.0f), {18, 18, 20});
    canvas.fill({0, 0, 6, 6}, circle(3, 3, 2.1f), vertical(1, 5, lighter(style::accent, 0.35f), style::accent));
    return canvas.toKeyedPixmap(key);
}

// The cap of the long sliders, with a pointer line: a flat key in the lower half of the
// picture, whose clear upper half lets the slider's name show.
sw::SoftPixmap largeSliderHandle(float scale) {
    Canvas canvas = canvasFor(panel::kLargeSliderHandleBitmap, scale, style::plateBottom);
    const float top = style::sliderCapTop;
    const Box body{1.0f, top, 19.0f, 19.5f};
    auto rounded = [](Box b, float r) { return [=](float x, float y) { return roundRectDistance(x, y, b, r); }; };
    canvas.fill({0, top - 1, 20, 20}, rounded({0.5f, top + 0.4f, 19.5f, 20.0f}, 3.0f), style::shadowInk, 0.6f);
    canvas.fill(body, rounded(body, 2.5f), {22, 23, 25});
    const Box face{1.8f, top + 0.8f, 18.2f, 18.8f};
    canvas.fill(face, rounded(face, 2.0f), vertical(face.top, face.bottom, {206, 210, 216}, {104, 108, 114}));
    const Box inner{3.5f, top + 2.5f, 16.5f, 17.0f};
    canvas.fill(inner, rounded(inner, 1.2f), vertical(inner.top, inner.bottom, {138, 142, 148}, {192, 196, 202}));
    canvas.fill(body, [=](float x, float y) { return segmentDistance(x, y, 10, top + 2.0f, 10, 17.5f, 0.9f); },
                style::accent);
    return canvas.toKeyedPixmap(key);
}

sw::SoftPixmap fineHandle(float scale) {
    Canvas canvas = canvasFor(panel::kFineHandleBitmap, scale, style::groove);
    canvas.fill({0, 0, 5, 5}, circle(2.5f, 2.5f, 2.5f), {18, 18, 20});
    canvas.fill({0, 0, 5, 5}, circle(2.5f, 2.5f, 1.7f), vertical(1, 4, {240, 242, 245}, {170, 174, 180}));
    return canvas.toKeyedPixmap(key);
}

sw::SoftPixmap amHandle(float scale) {
    Canvas canvas = canvasFor(panel::kAmHandleBitmap, scale, style::groove);
    const Box body{0, 0, 6, 4};
    canvas.fill(body, [&](float x, float y) { return roundRectDistance(x, y, body, 2.0f); },
                vertical(0, 4, {236, 238, 242}, {150, 154, 160}));
    canvas.fill(body, [](float x, float y) { return segmentDistance(x, y, 1.5f, 2, 4.5f, 2, 0.5f); }, style::accent);
    return canvas.toKeyedPixmap(key);
}

// A square key filling its rectangle: grey with a dark slit when off, lit when on.
sw::SoftPixmap twoStateKey(int32_t id, float scale, Rgb lit) {
    Canvas canvas = canvasFor(id, scale, style::well);
    const float w = canvas.unitWidth(), h = lowerHalf(canvas);
    for (int32_t state = 0; state < 2; ++state) {
        const float top = float(state) * h;
        const Box body{0.5f, top + 0.5f, w - 0.5f, top + h - 0.5f};
        const Box slit{w * 0.3f, top + h * 0.4f, w * 0.7f, top + h * 0.6f};
        auto bodyShape = [body](float x, float y) { return roundRectDistance(x, y, body, 1.5f); };
        auto slitShape = [slit](float x, float y) { return roundRectDistance(x, y, slit, 0.8f); };
        if (state == 0) {
            canvas.fill(body, bodyShape, vertical(body.top, body.bottom, {98, 103, 110}, {58, 61, 66}));
            canvas.fill(slit, slitShape, darker(lit, 0.62f));
        } else {
            canvas.fill(body, bodyShape, vertical(body.top, body.bottom, lighter(lit, 0.25f), darker(lit, 0.22f)));
            canvas.fill(slit, slitShape, lighter(lit, 0.7f));
        }
        const float edge = std::floor(top * scale) / scale + 1; // a unit below the half's first pixel row
        canvas.blendArea({1, edge, w - 1, edge + 1}, style::highlight, state ? 0.35f : 0.2f);
    }
    return canvas.toPixmap();
}

// A round LED in a bezel of the well's colour: dark red off, glowing on.
sw::SoftPixmap lamp(float scale) {
    Canvas canvas = canvasFor(panel::kLampBitmap, scale, style::well);
    for (int32_t state = 0; state < 2; ++state) {
        const float cx = 5, cy = 5 + lowerHalf(canvas) * float(state);
        const Box cell{0, cy - 5, 10, cy + 5};
        canvas.fill(cell, circle(cx, cy, 4.2f), {8, 8, 9});
        if (state == 0) {
            canvas.fill(cell, circle(cx, cy, 3.3f), vertical(cy - 3.3f, cy + 3.3f, {104, 36, 30}, {48, 15, 13}));
        } else {
            canvas.shadow(cell, circle(cx, cy, 3.3f), {255, 80, 50}, 0.45f, 2.0f);
            canvas.fill(cell, circle(cx, cy, 3.3f), vertical(cy - 3.3f, cy + 3.3f, {255, 130, 90}, {222, 52, 30}));
            canvas.fill(cell, circle(cx, cy, 1.6f), {255, 226, 200}, 0.85f);
        }
        canvas.fill(cell, circle(cx - 1.1f, cy - 1.4f, 0.8f), style::highlight, 0.4f);
    }
    return canvas.toPixmap();
}

// The module's spare picture: a round push key, off above on.
sw::SoftPixmap spareKey(float scale) {
    Canvas canvas = canvasFor(panel::kUnusedBitmap, scale, style::well);
    for (int32_t state = 0; state < 2; ++state) {
        const float cy = 9.5f + lowerHalf(canvas) * float(state);
        const Box cell{0, cy - 9.5f, 19, cy + 9.5f};
        canvas.fill(cell, circle(9.5f, cy, 8.6f), {8, 8, 9});
        const Rgb top = state ? lighter(style::accent, 0.25f) : Rgb{98, 103, 110};
        const Rgb bottom = state ? darker(style::accent, 0.22f) : Rgb{58, 61, 66};
        canvas.fill(cell, circle(9.5f, cy, 7.6f), vertical(cy - 7.6f, cy + 7.6f, top, bottom));
    }
    return canvas.toPixmap();
}

} // namespace

sw::SoftPixmap drawControlPicture(int32_t resourceId, float scale) {
    switch (resourceId) {
    case panel::kUnusedBitmap: return spareKey(scale);
    case panel::kKnobHandleBitmap: return knobHandle(scale);
    case panel::kLargeSliderHandleBitmap: return largeSliderHandle(scale);
    case panel::kLeftButtonBitmap:
    case panel::kRightButtonBitmap:
    case panel::kFmButtonBitmap: return twoStateKey(resourceId, scale, style::accent);
    case panel::kPreListenButtonBitmap: return twoStateKey(resourceId, scale, style::listen);
    case panel::kFineHandleBitmap: return fineHandle(scale);
    case panel::kAmHandleBitmap: return amHandle(scale);
    case panel::kLampBitmap: return lamp(scale);
    default: return sw::SoftPixmap(0, 0, false);
    }
}

} // namespace zk::artwork
