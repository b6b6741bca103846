#include "resources/generator/PanelArtwork.h"

#include "editor/PanelLayout.h"
#include "editor/PanelScale.h"
#include "resources/generator/Style.h"

#include <algorithm>
#include <cmath>

namespace zk::artwork {

namespace sw = gui::platform::software;
using panel::ControlKind;
using panel::ControlPlace;

namespace {

constexpr float pi = 3.14159265f;

// The plates the controls sit on. The band plates follow the rows of the table; the lower
// ones hold the global knobs and the output sliders.
constexpr Box bandPlates[3] = {{4, 8, 608, 105}, {4, 108, 608, 201}, {4, 204, 608, 295}};
constexpr Box globalPlate{4, 391, 299, 483};
constexpr Box outputPlate{302, 296, 608, 483};

Box grow(const panel::ControlPlace& c, float by) {
    return {float(c.left) - by, float(c.top) - by, float(c.left + c.width) + by, float(c.top + c.height) + by};
}
// The size of a handle picture, as the table gives it.
panel::BitmapSize handleSize(int32_t id) {
    for (const panel::BitmapSize& entry : panel::kBitmapSizes)
        if (entry.id == id)
            return entry;
    return {id, 1, 1};
}

Box shifted(Box b, float dx, float dy) { return {b.left + dx, b.top + dy, b.right + dx, b.bottom + dy}; }

void roundRect(Canvas& canvas, const Box& box, float radius, Rgb colour, float alpha = 1.0f) {
    canvas.fill(box, [box, radius](float x, float y) { return roundRectDistance(x, y, box, radius); }, colour, alpha);
}

void verticalGradient(Canvas& canvas, const Box& box, float radius, Rgb top, Rgb bottom) {
    canvas.fill(box, [box, radius](float x, float y) { return roundRectDistance(x, y, box, radius); },
                [box, top, bottom](float, float y) { return mix(top, bottom, (y - box.top) / (box.bottom - box.top)); });
}

void base(Canvas& canvas) {
    const float w = canvas.unitWidth(), h = canvas.unitHeight();
    const Box all{0, 0, w, h};
    verticalGradient(canvas, all, 0, style::panelTop, style::panelBottom);
    canvas.brush(all, 0.035f);
    // A darker outline and a lit top edge, a unit wide.
    canvas.blendArea({0, 0, w, 1}, style::shadowInk, 0.5f);
    canvas.blendArea({0, 1, w, 2}, style::highlight, 0.08f);
    canvas.blendArea({0, h - 1, w, h}, style::shadowInk, 0.5f);
    canvas.blendArea({0, 0, 1, h}, style::shadowInk, 0.5f);
    canvas.blendArea({w - 1, 0, w, h}, style::shadowInk, 0.5f);
}

// A raised plate: a soft shadow below, a lit top edge and a dark bottom edge.
void plate(Canvas& canvas, const Box& box) {
    constexpr float radius = 5;
    canvas.shadow(shifted(box, 0, 1.5f), [box](float x, float y) { return roundRectDistance(x, y - 1.5f, box, radius); },
                  style::shadowInk, 0.45f, 3.0f);
    roundRect(canvas, box, radius, darker(style::plateBottom, 0.45f));
    roundRect(canvas, {box.left, box.top, box.right, box.bottom - 1}, radius, lighter(style::plateTop, 0.22f));
    verticalGradient(canvas, {box.left, box.top + 1, box.right, box.bottom - 1}, radius - 0.5f, style::plateTop,
                     style::plateBottom);
    canvas.brush({box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, 0.025f);
}

// A recess: dark inside, its lower rim catching the light.
void recess(Canvas& canvas, const Box& box, float radius, Rgb inside) {
    roundRect(canvas, shifted(box, 0, 1), radius, style::highlight, 0.10f);
    roundRect(canvas, box, radius, inside);
}

void label(Canvas& canvas, const char* text, const Box& box, Align align, Rgb ink = style::label,
           float size = style::labelSize, bool bold = false) {
    printLabel(canvas, {-1, text, box, {size, bold, align}}, ink);
}

void knobBody(Canvas& canvas, const ControlPlace& c) {
    // The handle's circle is centred on the middle of the 40 x 40 rectangle.
    const float cx = float(c.left) + float(c.width) * 0.5f, cy = float(c.top) + float(c.height) * 0.5f;
    const float r = style::knobRadius;
    const Box bounds{cx - r, cy - r, cx + r, cy + r};
    auto circle = [cx, cy](float radius) { return [=](float x, float y) { return circleDistance(x, y, cx, cy, radius); }; };

    canvas.shadow(shifted(bounds, 0, 2), [=](float x, float y) { return circleDistance(x, y, cx, cy + 2, r); },
                  style::shadowInk, 0.5f, 3.5f);
    canvas.fill(bounds, circle(r), style::knobRim);
    // Outer bevel lit from above, inner face dished: darker at the top.
    canvas.fill(bounds, circle(r - 1.5f), [=](float, float y) {
        return mix(lighter(style::knobLight, 0.25f), style::knobDark, (y - (cy - r)) / (2 * r));
    });
    const float face = r - 3.5f;
    canvas.fill(bounds, circle(face), [=](float x, float y) {
        const float t = ((x - cx) * 0.35f + (y - cy)) / (2 * face) + 0.5f;
        return mix(style::knobDark, style::knobLight, t * 0.8f);
    });
    // A soft sheen on the upper left of the face.
    canvas.shadow(bounds, [=](float x, float y) { return circleDistance(x, y, cx - 5, cy - 6, 2); }, style::highlight,
                  0.10f, 9.0f);

    // The scale: eleven dots from the minimum (lower left) to the maximum (lower right).
    for (int32_t i = 0; i <= 10; ++i) {
        const float angle = (225.0f - 27.0f * float(i)) * pi / 180.0f;
        const float x = cx + std::cos(angle) * style::scaleRadius, y = cy - std::sin(angle) * style::scaleRadius;
        const bool end = i == 0 || i == 10;
        const float dot = end ? 1.1f : 0.8f;
        canvas.fill({x - 2, y - 2, x + 2, y + 2}, [=](float px, float py) { return circleDistance(px, py, x, y, dot); },
                    end ? style::label : style::dimLabel);
    }
}

void buttonWell(Canvas& canvas, const ControlPlace& c) { recess(canvas, grow(c, 1.5f), 2.0f, style::well); }

// Sliders: the groove runs under the path of the handle's centre, from end to end.
void largeTrack(Canvas& canvas, const ControlPlace& c) {
    const panel::BitmapSize handle = handleSize(c.bitmap);
    const float y = float(c.top) + (style::sliderCapTop + float(handle.height)) * 0.5f; // through the cap's middle
    const float from = float(c.minimumPosition) + 5, to = float(c.maximumPosition + handle.width) - 5;
    recess(canvas, {from, y - 2.5f, to, y + 2.5f}, 2.5f, style::groove);
}

void amTrack(Canvas& canvas, const ControlPlace& c) {
    const panel::BitmapSize handle = handleSize(c.bitmap);
    const float cx = float(c.left) + float(handle.width) * 0.5f;
    recess(canvas, grow(c, 1.5f), 2.0f, darker(style::plateTop, 0.35f));
    recess(canvas, {cx - 1, float(c.minimumPosition) + 1, cx + 1, float(c.maximumPosition + handle.height) - 1}, 1.0f,
           style::groove);
}

void fineTrack(Canvas& canvas, const ControlPlace& c) {
    const panel::BitmapSize handle = handleSize(c.bitmap);
    const float cy = float(c.top) + float(handle.height) * 0.5f;
    recess(canvas, {float(c.minimumPosition) + 1, cy - 1, float(c.maximumPosition + handle.width) - 1, cy + 1}, 1.0f,
           style::groove);
}

// Where a control's label is printed. None lies on another control, where a click meant
// for the label would move that control.
PrintedLabel labelOf(const ControlPlace& c, const char* text) {
    const float top = float(c.top), left = float(c.left), right = float(c.left + c.width);
    const float bottom = float(c.top + c.height), cx = (left + right) * 0.5f;
    const TextStyle plain{style::labelSize, false, Align::centre};
    switch (c.kind) {
    case ControlKind::knob: return {c.tag, text, {cx - 40, top - 14, cx + 40, top - 3}, plain};
    case ControlKind::verticalSlider: return {c.tag, text, {cx - 15, top - 12, cx + 15, top - 2}, plain};
    case ControlKind::horizontalSlider:
        if (c.bitmap == panel::kFineHandleBitmap) {
            const float cy = top + float(handleSize(c.bitmap).height) * 0.5f;
            return {c.tag, text, {right + 3, cy - 6, right + 40, cy + 5}, {style::labelSize, false, Align::left}};
        }
        // Over the cap's path, in the slider's own rectangle: the rows above belong to the
        // slider above, down to this one's top edge.
        return {c.tag, text, {left + 2, top + 1, left + 150, top + style::sliderCapTop - 1}, {9.0f, false, Align::left}};
    case ControlKind::button:
        if (c.bitmap == panel::kFmButtonBitmap) // under the key, where the Am column ends
            return {c.tag, text, {left - 10, bottom, right + 10, bottom + 10}, {9.0f, false, Align::centre}};
        return {c.tag, text, {left - 24, top, left - 2, bottom}, {style::labelSize, false, Align::right}}; // at its left
    case ControlKind::lamp: break;
    }
    return {c.tag, nullptr, {}, plain};
}

void bandNumber(Canvas& canvas, int32_t band) {
    const Box& p = bandPlates[band];
    const float cx = 20, cy = p.top + 15;
    canvas.fill({cx - 10, cy - 10, cx + 10, cy + 10}, [=](float x, float y) {
        return std::abs(circleDistance(x, y, cx, cy, 8.5f)) - 0.6f;
    }, style::accent, 0.9f);
    char digit[2] = {char('1' + band), 0};
    label(canvas, digit, {cx - 9, cy - 8, cx + 9, cy + 8}, Align::centre, style::accent, 12.0f, true);
}

// Three sine waves, one for each band voice, fading towards the ends.
void waves(Canvas& canvas, const Box& box, float amplitude, float alpha) {
    const Rgb colours[3] = {style::accent, style::listen, style::label};
    for (int32_t k = 0; k < 3; ++k) {
        const float cycles = 1.5f + float(k) * 1.0f, phase = float(k) * 1.3f;
        const float width = box.right - box.left, cy = (box.top + box.bottom) * 0.5f;
        canvas.fill(box, [=](float x, float y) {
            const float t = (x - box.left) / width;
            const float wave = cy - std::sin(t * cycles * 2 * pi + phase) * amplitude * std::sin(t * pi);
            const float slope = std::cos(t * cycles * 2 * pi + phase) * amplitude * cycles * 2 * pi / width;
            return std::abs(y - wave) / std::sqrt(1 + slope * slope) - 0.6f;
        }, colours[k], alpha);
    }
}

void logoDisplay(Canvas& canvas) {
    // The panel menu's area: a dark display with the product name.
    constexpr panel::PanelRect menu = panel::kPanelMenuRect;
    constexpr Box area{float(menu.left), float(menu.top), float(menu.right), float(menu.bottom)};
    recess(canvas, area, 4.0f, style::well);
    verticalGradient(canvas, {area.left + 1, area.top + 1, area.right - 1, area.bottom - 1}, 3.5f, {30, 32, 37},
                     {18, 19, 22});
    waves(canvas, {area.left + 12, area.top + 52, area.right - 12, area.top + 70}, 7.0f, 0.35f);
    label(canvas, "Zephyrkettledrome", {area.left, area.top + 8, area.right, area.top + 36}, Align::centre,
          style::label, 22.0f, true);
    label(canvas, "three-band input synthesizer", {area.left, area.top + 36, area.right, area.top + 50}, Align::centre,
          style::dimLabel, 10.0f);
    // The hint that a click here opens the menu.
    const float tx = area.right - 42, ty = area.bottom - 10;
    canvas.fill({tx - 4, ty - 3, tx + 4, ty + 3}, [=](float x, float y) {
        return std::max(ty - 2.0f - y, (std::abs(x - tx) - 3.5f * (ty + 2.0f - y) / 4.0f) * 0.75f);
    }, style::dimLabel);
    label(canvas, "Menu", {tx + 6, ty - 6, area.right - 4, ty + 5}, Align::left, style::dimLabel, 9.0f);
}

void splashBadge(Canvas& canvas) {
    const Box badge{float(panel::kSplashRect.left), float(panel::kSplashRect.top), float(panel::kSplashRect.right),
                    float(panel::kSplashRect.bottom)};
    recess(canvas, {badge.left - 1, badge.top - 1, badge.right + 1, badge.bottom + 1}, 3.5f, style::well);
    verticalGradient(canvas, badge, 3.0f, lighter(style::accent, 0.15f), darker(style::accent, 0.25f));
    label(canvas, "Z", badge, Align::centre, {40, 28, 16}, 13.0f, true);
}

} // namespace

void printLabel(Canvas& canvas, const PrintedLabel& label, Rgb ink) {
    canvas.text(label.text, shifted(label.box, 0, 1), label.style, style::shadowInk, 0.55f); // with a faint shadow
    canvas.text(label.text, label.box, label.style, ink);
}

std::vector<PrintedLabel> controlLabels() {
    std::vector<PrintedLabel> labels;
    for (const ControlPlace& c : panel::kControls)
        if (const char* text = controlLabel(c.tag, c.band); text && c.kind != ControlKind::lamp)
            labels.push_back(labelOf(c, text));
    return labels;
}

const char* controlLabel(int32_t tag, int32_t band) {
    switch (tag) {
    case 38: return "Stereo";
    case 39: return "Delay";
    case 40: return "Feedback";
    case 41: return "Volume";
    case 1: return "Dry";
    case 0: return "Master";
    case 43: return "FM every";
    case 42: return "Smooth";
    case 44: case 45: case 46: return "PL";
    case 47: case 48: case 49: return "Am";
    case 50: case 51: case 52: return "Fine";
    default: break;
    }
    if (band < 0 || band > 2 || tag >= 44)
        return nullptr;
    // The band rows repeat every twelve parameters.
    switch (tag - 12 * band) {
    case 2: return "L";
    case 3: return "R";
    case 4: return "Band";
    case 5: return "Release";
    case 6: return "Mod";
    case 7: return "Offset";
    case 8: return "FM";
    case 9: return "Timbre";
    case 10: return "Sensitivity";
    case 11: return "Effect";
    case 12: return "Pan";
    case 13: return "Volume";
    default: return nullptr;
    }
}

sw::SoftPixmap drawBackground(float scale, std::vector<gui::Rect>* textAreas) {
    const panel::BitmapSize size = panel::pictureSize(panel::kBackgroundBitmap, scale);
    Canvas canvas(size.width, size.height, style::panelBottom, scale);
    base(canvas);
    for (const Box& b : bandPlates)
        plate(canvas, b);
    plate(canvas, globalPlate);
    plate(canvas, outputPlate);
    for (int32_t band = 0; band < 3; ++band)
        bandNumber(canvas, band);
    logoDisplay(canvas);
    splashBadge(canvas);

    for (const ControlPlace& c : panel::kControls) {
        switch (c.kind) {
        case ControlKind::knob: knobBody(canvas, c); break;
        case ControlKind::button: buttonWell(canvas, c); break;
        case ControlKind::lamp: recess(canvas, grow(c, 1.5f), 2.5f, style::well); break;
        case ControlKind::verticalSlider: amTrack(canvas, c); break;
        case ControlKind::horizontalSlider:
            if (c.bitmap == panel::kFineHandleBitmap)
                fineTrack(canvas, c);
            else
                largeTrack(canvas, c);
            break;
        }
    }
    for (const PrintedLabel& printed : controlLabels()) // main has made sure that every control but a lamp has one
        printLabel(canvas, printed);
    if (textAreas)
        *textAreas = canvas.textAreas();
    return canvas.toPixmap();
}

sw::SoftPixmap drawAboutPicture(float scale, std::vector<gui::Rect>* textAreas) {
    const panel::BitmapSize size = panel::pictureSize(panel::kAboutBitmap, scale);
    Canvas canvas(size.width, size.height, style::panelBottom, scale);
    base(canvas);
    constexpr Rgb card{233, 230, 223}, ink{38, 40, 44}, softInk{96, 98, 104};
    const Box cardBox{20, 70, 592, 380};
    canvas.shadow(shifted(cardBox, 0, 3), [=](float x, float y) { return roundRectDistance(x, y - 3, cardBox, 8); },
                  style::shadowInk, 0.55f, 8.0f);
    roundRect(canvas, cardBox, 8, card);

    // The emblem: the three band voices in a dark disc.
    const float ex = 118, ey = 200, er = 66;
    canvas.fill({ex - er, ey - er, ex + er, ey + er}, [=](float x, float y) { return circleDistance(x, y, ex, ey, er); },
                [=](float, float y) { return mix({58, 62, 68}, {28, 30, 34}, (y - (ey - er)) / (2 * er)); });
    canvas.fill({ex - er, ey - er, ex + er, ey + er}, [=](float x, float y) {
        return std::abs(circleDistance(x, y, ex, ey, er - 4)) - 0.8f;
    }, style::accent, 0.8f);
    waves(canvas, {ex - er + 10, ey - 30, ex + er - 10, ey + 30}, 24.0f, 0.95f);

    // The text column, centred on the About text line.
    const float left = float(panel::kAboutTextRect.left), right = float(panel::kAboutTextRect.right);
    canvas.text("Zephyrkettledrome", {left - 20, 112, right + 20, 152}, {34, true, Align::centre}, ink);
    canvas.fill({left + 40, 158, right - 40, 161}, [=](float x, float y) {
        return roundRectDistance(x, y, {left + 40, 158, right - 40, 160}, 1);
    }, style::accent);
    canvas.text("three-band input synthesizer", {left, 164, right, 182}, {13, false, Align::centre}, softInk);
    // The About view prints its line of text at kAboutTextRect: the card stays plain there.
    canvas.text("Three band filters listen to the input; the envelope of each", {left - 10, 226, right + 10, 242},
                {11, false, Align::centre}, softInk);
    canvas.text("band plays a sine voice of its own.", {left - 10, 242, right + 10, 258}, {11, false, Align::centre},
                softInk);
    canvas.text("VST 2 effect for two inputs and two outputs", {left - 10, 272, right + 10, 288},
                {11, false, Align::centre}, softInk);
    canvas.text("Click anywhere to return to the panel", {left, 340, right, 356}, {10, false, Align::centre},
                mix(softInk, card, 0.3f));
    if (textAreas)
        *textAreas = canvas.textAreas();
    return canvas.toPixmap();
}

} // namespace zk::artwork
