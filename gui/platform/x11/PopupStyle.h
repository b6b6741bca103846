#pragma once

// The look the panel's popups share on X11 (menus, the edit field, message boxes): the
// panel's dark palette and its font, with every size given in panel units and drawn at
// the panel's scale.

#include "gui/platform/Platform.h"

#include <cmath>
#include <cstdio>

namespace zk::gui::platform::x11::popup {

constexpr ColorRef rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

constexpr ColorRef back = rgb(50, 53, 58);        // the panel's plates
constexpr ColorRef raised = rgb(66, 70, 76);      // buttons
constexpr ColorRef pressed = rgb(36, 38, 42);
constexpr ColorRef edge = rgb(17, 18, 20);        // outlines: the panel's wells
constexpr ColorRef ridge = rgb(84, 88, 95);       // the light half of a separator
constexpr ColorRef ink = rgb(214, 217, 220);      // the panel's labels
constexpr ColorRef greyInk = rgb(118, 122, 129);
constexpr ColorRef accent = rgb(240, 154, 62);    // the panel's amber: highlight and focus
constexpr ColorRef accentInk = rgb(17, 18, 20);   // text on amber
constexpr ColorRef fieldBack = rgb(17, 18, 20);   // an edit field is a well
constexpr ColorRef fieldInk = ink;

// A length in panel units at scale, at least one pixel.
inline int32_t px(float units, float scale) {
    const int32_t pixels = int32_t(std::lround(units * scale));
    return pixels > 0 ? pixels : 1;
}

inline FontDesc font(float scale, int32_t units = 12, bool bold = false) {
    FontDesc f;
    f.height = -px(float(units), scale);
    f.weight = bold ? 700 : 400;
    f.family = FontFamily::sans;
    f.pitch = FontPitch::variable;
    std::snprintf(f.faceName, sizeof f.faceName, "%s", "Arial");
    return f;
}

} // namespace zk::gui::platform::x11::popup
