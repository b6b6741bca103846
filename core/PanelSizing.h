#pragma once

// The sizes a host may give the panel's window by resizing it: the panel keeps its aspect
// ratio (612 : 486) and is drawn at a scale from 1 to 3 in steps of an eighth, the size at a
// scale being round(612 s) x round(486 s) pixels. Formats whose hosts resize the panel by its
// window ask here: first the size that fits a proposed one, then the scale of the size given.

#include "core/Editor.h"
#include "product/Identity.h"

#include <cmath>
#include <cstdint>

namespace zk {

inline constexpr float kSmallestPanelScale = 1.0f;
inline constexpr float kLargestPanelScale = 3.0f;
inline constexpr float kPanelScaleStep = 0.125f;

inline PanelSize panelSizeAt(float scale) noexcept {
    return {static_cast<int32_t>(std::lround(static_cast<float>(kPanelWidth) * scale)),
            static_cast<int32_t>(std::lround(static_cast<float>(kPanelHeight) * scale))};
}

// The largest scale whose panel fits inside a window of `width` x `height`; the smallest
// scale for a window smaller than that.
inline float panelScaleFitting(int32_t width, int32_t height) noexcept {
    float best = kSmallestPanelScale;
    for (float s = kSmallestPanelScale; s <= kLargestPanelScale; s += kPanelScaleStep) {
        const PanelSize size = panelSizeAt(s);
        if (size.width <= width && size.height <= height) best = s;
    }
    return best;
}

} // namespace zk
