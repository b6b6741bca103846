#pragma once

// How large each picture is drawn at a scale (pixels per panel unit): lengths are rounded
// to whole pixels, and a two-state picture is two equal halves, each its state's size.

#include "editor/PanelLayout.h"

#include <cmath>

namespace zk::artwork {

inline int32_t scaledLength(int32_t units, float scale) { return int32_t(std::lround(float(units) * scale)); }

inline bool isTwoStatePicture(int32_t id) {
    return id == panel::kLeftButtonBitmap || id == panel::kRightButtonBitmap || id == panel::kFmButtonBitmap ||
           id == panel::kPreListenButtonBitmap || id == panel::kLampBitmap || id == panel::kUnusedBitmap;
}

// The picture's size at scale; an id the table does not list gives 0 x 0.
inline panel::BitmapSize pictureSize(int32_t id, float scale) {
    for (const panel::BitmapSize& entry : panel::kBitmapSizes)
        if (entry.id == id)
            return {id, scaledLength(entry.width, scale),
                    isTwoStatePicture(id) ? 2 * scaledLength(entry.height / 2, scale) : scaledLength(entry.height, scale)};
    return {id, 0, 0};
}

} // namespace zk::artwork
