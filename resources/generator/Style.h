#pragma once

// The look shared by all pictures: one palette, light from above.

#include "resources/generator/Canvas.h"

namespace zk::artwork::style {

constexpr Rgb panelTop{50, 53, 58};
constexpr Rgb panelBottom{34, 36, 40};
constexpr Rgb plateTop{64, 68, 74};
constexpr Rgb plateBottom{52, 55, 60};
constexpr Rgb well{17, 18, 20};         // recesses of buttons and lamps; lamp bezels match it
constexpr Rgb groove{14, 15, 17};       // slider tracks
constexpr Rgb label{214, 217, 220};
constexpr Rgb dimLabel{150, 155, 162};
constexpr Rgb shadowInk{0, 0, 0};
constexpr Rgb highlight{255, 255, 255};
constexpr Rgb accent{240, 154, 62};     // amber: switched-on keys, knob pointers, band numbers
constexpr Rgb listen{96, 196, 226};     // the pre-listen key
constexpr Rgb knobLight{104, 109, 116};
constexpr Rgb knobDark{44, 46, 50};
constexpr Rgb knobRim{22, 23, 25};   // the dark edge of every knob body

constexpr float labelSize = 10.0f;
constexpr float knobRadius = 18.5f;     // body inside the 40 x 40 rectangle
constexpr float scaleRadius = 22.2f;    // dots of the knob scale, outside the rectangle
// The long sliders' cap fills the lower half of its picture: the upper half, left clear,
// is where each slider's name is printed, inside the slider's own rectangle.
constexpr float sliderCapTop = 10.0f;

// A plate's colour at height y between its top and bottom.
inline Rgb plateAt(float y, float top, float bottom) { return mix(plateTop, plateBottom, (y - top) / (bottom - top)); }

} // namespace zk::artwork::style
