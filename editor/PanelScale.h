#pragma once

// The panel at a scale: how the layout table's numbers become pixels on a screen that
// shows s pixels per panel unit (1 to 3). Every position and every length is rounded on
// its own, so each control is as large as its picture, and a slider's travel still ends
// where its rectangle ends. The pictures are drawn at the same sizes.

#include "editor/PanelLayout.h"

#include <algorithm>
#include <cmath>

namespace zk::panel {

constexpr float kMinimumScale = 1.0f;
constexpr float kMaximumScale = 3.0f;

// A scale a panel can take: out-of-range and non-finite values give the nearest, or 1.
inline float clampScale(float scale) {
    if (!(scale == scale))
        return 1.0f;
    return std::clamp(scale, kMinimumScale, kMaximumScale);
}

inline int32_t scaled(int32_t units, float scale) { return int32_t(std::lround(float(units) * scale)); }

inline bool isTwoStatePicture(int32_t id) {
    return id == kLeftButtonBitmap || id == kRightButtonBitmap || id == kFmButtonBitmap ||
           id == kPreListenButtonBitmap || id == kLampBitmap || id == kUnusedBitmap;
}

// A picture's size at scale: a two-state picture is two equal halves. An id the table
// does not list gives 0 x 0.
inline BitmapSize pictureSize(int32_t id, float scale) {
    for (const BitmapSize& entry : kBitmapSizes)
        if (entry.id == id)
            return {id, scaled(entry.width, scale),
                    isTwoStatePicture(id) ? 2 * scaled(entry.height / 2, scale) : scaled(entry.height, scale)};
    return {id, 0, 0};
}

inline int32_t panelWidth(float scale) { return scaled(kWidth, scale); }
inline int32_t panelHeight(float scale) { return scaled(kHeight, scale); }

inline PanelRect scaledRect(const PanelRect& r, float scale) {
    const int32_t left = scaled(r.left, scale), top = scaled(r.top, scale);
    return {left, top, left + scaled(r.right - r.left, scale), top + scaled(r.bottom - r.top, scale)};
}

// A control's place in pixels. Its edges are rounded where they lie, so that controls
// which meet at 1 x meet at every scale without sharing a pixel. Knobs, keys and lamps are
// at most as large as their pictures (a key taller than its half would show a row of its
// other state), and knobs stay square; a slider's handle travels from the near edge to
// where the handle's picture ends at the far edge.
inline ControlPlace scaledPlace(const ControlPlace& c, float scale) {
    ControlPlace p = c;
    p.left = scaled(c.left, scale);
    p.top = scaled(c.top, scale);
    p.width = scaled(c.left + c.width, scale) - p.left;
    p.height = scaled(c.top + c.height, scale) - p.top;
    const BitmapSize picture = pictureSize(c.bitmap, scale);
    switch (c.kind) {
    case ControlKind::knob:
        p.width = p.height = std::min({p.width, p.height, scaled(c.width, scale)});
        break;
    case ControlKind::button:
    case ControlKind::lamp:
        p.width = std::min(p.width, scaled(c.width, scale));
        p.height = std::min(p.height, scaled(c.height, scale));
        break;
    case ControlKind::horizontalSlider:
    case ControlKind::verticalSlider: {
        const bool across = c.kind == ControlKind::horizontalSlider;
        const int32_t near = across ? p.left : p.top;
        p.minimumPosition = near + scaled(c.minimumPosition, scale) - scaled(across ? c.left : c.top, scale);
        p.maximumPosition = across ? p.left + p.width - picture.width : p.top + p.height - picture.height;
        break;
    }
    }
    return p;
}

// How far a knob's linear drag goes to cover its range: 200 panel units.
inline int32_t knobDragPixels(float scale) { return scaled(200, scale); }

} // namespace zk::panel
