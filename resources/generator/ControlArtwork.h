#pragma once

#include "gui/platform/software/SoftPixmap.h"

namespace zk::artwork {

// The small pictures of the controls, by resource id: handles keyed with pure green where
// the panel shows through, two-state keys and lamps with the off state above the on state.
// An id without a picture gives a 0 x 0 pixmap. scale is pixels per panel unit (1 to 3).
gui::platform::software::SoftPixmap drawControlPicture(int32_t resourceId, float scale = 1.0f);

} // namespace zk::artwork
