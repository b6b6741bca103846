#pragma once

// The panel as numbers: every control's place, size, tag and picture, the slider travels,
// the splash square and the bitmap resources. The editor builds its controls from this table
// and the resource generator draws the background to match it, so the two cannot drift.

#include "product/Identity.h"
#include "product/PanelCommand.h"
#include "product/ParameterIndex.h"

#include <array>
#include <cstdint>

namespace zk::panel {

constexpr int32_t kWidth = kPanelWidth;
constexpr int32_t kHeight = kPanelHeight;

// Bitmap resource ids.
constexpr int32_t kBackgroundBitmap = 176;
constexpr int32_t kAboutBitmap = 178;
constexpr int32_t kUnusedBitmap = 201;
constexpr int32_t kKnobHandleBitmap = 204;
constexpr int32_t kLargeSliderHandleBitmap = 205;
constexpr int32_t kLeftButtonBitmap = 206;
constexpr int32_t kRightButtonBitmap = 207;
constexpr int32_t kFmButtonBitmap = 208;
constexpr int32_t kPreListenButtonBitmap = 209;
constexpr int32_t kFineHandleBitmap = 210;
constexpr int32_t kAmHandleBitmap = 212;
constexpr int32_t kLampBitmap = 215;

struct BitmapSize {
    int32_t id, width, height;
};

constexpr std::array<BitmapSize, 12> kBitmapSizes{{
    {kBackgroundBitmap, 612, 486},
    {kAboutBitmap, 612, 486},
    {kUnusedBitmap, 19, 38},
    {kKnobHandleBitmap, 6, 6},
    {kLargeSliderHandleBitmap, 20, 20},
    {kLeftButtonBitmap, 10, 20},
    {kRightButtonBitmap, 10, 20},
    {kFmButtonBitmap, 15, 20},
    {kPreListenButtonBitmap, 15, 20},
    {kFineHandleBitmap, 5, 5},
    {kAmHandleBitmap, 6, 4},
    {kLampBitmap, 10, 20},
}};

enum class ControlKind : uint8_t { button, knob, horizontalSlider, verticalSlider, lamp };

struct ControlPlace {
    ControlKind kind;
    int32_t tag;
    int32_t left, top, width, height;
    int32_t bitmap;           // two-state picture of a button or lamp, handle of a knob or slider
    int32_t minimumPosition;  // sliders: handle travel in panel coordinates; 0 otherwise
    int32_t maximumPosition;
    int32_t style;            // sliders: 8 minimum at the left, 64 minimum at the bottom
    int32_t band;             // 0..2 for the band rows, -1 for the global controls
};

namespace detail {
using K = ControlKind;
constexpr ControlPlace button(int32_t tag, int32_t l, int32_t t, int32_t w, int32_t h, int32_t bmp, int32_t band) {
    return {K::button, tag, l, t, w, h, bmp, 0, 0, 0, band};
}
constexpr ControlPlace knob(int32_t tag, int32_t l, int32_t t, int32_t band) {
    return {K::knob, tag, l, t, 40, 40, kKnobHandleBitmap, 0, 0, 0, band};
}
constexpr ControlPlace largeSlider(int32_t tag, int32_t t, int32_t h) {
    return {K::horizontalSlider, tag, 306, t, 293, h, kLargeSliderHandleBitmap, 306, 579, 8, -1};
}
constexpr ControlPlace amSlider(int32_t tag, int32_t t, int32_t band) {
    return {K::verticalSlider, tag, 342, t, 6, 38, kAmHandleBitmap, t, t + 34, 64, band};
}
constexpr ControlPlace fineSlider(int32_t tag, int32_t t, int32_t band) {
    return {K::horizontalSlider, tag, 60, t, 55, 5, kFineHandleBitmap, 60, 110, 8, band};
}
constexpr ControlPlace lamp(int32_t tag, int32_t t, int32_t band) {
    return {K::lamp, tag, 111, t, 10, 10, kLampBitmap, 0, 0, 0, band};
}
} // namespace detail

// In creation order: the frame draws them in this order and offers the mouse last first.
constexpr std::array<ControlPlace, 56> kControls{{
    detail::button(paramPreListen1, 44, 91, 15, 10, kPreListenButtonBitmap, 0),
    detail::button(paramLeft1, 48, 48, 10, 10, kLeftButtonBitmap, 0),
    detail::button(paramRight1, 48, 69, 10, 10, kRightButtonBitmap, 0),
    detail::knob(paramBand1, 68, 42, 0),
    detail::knob(paramSensitivity1, 126, 42, 0),
    detail::knob(paramRelease1, 187, 42, 0),
    detail::knob(paramMod1, 241, 42, 0),
    detail::knob(paramOffset1, 296, 42, 0),
    detail::knob(paramTimbre1, 353, 42, 0),
    detail::knob(paramEffect1, 414, 42, 0),
    detail::knob(paramPan1, 469, 42, 0),
    detail::knob(paramVolume1, 525, 42, 0),
    detail::button(paramFmButton1, 338, 82, 15, 10, kFmButtonBitmap, 0),

    detail::button(paramPreListen2, 44, 188, 15, 10, kPreListenButtonBitmap, 1),
    detail::button(paramLeft2, 48, 145, 10, 10, kLeftButtonBitmap, 1),
    detail::button(paramRight2, 48, 166, 10, 10, kRightButtonBitmap, 1),
    detail::knob(paramBand2, 68, 140, 1),
    detail::knob(paramSensitivity2, 126, 140, 1),
    detail::knob(paramRelease2, 187, 140, 1),
    detail::knob(paramMod2, 241, 140, 1),
    detail::knob(paramOffset2, 296, 140, 1),
    detail::knob(paramTimbre2, 353, 140, 1),
    detail::knob(paramEffect2, 414, 140, 1),
    detail::knob(paramPan2, 469, 140, 1),
    detail::knob(paramVolume2, 525, 140, 1),
    detail::button(paramFmButton2, 338, 179, 15, 10, kFmButtonBitmap, 1),

    detail::button(paramPreListen3, 44, 284, 15, 10, kPreListenButtonBitmap, 2),
    detail::button(paramLeft3, 48, 241, 10, 10, kLeftButtonBitmap, 2),
    detail::button(paramRight3, 48, 262, 10, 10, kRightButtonBitmap, 2),
    detail::knob(paramBand3, 68, 235, 2),
    detail::knob(paramSensitivity3, 126, 235, 2),
    detail::knob(paramRelease3, 187, 235, 2),
    detail::knob(paramMod3, 241, 235, 2),
    detail::knob(paramOffset3, 296, 235, 2),
    detail::knob(paramTimbre3, 353, 235, 2),
    detail::knob(paramEffect3, 414, 235, 2),
    detail::knob(paramPan3, 469, 235, 2),
    detail::knob(paramVolume3, 525, 235, 2),
    detail::button(paramFmButton3, 338, 275, 15, 10, kFmButtonBitmap, 2),

    detail::largeSlider(paramStereo, 309, 20),
    detail::largeSlider(paramDelay, 339, 30),
    detail::largeSlider(paramFeedback, 369, 30),
    detail::largeSlider(paramDelayVolume, 399, 30),
    detail::largeSlider(paramDry, 429, 30),
    detail::largeSlider(paramMaster, 459, 30),

    detail::amSlider(paramAm1, 26, 0),
    detail::amSlider(paramAm2, 123, 1),
    detail::amSlider(paramAm3, 219, 2),

    detail::fineSlider(paramFine1, 92, 0),
    detail::fineSlider(paramFine2, 189, 1),
    detail::fineSlider(paramFine3, 285, 2),

    detail::lamp(68, 56, 0),
    detail::lamp(69, 154, 1),
    detail::lamp(70, 251, 2),

    detail::knob(paramFmEvery, 68, 429, -1),
    detail::knob(paramSmooth, 187, 429, -1),
}};

// The splash square at the lower left and the large picture it shows.
struct PanelRect {
    int32_t left, top, right, bottom;
};
constexpr PanelRect kSplashRect{6, 438, 24, 456};
// The invisible panel-menu area; its menu opens at the area's top left corner.
constexpr PanelRect kPanelMenuRect{8, 301, 275, 387};
// Where the name and value of the control under the pointer are shown: over the product's
// name and the line below it, inside the panel menu's display.
constexpr PanelRect kReadoutRect{13, 306, 270, 352};
constexpr int32_t kSplashTag = kAboutTag;
constexpr int32_t kFirstLampTag = 68;
// The About text line that the About picture keeps readable.
constexpr PanelRect kAboutTextRect{228, 189, 572, 203};

} // namespace zk::panel
