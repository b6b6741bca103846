#pragma once

// The generator as the module's source of pictures at scales other than 1: a panel shown
// at 2 x gets every picture drawn at 2 x, the first time it is asked for.

#include "gui/platform/software/SoftPixmap.h"

#include <memory>

namespace zk::artwork {

// [any] The picture of a resource id of the layout table at scale (1 to 3), or null for an
// id the table does not list or a scale outside 1 to 3. Calls from several threads take
// turns (the font engine's faces are not shared safely).
std::unique_ptr<gui::platform::software::SoftPixmap> drawPicture(int32_t resourceId, float scale);

} // namespace zk::artwork
